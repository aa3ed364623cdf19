#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gradient_noise_reference.h"
#include "noise/texture_generator.h"

namespace proctex {
namespace {

bool containsExactly(const FloatField& field, float value) {
    return std::find(field.begin(), field.end(), value) != field.end();
}

TEST(BaseFields, OneOctaveFractalEqualsSingleOctave) {
    for (bool seamless : {false, true}) {
        const TextureGenerator g(40, 30, 10.0f, 1, 9, seamless);
        EXPECT_EQ(g.generateFractalBase(0.37f, 3.1f), g.generateSingleOctaveBase());
    }
}

TEST(BaseFields, StretchedToExactlyZeroAndOne) {
    const TextureGenerator g(64, 48, 16.0f, 6, 123, false);
    for (const FloatField& field :
         {g.generateFractalBase(0.5f, 2.0f), g.generateSingleOctaveBase()}) {
        ASSERT_EQ(field.size(), 64u * 48u);
        EXPECT_TRUE(containsExactly(field, 0.0f));
        EXPECT_TRUE(containsExactly(field, 1.0f));
        for (float v : field) {
            ASSERT_GE(v, 0.0f);
            ASSERT_LE(v, 1.0f);
        }
    }
}

TEST(BaseFields, FractalSumMatchesTheOctaveFormula) {
    // Rebuild the raw octave sum from the noise and stretch it the same way.
    const TextureGenerator g(24, 16, 7.0f, 3, 5, false);
    FloatField raw(24 * 16);
    float minVal = 1e10f, maxVal = -1e10f;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) {
            float amplitude = 1.0f, frequency = 1.0f, sum = 0.0f;
            for (int o = 0; o < 3; ++o) {
                sum = sum + gradientNoise(g, (static_cast<float>(x) / 7.0f) * frequency,
                                          (static_cast<float>(y) / 7.0f) * frequency) *
                                amplitude;
                amplitude = amplitude * 0.6f;
                frequency = frequency * 2.5f;
            }
            raw[y * 24 + x] = sum;
            minVal = std::min(minVal, sum);
            maxVal = std::max(maxVal, sum);
        }
    }
    for (float& v : raw) v = (v - minVal) / (maxVal - minVal);
    EXPECT_EQ(g.generateFractalBase(0.6f, 2.5f), raw);
}

TEST(BaseFields, SeamlessWrapsWhenScaleDividesTheSize) {
    // With scale 8 on a 32-wide field the lattice wraps every 4 cells: the
    // column after the last one would repeat column 0, so the field's left and
    // right neighbours sample the same lattice.
    const TextureGenerator g(32, 32, 8.0f, 3, 77, true);
    float frequency = 1.0f;
    for (int o = 0; o < 3; ++o) {
        for (int y = 0; y < 32; y += 5) {
            const float sy = (static_cast<float>(y) / 8.0f) * frequency;
            const float period = (32.0f / 8.0f) * frequency;
            EXPECT_EQ(g.tileableNoise((32 / 8.0f) * frequency, sy, period, period),
                      g.tileableNoise(0.0f, sy, period, period));
        }
        frequency = frequency * 2.0f;
    }
    // And the tileable relief differs from the plain one everywhere, not only at the edges.
    const TextureGenerator plain(32, 32, 8.0f, 3, 77, false);
    const FloatField a = g.generateFractalBase(0.5f, 2.0f);
    const FloatField b = plain.generateFractalBase(0.5f, 2.0f);
    EXPECT_NE(a[16 * 32 + 13], b[16 * 32 + 13]);
}

TEST(BaseFields, FlatFieldsSitAtMidHeight) {
    for (int octaves : {0, -3}) {
        const TextureGenerator g(8, 8, 4.0f, octaves, 1, false);
        EXPECT_EQ(g.generateFractalBase(0.5f, 2.0f), FloatField(64, 0.5f));
    }
    const TextureGenerator single(1, 1, 4.0f, 5, 1, false);
    EXPECT_EQ(single.generateFractalBase(0.5f, 2.0f), FloatField(1, 0.5f));
    EXPECT_EQ(single.generateSingleOctaveBase(), FloatField(1, 0.5f));
}

TEST(BaseFields, ZeroScaleGivesNaNAndEmptySizesGiveEmptyFields) {
    const TextureGenerator zeroScale(6, 6, 0.0f, 2, 1, false);
    for (float v : zeroScale.generateFractalBase(0.5f, 2.0f)) EXPECT_TRUE(std::isnan(v));
    EXPECT_TRUE(TextureGenerator(0, 5, 4.0f, 2, 1, false).generateFractalBase(0.5f, 2.0f).empty());
}

TEST(BaseFields, ScaleAboveTheSizeWithSeamlessStaysFinite) {
    // The period truncates to 0 there; it is raised to one cell instead of dividing by zero.
    const TextureGenerator g(16, 16, 64.0f, 4, 3, true);
    for (float v : g.generateFractalBase(0.5f, 0.5f)) EXPECT_FALSE(std::isnan(v));
}

}  // namespace
}  // namespace proctex
