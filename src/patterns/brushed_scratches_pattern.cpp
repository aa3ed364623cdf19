// Brushed-scratches pattern (patternType 7).
#include <algorithm>
#include <cstddef>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
#include "core/tiling.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {

int32_t brushedScratchCount(int width, int height, float patternParam) {
    const float area = static_cast<float>(wrappingMul(width, height));
    const int32_t n = truncToInt32((area * patternParam) / 10000.0f);
    return std::max<int32_t>(50, std::min<int32_t>(500, n));
}

int32_t applyBrushedScratch(FloatField& pattern, int width, int height, float x0, float y0,
                            float angle, float length, float intensity) {
    const float cosA = fcos(angle);
    const float sinA = fsin(angle);
    int32_t steps = 0;
    for (float t = 0.0f; t < length; t += 0.5f) {
        ++steps;
        const int32_t px = truncToInt32(x0 + cosA * t);
        const int32_t py = truncToInt32(y0 + sinA * t);
        if (px >= 0 && px < width && py >= 0 && py < height) {
            float& cell = pattern[static_cast<std::size_t>(py) * width + px];
            cell = cell + intensity * (1.0f - t / length);
        }
    }
    return steps;
}

// Positions are floored so that a step just left of the edge lands in the
// last column, not the first.
void applyWrappedBrushedScratch(FloatField& pattern, int width, int height, float x0, float y0,
                                float angle, float length, float intensity) {
    const float cosA = fcos(angle);
    const float sinA = fsin(angle);
    for (float t = 0.0f; t < length; t += 0.5f) {
        const int32_t px = truncToInt32(ffloor(x0 + cosA * t));
        const int32_t py = truncToInt32(ffloor(y0 + sinA * t));
        if (px == INT32_MIN || py == INT32_MIN) continue;  // NaN: lands nowhere
        float& cell = pattern[static_cast<std::size_t>(wrapIndex(py, height)) * width +
                              static_cast<std::size_t>(wrapIndex(px, width))];
        cell = cell + intensity * (1.0f - t / length);
    }
}

namespace {

// Rows a scratch covers at `unit` pixels per unit: one up to 1.5.
int32_t scratchRows(float unit) {
    const float rows = fround(unit);
    return rows > 1.0f && rows < 64.0f ? truncToInt32(rows) : 1;
}

// The scratches and the fine ripple of both forms; `wrap` chooses the tiling one.
FloatField brushedPattern(const FloatField& textureData, int width, int height, float patternParam,
                          int32_t seed, bool wrap, float unit) {
    FloatField pattern(fieldSize(width, height));
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = 0.55f + textureData[i] * 0.08f;
    }

    const int32_t numScratches = brushedScratchCount(width, height, patternParam);
    Engine rng = makeEngine(wrappingAdd(seed, 3000));
    const UniformReal distX(0.0f, static_cast<float>(width));
    const UniformReal distY(0.0f, static_cast<float>(height));
    const UniformReal distAngle(-0.3f, 0.3f);
    const UniformReal distLength(20.0f, 200.0f);
    const UniformReal distIntensity(0.05f, 0.15f);
    const int32_t rows = scratchRows(unit);
    for (int32_t s = 0; s < numScratches; ++s) {
        const float x0 = distX(rng);
        const float y0 = distY(rng);
        const float angle = distAngle(rng);
        const float length = distLength(rng) * unit;
        const float intensity = distIntensity(rng);
        for (int32_t row = 0; row < rows; ++row) {
            const float y = y0 + static_cast<float>(row);
            if (wrap) {
                applyWrappedBrushedScratch(pattern, width, height, x0, y, angle, length, intensity);
            } else {
                applyBrushedScratch(pattern, width, height, x0, y, angle, length, intensity);
            }
        }
    }

    // sin(2 y + ...) repeats every pi units; tiling fits a whole number of
    // ripples down the image.
    const float rowStep = wrap ? fittedPhaseStep(height, kHalfTurn * unit, kTurn) : 1.0f;
    for (int y = 0; y < height; ++y) {
        const float fy =
            wrap ? static_cast<float>(y) * rowStep / 2.0f : static_cast<float>(y) / unit;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float h = textureData[index];
            const float v = pattern[index] + fsin(fy * 2.0f + h * 10.0f) * 0.01f;
            pattern[index] = clamp(v, 0.0f, 1.0f);
        }
    }
    return pattern;
}

}  // namespace

FloatField generateBrushedScratchesPattern(const FloatField& textureData, int width, int height,
                                           float patternParam, int32_t seed, float unit) {
    return brushedPattern(textureData, width, height, patternParam, seed, false, unit);
}

FloatField generateTiledBrushedScratchesPattern(const FloatField& textureData, int width,
                                                int height, float patternParam, int32_t seed,
                                                float unit) {
    return brushedPattern(textureData, width, height, patternParam, seed, true, unit);
}

}  // namespace proctex
