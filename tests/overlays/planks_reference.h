// The plain planks algorithm, kept beside the tests and the benchmark as the
// reference the per-plank implementation must match bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "core/field.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "noise/texture_generator.h"

namespace proctex {

inline  // One uniform real draw: the top 24 bits of one engine output, scaled.
    float
    uniformDraw(std::mt19937& engine, float a, float b) {
    const float canonical = static_cast<float>(engine() >> 8) * 0x1p-24f;
    return canonical * (b - a) + a;
}

// The plain algorithm: a fresh engine for every plank
// pixel, the seed computed in 64 bits and reduced modulo 2^32. This is the
// reference the per-plank implementation must match bit for bit.
inline FloatField planksPerPixel(int width, int height, float plankLength, int32_t seed,
                                 bool withGrain) {
    const float plankWidth = plankLength / 5.0f;
    FloatField grainData;
    if (withGrain) {
        const auto grainSeed = static_cast<int32_t>(static_cast<uint32_t>(int64_t{seed} + 7000));
        const TextureGenerator grainNoise(width, height, 50.0f, 3, grainSeed, false);
        grainData = grainNoise.generateFractalBase(0.5f, 2.0f);
    }
    FloatField overlay(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const int32_t row = truncToInt32(static_cast<float>(y) / plankWidth);
            const float shift = static_cast<float>(row % 2) * (plankLength * 0.5f);
            const float px = static_cast<float>(x) + shift;
            const float lx = std::fmod(px, plankLength);
            const float ly = std::fmod(static_cast<float>(y), plankWidth);
            if (lx < 2.0f || ly < 2.0f) {
                overlay[i] = 0.6f;
                continue;
            }
            const int32_t col = truncToInt32(px / plankLength);
            const auto s = static_cast<uint32_t>(int64_t{seed} + int64_t{row} * 1000 + col);
            std::mt19937 plankRng(s);
            if (withGrain) {
                const float g = uniformDraw(plankRng, 0.0f, 100.0f);
                const float k = uniformDraw(plankRng, -0.1f, 0.1f);
                overlay[i] = grainData[i] * 0.2f + fsin((ly + g) / 3.0f) * 0.15f + k;
            } else {
                overlay[i] = uniformDraw(plankRng, 0.0f, 0.3f);
            }
        }
    }
    return overlay;
}

}  // namespace proctex
