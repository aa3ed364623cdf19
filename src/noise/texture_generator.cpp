#include "noise/texture_generator.h"

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

}  // namespace proctex
