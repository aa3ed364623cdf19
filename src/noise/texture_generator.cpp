#include "noise/texture_generator.h"

#include "core/fmath.h"

namespace proctex {

TextureGenerator::TextureGenerator(int32_t width, int32_t height, float scale, int32_t octaves,
                                   int32_t seed, bool seamless, bool tiling)
    : width(width),
      height(height),
      scale(scale),
      octaves(octaves),
      seed(seed),
      seamless(seamless),
      tiling(tiling) {
    initPermutation();
}

int32_t sampledOctaves(int32_t octaves, float lacunarity, float pixelsPerUnit) {
    if (octaves < 1 || !(lacunarity > 1.0f) || !(lacunarity < 1e6f)) return octaves;
    // A step counts once the sampling passes halfway to it, in log terms.
    const float halfStep = fsqrt(lacunarity);
    int32_t added = 0;
    float reach = 1.0f;
    while (added < kMaxAddedOctaves && pixelsPerUnit >= reach * halfStep) {
        reach *= lacunarity;
        ++added;
    }
    reach = 1.0f;
    while (octaves + added > 1 && pixelsPerUnit < reach / halfStep) {
        reach /= lacunarity;
        --added;
    }
    return octaves + added;
}

}  // namespace proctex
