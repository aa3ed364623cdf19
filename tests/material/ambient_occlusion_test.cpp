#include "material/ambient_occlusion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace proctex {
namespace {

FloatField randomField(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> value(0.0f, 1.0f);
    FloatField f(fieldSize(w, h));
    for (float& v : f) v = value(rng);
    return f;
}

// Pixel (x, y) of the result is pixel (x - dx, y - dy) of the field, wrapped.
FloatField rolled(const FloatField& f, int w, int h, int dx, int dy) {
    FloatField out(f.size());
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            out[fieldSize(w, (y + dy) % h) + std::size_t((x + dx) % w)] = f[fieldSize(w, y) + x];
        }
    }
    return out;
}

// A bowl: height 0 at the centre of a 64 x 64 field, rising to 1 at radius 24.
FloatField bowl() {
    FloatField f(64 * 64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const float r2 = float((x - 32) * (x - 32) + (y - 32) * (y - 32)) / (24.0f * 24.0f);
            f[fieldSize(64, y) + x] = r2 < 1.0f ? r2 : 1.0f;
        }
    }
    return f;
}

TEST(AmbientOcclusion, FlatGroundOrNoStrengthIsFullyOpen) {
    for (bool wrap : {false, true}) {
        for (float v : buildAmbientOcclusion(FloatField(30 * 20, 0.4f), 30, 20, 8.0f, 2.0f, wrap)) {
            EXPECT_EQ(v, 1.0f);
        }
        for (float v : buildAmbientOcclusion(randomField(30, 20, 1), 30, 20, 8.0f, 0.0f, wrap)) {
            EXPECT_EQ(v, 1.0f);
        }
    }
}

TEST(AmbientOcclusion, OneRaisedNeighbourGivesItsHorizonSine) {
    // 5 x 5 zeros; radius 1 reaches only the eight neighbours of the centre.
    FloatField f(25, 0.0f);
    f[12 + 1] = 0.25f;  // right of the centre: distance 1
    f[12 + 6] = 0.5f;   // below and right: distance sqrt 2
    const float t0 = 0.25f * kOcclusionReliefPixels;
    const float t1 = 0.5f * kOcclusionReliefPixels / std::sqrt(2.0f);
    const float sines = t0 / std::sqrt(1.0f + t0 * t0) + t1 / std::sqrt(1.0f + t1 * t1);
    EXPECT_NEAR(buildAmbientOcclusion(f, 5, 5, 1.0f, 1.5f, false)[12], 1.0f - 1.5f * sines / 8.0f,
                1e-6f);

    // An infinitely high neighbour hides its direction completely; a NaN
    // height is NaN itself (0 as a byte) and occludes nobody.
    f[13] = std::numeric_limits<float>::infinity();
    f[18] = 0.0f;
    f[6] = std::numeric_limits<float>::quiet_NaN();
    const FloatField ao = buildAmbientOcclusion(f, 5, 5, 1.0f, 1.0f, false);
    EXPECT_EQ(ao[12], 0.875f);
    EXPECT_TRUE(std::isnan(ao[6]));
    EXPECT_EQ(occlusionBytes(ao)[6], 0);
    EXPECT_EQ(ao[0], 1.0f);  // next to the NaN, far from the peak
}

TEST(AmbientOcclusion, PitBottomIsDarkerThanItsRimAndDarkensWithRadius) {
    const FloatField pit = bowl();
    const std::size_t centre = fieldSize(64, 32) + 32;
    const std::size_t rim = fieldSize(64, 32) + 32 + 24;
    const FloatField ao = buildAmbientOcclusion(pit, 64, 64, 16.0f, 1.0f, false);
    EXPECT_LT(ao[centre], ao[rim]);
    EXPECT_LT(ao[centre], 0.9f);
    // A longer walk only adds samples: no pixel gets lighter, and the pit
    // centre, whose horizon rises up to the rim at 24, gets darker until then.
    const FloatField random = randomField(37, 23, 2);
    FloatField previousPit = buildAmbientOcclusion(pit, 64, 64, 1.0f, 1.0f, false);
    FloatField previous = buildAmbientOcclusion(random, 37, 23, 1.0f, 1.0f, false);
    for (float radius : {2.0f, 3.5f, 6.0f, 11.0f, 24.0f, 50.0f}) {
        const FloatField nextPit = buildAmbientOcclusion(pit, 64, 64, radius, 1.0f, false);
        if (radius <= 24.0f) {
            EXPECT_LT(nextPit[centre], previousPit[centre]) << radius;
        } else {
            EXPECT_EQ(nextPit[centre], previousPit[centre]) << radius;
        }
        const FloatField next = buildAmbientOcclusion(random, 37, 23, radius, 1.0f, false);
        for (std::size_t i = 0; i < next.size(); ++i) ASSERT_LE(next[i], previous[i]) << radius;
        previousPit = nextPit;
        previous = next;
    }
}

TEST(AmbientOcclusion, WrapTilesAndClampDiffersOnlyNearBorders) {
    const int w = 41;
    const int h = 29;
    const FloatField f = randomField(w, h, 3);
    for (float radius : {6.0f, 60.0f}) {  // 60 walks past the far side
        EXPECT_EQ(buildAmbientOcclusion(rolled(f, w, h, 13, 7), w, h, radius, 1.0f, true),
                  rolled(buildAmbientOcclusion(f, w, h, radius, 1.0f, true), w, h, 13, 7))
            << radius;
    }
    const FloatField wrapped = buildAmbientOcclusion(f, w, h, 6.0f, 1.0f, true);
    const FloatField clamped = buildAmbientOcclusion(f, w, h, 6.0f, 1.0f, false);
    int bordersDiffering = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = fieldSize(w, y) + x;
            const bool inner = x >= 6 && x < w - 6 && y >= 6 && y < h - 6;
            if (inner) {
                EXPECT_EQ(wrapped[i], clamped[i]) << x << "," << y;
            } else if (wrapped[i] != clamped[i]) {
                ++bordersDiffering;
            }
        }
    }
    EXPECT_GT(bordersDiffering, w);
}

}  // namespace
}  // namespace proctex
