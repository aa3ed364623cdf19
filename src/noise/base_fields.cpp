#include <cmath>

#include "noise/octave_rows.h"
#include "noise/texture_generator.h"

namespace proctex {

namespace {

// Stretches the raw samples so the lowest becomes 0 and the highest 1. When
// every sample is equal there is no range to stretch: such a flat field sits
// at mid height (NaN samples stay NaN).
void stretchToUnitRange(FloatField& data, const SampleRange& range) {
    const float span = range.maxVal - range.minVal;
    if (span == 0.0f) {
        for (float& v : data) {
            if (!std::isnan(v)) v = 0.5f;
        }
        return;
    }
    for (float& v : data) v = (v - range.minVal) / span;
}

FloatField baseField(const TextureGenerator& generator, int32_t octaves, float persistence,
                     float lacunarity, NoisePath path) {
    FloatField data(fieldSize(generator.width, generator.height));
    const OctaveJob job{generator.permutation.data(),
                        generator.width,
                        generator.height,
                        generator.scale,
                        octaves,
                        persistence,
                        lacunarity,
                        generator.seamless,
                        generator.tiling};
    stretchToUnitRange(data, sumOctaves(job, data.data(), path));
    return data;
}

}  // namespace

FloatField fractalBaseField(const TextureGenerator& generator, float persistence, float lacunarity,
                            NoisePath path) {
    return baseField(generator, generator.octaves, persistence, lacunarity, path);
}

// One octave at amplitude 1 and frequency 1: the same samples as the fractal
// sum of a single octave, whatever its persistence and lacunarity.
FloatField singleOctaveBaseField(const TextureGenerator& generator, NoisePath path) {
    return baseField(generator, 1, 1.0f, 1.0f, path);
}

FloatField TextureGenerator::generateFractalBase(float persistence, float lacunarity) const {
    return fractalBaseField(*this, persistence, lacunarity, NoisePath::automatic);
}

FloatField TextureGenerator::generateSingleOctaveBase() const {
    return singleOctaveBaseField(*this, NoisePath::automatic);
}

}  // namespace proctex
