// Tone-curve patterns: gamma and smoothstep (patternType 4) and damped
// extremes (5). Each pixel depends only on the input at its index.
#include <cmath>
#include <cstddef>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "patterns/patterns.h"

namespace proctex {

FloatField generateToneCurvePattern(const FloatField& textureData, int width, int height,
                                    float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const float g = clamp(patternParam, 0.5f, 3.0f);
    const float exponent = 1.0f / g;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        float a = fpow(textureData[i], exponent);
        a = (a * a) * (3.0f - 2.0f * a);
        pattern[i] = clamp(a, 0.0f, 1.0f);
    }
    return pattern;
}

FloatField generateDampedExtremesPattern(const FloatField& textureData, int width, int height,
                                         float patternParam) {
    FloatField pattern(fieldSize(width, height));
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const float h = textureData[i];
        const float d = fpow(std::fabs(h - 0.5f) * 2.0f, patternParam);
        const float base = h * 0.7f + 0.3f;
        pattern[i] = clamp(base * (1.0f - d * 0.3f), 0.0f, 1.0f);
    }
    return pattern;
}

}  // namespace proctex
