// Veins overlay: a sine along x whose phase is bent by a private noise field.
#include <cmath>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/tiling.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"

namespace proctex {

FloatField generateVeins(int width, int height, float veinScale, int32_t seed, bool seamless,
                         float unit) {
    const TextureGenerator noiseGen(width, height, 80.0f * unit, sampledOctaves(4, 2.0f, unit),
                                    wrappingAdd(seed, 1000), seamless);
    const FloatField noiseData = noiseGen.generateFractalBase(0.5f, 2.0f);

    FloatField overlay(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = rowStart + x;
            const float a = static_cast<float>(x) / veinScale + noiseData[i] * 7.0f;
            overlay[i] = 1.0f - std::fabs(fsin(a));
        }
    }
    return overlay;
}

// |sin| repeats every pi x veinScale pixels along x.
FloatField generateTiledVeins(int width, int height, float veinScale, int32_t seed, bool seamless,
                              float unit) {
    const TextureGenerator noiseGen(width, height, 80.0f * unit, sampledOctaves(4, 2.0f, unit),
                                    wrappingAdd(seed, 1000), seamless, true);
    const FloatField noiseData = noiseGen.generateFractalBase(0.5f, 2.0f);
    const float step = fittedPhaseStep(width, kHalfTurn * veinScale, kHalfTurn);

    FloatField overlay(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = rowStart + x;
            const float a = static_cast<float>(x) * step + noiseData[i] * 7.0f;
            overlay[i] = 1.0f - std::fabs(fsin(a));
        }
    }
    return overlay;
}

}  // namespace proctex
