#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "pattern_reference.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

TEST(BrushedScratches, ScratchCountIsDensityPer10000PixelsWithin50To500) {
    EXPECT_EQ(brushedScratchCount(512, 512, 5.0f), 131);     // trunc(131.072)
    EXPECT_EQ(brushedScratchCount(256, 256, 1.0f), 50);      // 6, raised to 50
    EXPECT_EQ(brushedScratchCount(1024, 1024, 10.0f), 500);  // 1048, cut to 500
    EXPECT_EQ(brushedScratchCount(512, 512, 0.0f), 50);
    EXPECT_EQ(brushedScratchCount(512, 512, -3.0f), 50);
    // NaN and infinity truncate to INT32_MIN, which the floor raises to 50.
    EXPECT_EQ(brushedScratchCount(512, 512, std::numeric_limits<float>::quiet_NaN()), 50);
    EXPECT_EQ(brushedScratchCount(512, 512, std::numeric_limits<float>::infinity()), 50);
}

TEST(BrushedScratches, ScratchTakesHalfPixelStepsAndDepositsTwicePerPixel) {
    const int w = 40;
    const int h = 8;
    FloatField pattern(w * h, 0.0f);
    // ceil(2 * length) steps: t = 0, 0.5, ... 19.5 for a length of 20.
    EXPECT_EQ(applyBrushedScratch(pattern, w, h, 2.0f, 3.0f, 0.0f, 20.0f, 0.1f), 40);
    const auto at = [&](int x, int y) { return pattern[y * w + x]; };
    EXPECT_EQ(at(2, 3), 0.1f * (1.0f - 0.0f / 20.0f) + 0.1f * (1.0f - 0.5f / 20.0f));
    EXPECT_EQ(at(21, 3), (0.0f + 0.1f * (1.0f - 19.0f / 20.0f)) + 0.1f * (1.0f - 19.5f / 20.0f));
    EXPECT_EQ(at(1, 3), 0.0f);
    EXPECT_EQ(at(22, 3), 0.0f);
    for (int x = 0; x < w; ++x) {
        EXPECT_EQ(at(x, 2), 0.0f);
        EXPECT_EQ(at(x, 4), 0.0f);
    }
    FloatField other(w * h, 0.0f);
    EXPECT_EQ(applyBrushedScratch(other, w, h, 0.0f, 0.0f, 0.0f, 20.3f, 0.1f), 41);
}

TEST(BrushedScratches, ScratchesDoNotWrapAndTruncateTowardZero) {
    const int w = 40;
    const int h = 8;
    FloatField pattern(w * h, 0.0f);
    // Leaving the right edge of row 3: the steps outside are skipped, nothing
    // re-enters at the left of row 4.
    EXPECT_EQ(applyBrushedScratch(pattern, w, h, 38.5f, 3.0f, 0.0f, 20.0f, 0.1f), 40);
    EXPECT_GT(pattern[3 * w + 38], 0.0f);
    EXPECT_GT(pattern[3 * w + 39], 0.0f);
    for (int x = 0; x < w; ++x) EXPECT_EQ(pattern[4 * w + x], 0.0f);
    for (int x = 0; x < 38; ++x) EXPECT_EQ(pattern[3 * w + x], 0.0f);

    // Heading up through the top edge: rows in (-1, 0) truncate to row 0.
    // From (5, 0.2) at angle -0.3, t = 1 .. 4 lies in (-1, 0): column 7 is
    // marked at t = 2.5 and 3; t = 4.5 is already above row -1.
    FloatField up(w * h, 0.0f);
    applyBrushedScratch(up, w, h, 5.0f, 0.2f, -0.3f, 30.0f, 0.1f);
    EXPECT_GT(up[7], 0.0f);
    EXPECT_EQ(up[9], 0.0f);
}

TEST(BrushedScratches, UnreachedPixelsHoldTheBrushedBase) {
    const int w = 512;
    const int h = 384;
    const std::vector<float> field = reference::testField(w, h, 4);
    const FloatField pattern = generateBrushedScratchesPattern(field, w, h, 0.0f, 7);
    int base = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float hv = field[y * w + x];
            const float v = pattern[y * w + x];
            ASSERT_GE(v, 0.0f);
            ASSERT_LE(v, 1.0f);
            const float expected = clamp(
                (0.55f + hv * 0.08f) + fsin(static_cast<float>(y) * 2.0f + hv * 10.0f) * 0.01f,
                0.0f, 1.0f);
            if (v == expected) {
                ++base;
                EXPECT_GE(v, 0.54f);
                EXPECT_LE(v, 0.64f);
            } else {
                EXPECT_GT(v, expected);  // scratches only add
            }
        }
    }
    // 50 scratches of at most 200 pixels cannot reach more than 10000 pixels.
    EXPECT_GE(base, w * h - 10000);
}

TEST(BrushedScratches, FirstScratchStartsWhereSeedPlus3000Puts) {
    const int w = 200;
    const int h = 100;
    const std::vector<float> field(w * h, 0.5f);
    const int32_t seed = -3000;  // seed + 3000 = 0
    std::mt19937 rng(0u);
    const float x0 = reference::uniform(rng, 0.0f, static_cast<float>(w));
    const float y0 = reference::uniform(rng, 0.0f, static_cast<float>(h));
    reference::uniform(rng, -0.3f, 0.3f);
    reference::uniform(rng, 20.0f, 200.0f);
    const float intensity = reference::uniform(rng, 0.05f, 0.15f);
    const FloatField pattern = generateBrushedScratchesPattern(field, w, h, 0.0f, seed);
    const int px = static_cast<int>(x0);
    const int py = static_cast<int>(y0);
    const float brushed =
        (0.55f + 0.5f * 0.08f) + fsin(static_cast<float>(py) * 2.0f + 0.5f * 10.0f) * 0.01f;
    // The first step deposits the full intensity on the start pixel.
    EXPECT_GE(pattern[py * w + px], brushed + intensity * 0.99f);
}

TEST(BrushedScratches, DenserCallAddsScratchesToTheSameOnes) {
    const int w = 256;
    const int h = 256;
    const std::vector<float> field = reference::testField(w, h, 8);
    // 52 scratches, then 78 from the same seed: the first 52 are the same.
    const FloatField sparse = generateBrushedScratchesPattern(field, w, h, 8.0f, 11);
    const FloatField dense = generateBrushedScratchesPattern(field, w, h, 12.0f, 11);
    EXPECT_EQ(brushedScratchCount(w, h, 8.0f), 52);
    EXPECT_EQ(brushedScratchCount(w, h, 12.0f), 78);
    int added = 0;
    for (std::size_t i = 0; i < sparse.size(); ++i) {
        EXPECT_GE(dense[i], sparse[i]);
        added += dense[i] > sparse[i] ? 1 : 0;
    }
    EXPECT_GT(added, 100);
    EXPECT_EQ(sparse, generateBrushedScratchesPattern(field, w, h, 8.0f, 11));
    EXPECT_NE(sparse, generateBrushedScratchesPattern(field, w, h, 8.0f, 12));
}

}  // namespace
}  // namespace proctex
