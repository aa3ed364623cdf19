// Coarse work on a fine field: the box average down and the bilinear
// interpolation back up, and the octaves a finer sampling holds.
#include "core/resample.h"

#include <gtest/gtest.h>

#include <cmath>

#include "noise/texture_generator.h"

namespace proctex {
namespace {

TEST(Resample, FactorsDivideBothSidesAndARoundTripKeepsSmoothFields) {
    EXPECT_EQ(commonFactor(4096, 4096, 4), 4);
    EXPECT_EQ(commonFactor(4096, 2048, 3), 2);  // 3 divides neither
    EXPECT_EQ(commonFactor(1000, 999, 8), 1);
    EXPECT_EQ(commonFactor(64, 64, 0), 1);

    // A wave whose period is a whole number of pixels: down by 4, back up,
    // and it is the wave again to within the interpolation's error, also
    // across the wrapped edges; the mean of the blocks is exact.
    const int w = 96, h = 64, f = 4;
    FloatField wave(fieldSize(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            wave[std::size_t(y) * w + x] =
                float(std::sin(x * 6.283185307 / 96.0) * std::cos(y * 6.283185307 / 64.0));
        }
    }
    const FloatField coarse = boxDown(wave, w, h, f);
    ASSERT_EQ(coarse.size(), fieldSize(w / f, h / f));
    float block = 0.0f;
    for (int y = 0; y < f; ++y)
        for (int x = 0; x < f; ++x) block += wave[std::size_t(y) * w + x];
    EXPECT_NEAR(coarse[0], block / float(f * f), 1e-6f);
    const FloatField back = bilinearUp(coarse, w / f, h / f, f, true);
    ASSERT_EQ(back.size(), wave.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < back.size(); ++i)
        worst = std::max(worst, double(std::fabs(back[i] - wave[i])));
    EXPECT_LT(worst, 0.08);
    // Clamped edges hold the outer centres' values beyond them.
    const FloatField clamped = bilinearUp(coarse, w / f, h / f, f, false);
    EXPECT_EQ(clamped[0], coarse[0]);
    EXPECT_NE(back[0], coarse[0]);  // wrapped: mixed with the far side
}

TEST(SampledOctaves, OneMorePerDoublingUpToACapAndAtLeastOne) {
    EXPECT_EQ(sampledOctaves(6, 2.0f, 1.0f), 6);
    EXPECT_EQ(sampledOctaves(6, 2.0f, 2.0f), 7);
    EXPECT_EQ(sampledOctaves(6, 2.0f, 8.0f), 9);
    EXPECT_EQ(sampledOctaves(6, 2.0f, 1e9f), 6 + kMaxAddedOctaves);
    EXPECT_EQ(sampledOctaves(6, 2.0f, 0.25f), 4);
    EXPECT_EQ(sampledOctaves(2, 2.0f, 1.0f / 64.0f), 1);
    EXPECT_EQ(sampledOctaves(6, 3.0f, 3.0f), 7);  // steps of the lacunarity
    int last = 0;
    for (float unit = 0.1f; unit < 40.0f; unit *= 1.1f) {
        const int octaves = sampledOctaves(6, 2.0f, unit);
        EXPECT_GE(octaves, last) << unit;
        last = octaves;
    }
    // Nothing to add to: no octaves, or a lacunarity that never refines.
    EXPECT_EQ(sampledOctaves(0, 2.0f, 8.0f), 0);
    EXPECT_EQ(sampledOctaves(6, 1.0f, 8.0f), 6);
    EXPECT_EQ(sampledOctaves(6, NAN, 8.0f), 6);
}

}  // namespace
}  // namespace proctex
