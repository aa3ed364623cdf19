// Wave patterns: rings (patternType 2), grooves (3) and banded knots (10).
#include <cmath>
#include <cstddef>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/tiling.h"
#include "patterns/patterns.h"

namespace proctex {

FloatField generateRingPattern(const FloatField& textureData, int width, int height,
                               float patternParam, bool /*seamless: no effect*/) {
    FloatField pattern(fieldSize(width, height));
    const float centreX = static_cast<float>(width) / 2.0f;
    const float centreY = static_cast<float>(height) / 2.0f;
    for (int y = 0; y < height; ++y) {
        const float dy = static_cast<float>(y) - centreY;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float h = textureData[index];
            const float dx = static_cast<float>(x) - centreX;
            const float d = fsqrt(dx * dx + dy * dy);
            float r = d / patternParam;
            r = r + h * 3.0f;
            // 3.14159 as written, not pi.
            const float ring = fsin(r * 3.14159f * 2.0f) * 0.5f + 0.5f;
            const float base = h * 0.4f + 0.3f;
            pattern[index] = clamp(ring * 0.5f + base * 0.5f, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateGroovePattern(const FloatField& textureData, int width, int height,
                                 float patternParam, bool /*seamless: no effect*/) {
    FloatField pattern(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const float slant = static_cast<float>(y) * 0.6f;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float h = textureData[index];
            float t = (static_cast<float>(x) + slant) / patternParam;
            t = t + h * 8.0f;
            const float s = 1.0f - fpow(std::fabs(fsin(t)), 1.5f);
            const float base = h * 0.15f + 0.85f;
            pattern[index] = clamp(base - s * 0.4f, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateBandedKnotPattern(const FloatField& textureData, int width, int height,
                                     float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const float linePeriod = patternParam * 0.2f;
    const float knotPeriodX = patternParam * 3.0f;
    const float knotCentreX = patternParam * 1.5f;
    const float knotPeriodY = patternParam * 5.0f;
    const float knotCentreY = patternParam * 2.5f;
    const float knotRadius = patternParam * 0.5f;
    const float wavePeriod = patternParam * 2.0f;
    for (int y = 0; y < height; ++y) {
        const float fy = static_cast<float>(y);
        const float bandPhase = fy / patternParam;
        const float lines = fsin(fy / linePeriod) * 0.03f;
        const float ky = ffmod(fy, knotPeriodY) - knotCentreY;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float fx = static_cast<float>(x);
            const float h = textureData[index];
            const float base = 0.45f + h * 0.2f;
            const float band = fsin(bandPhase + h * 3.0f) * 0.15f;
            const float kx = ffmod(fx, knotPeriodX) - knotCentreX;
            // The knot distance is the one step taken in double precision.
            const double kxd = kx;
            const double kyd = ky;
            const float dist = static_cast<float>(std::sqrt(kxd * kxd + kyd * kyd));
            float knot = 0.0f;
            if (dist < knotRadius) knot = (1.0f - dist / knotRadius) * -0.2f;
            const float wave = fsin(fx / wavePeriod) * 0.08f;
            pattern[index] = clamp((((base + band) + lines) + knot) + wave, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateTiledGroovePattern(const FloatField& textureData, int width, int height,
                                      float patternParam) {
    FloatField pattern(fieldSize(width, height));
    // t = (x + 0.6 y) / param: |sin t| repeats every pi x param pixels along
    // x and every pi x param / 0.6 down y.
    const float stepX = fittedPhaseStep(width, kHalfTurn * patternParam, kHalfTurn);
    const float stepY = fittedPhaseStep(height, kHalfTurn * patternParam / 0.6f, kHalfTurn, 0);
    for (int y = 0; y < height; ++y) {
        const float slant = static_cast<float>(y) * stepY;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float h = textureData[index];
            const float t = (static_cast<float>(x) * stepX + slant) + h * 8.0f;
            const float s = 1.0f - fpow(std::fabs(fsin(t)), 1.5f);
            const float base = h * 0.15f + 0.85f;
            pattern[index] = clamp(base - s * 0.4f, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateTiledKnotPattern(const FloatField& textureData, int width, int height,
                                    float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const float p = patternParam;
    const float bandStep = fittedPhaseStep(height, kTurn * p, kTurn);
    const float lineStep = fittedPhaseStep(height, kTurn * (p * 0.2f), kTurn);
    const float waveStep = fittedPhaseStep(width, kTurn * (p * 2.0f), kTurn);
    const float knotPeriodX =
        static_cast<float>(width) / static_cast<float>(wholePeriods(width, p * 3.0f));
    const float knotPeriodY =
        static_cast<float>(height) / static_cast<float>(wholePeriods(height, p * 5.0f));
    const float knotRadius = p * 0.5f;
    for (int y = 0; y < height; ++y) {
        const float fy = static_cast<float>(y);
        const float bandPhase = fy * bandStep;
        const float lines = fsin(fy * lineStep) * 0.03f;
        const float ky = ffmod(fy, knotPeriodY) - knotPeriodY * 0.5f;
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float fx = static_cast<float>(x);
            const float h = textureData[index];
            const float base = 0.45f + h * 0.2f;
            const float band = fsin(bandPhase + h * 3.0f) * 0.15f;
            const float kx = ffmod(fx, knotPeriodX) - knotPeriodX * 0.5f;
            const float dist = fsqrt(kx * kx + ky * ky);
            float knot = 0.0f;
            if (dist < knotRadius) knot = (1.0f - dist / knotRadius) * -0.2f;
            const float wave = fsin(fx * waveStep) * 0.08f;
            pattern[index] = clamp((((base + band) + lines) + knot) + wave, 0.0f, 1.0f);
        }
    }
    return pattern;
}

}  // namespace proctex
