#include <cmath>

#include "core/texture_generator.h"

namespace proctex {

namespace {

struct RunningRange {
    float minVal = 1e10f;
    float maxVal = -1e10f;

    void add(float v) {
        if (v < minVal) minVal = v;
        if (v > maxVal) maxVal = v;
    }
};

// Stretches the raw samples so the lowest becomes 0 and the highest 1. When
// every sample is equal there is no range to stretch: such a flat field sits
// at mid height (NaN samples stay NaN).
void stretchToUnitRange(FloatField& data, const RunningRange& range) {
    const float span = range.maxVal - range.minVal;
    if (span == 0.0f) {
        for (float& v : data) {
            if (!std::isnan(v)) v = 0.5f;
        }
        return;
    }
    for (float& v : data) v = (v - range.minVal) / span;
}

}  // namespace

FloatField TextureGenerator::generateFractalBase(float persistence, float lacunarity) const {
    FloatField data(fieldSize(width, height));
    RunningRange range;
    const float fw = static_cast<float>(width);
    const float fh = static_cast<float>(height);

    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            float amplitude = 1.0f;
            float frequency = 1.0f;
            float noiseValue = 0.0f;
            for (int32_t octave = 0; octave < octaves; ++octave) {
                const float sx = (static_cast<float>(x) / scale) * frequency;
                const float sy = (static_cast<float>(y) / scale) * frequency;
                const float n = seamless ? tileableNoise(sx, sy, (fw / scale) * frequency,
                                                         (fh / scale) * frequency)
                                         : noise(sx, sy);
                noiseValue = noiseValue + n * amplitude;
                amplitude = amplitude * persistence;
                frequency = frequency * lacunarity;
            }
            data[static_cast<std::size_t>(y) * width + x] = noiseValue;
            range.add(noiseValue);
        }
    }

    stretchToUnitRange(data, range);
    return data;
}

FloatField TextureGenerator::generateSingleOctaveBase() const {
    FloatField data(fieldSize(width, height));
    RunningRange range;
    const float fw = static_cast<float>(width);
    const float fh = static_cast<float>(height);

    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const float sx = static_cast<float>(x) / scale;
            const float sy = static_cast<float>(y) / scale;
            const float noiseValue =
                seamless ? tileableNoise(sx, sy, fw / scale, fh / scale) : noise(sx, sy);
            data[static_cast<std::size_t>(y) * width + x] = noiseValue;
            range.add(noiseValue);
        }
    }

    stretchToUnitRange(data, range);
    return data;
}

}  // namespace proctex
