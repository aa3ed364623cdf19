#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/fmath.h"
#include "pattern_reference.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

::testing::AssertionResult bitIdentical(const std::vector<float>& expected,
                                        const std::vector<float>& actual, int width) {
    if (expected.size() != actual.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(float)) != 0) {
            return ::testing::AssertionFailure()
                   << "pixel (" << i % width << ", " << i / width << "): expected " << expected[i]
                   << ", got " << actual[i];
        }
    }
    return ::testing::AssertionSuccess();
}

// Discs the plain form places, times pixels: its cost.
double plainDiscWork(int w, int h, float p) {
    const double rows = reference::trunc32(static_cast<float>(h) / (p * 0.7f)) + 5.0;
    const double cols = reference::trunc32(static_cast<float>(w) / p) + 5.0;
    return rows < 0 || cols < 0 ? 0.0 : rows * cols * w * h;
}

TEST(StaggeredDiscs, BoundingBoxVisitMatchesFullVisit) {
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{1, 1}, {1, 23}, {23, 1}, {7, 5}, {64, 48}, {100, 37}, {33, 90}};
    const float params[] = {24.0f, 20.0f, 16.0f, 8.0f, 7.77f, 3.3f,  2.5f,   2.0f,  1.5f,   1.0f,
                            0.99f, 0.9f,  0.5f,  0.3f, 0.11f, -5.0f, -24.0f, 1e30f, 1e-30f, 200.0f};
    int compared = 0;
    for (const Size s : sizes) {
        for (const float p : params) {
            if (plainDiscWork(s.w, s.h, p) > 3e7) continue;
            const std::vector<float> field = reference::testField(s.w, s.h, 77);
            EXPECT_TRUE(bitIdentical(reference::plainStaggeredDiscs(field, s.w, s.h, p),
                                     generateStaggeredDiscPattern(field, s.w, s.h, p), s.w))
                << s.w << " x " << s.h << ", param " << p;
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}

TEST(StaggeredDiscs, GapsKeepTheBaseLevelAndOddRowsAreShifted) {
    const int w = 60;
    const int h = 45;
    const std::vector<float> zero(w * h, 0.0f);
    const std::vector<float> one(w * h, 1.0f);
    const FloatField flat = generateStaggeredDiscPattern(zero, w, h, 20.0f);
    const FloatField bright = generateStaggeredDiscPattern(one, w, h, 20.0f);
    const auto at = [&](const FloatField& f, int x, int y) { return f[y * w + x]; };
    // (10, 0) lies exactly on the rims of the discs at (0, 0) and (20, 0) and
    // 14 pixels from (10, -14) and (10, 14): inside none, even with h = 1.
    EXPECT_EQ(at(bright, 10, 0), 0.3f);
    // Row 0 (even) is not shifted: centres at x = 0, 20, 40.
    EXPECT_EQ(at(flat, 20, 0), 1.0f);
    EXPECT_EQ(at(flat, 40, 0), 1.0f);
    // Row 1 (odd, y = 14) is shifted by 10: centres at x = 10, 30, so x = 0
    // on that row is on two rims and 14 from the row 0 and row 2 centres.
    EXPECT_EQ(at(flat, 10, 14), 1.0f);
    EXPECT_EQ(at(flat, 30, 14), 1.0f);
    EXPECT_EQ(at(flat, 0, 14), 0.3f);
    // Every pixel is either in the gaps (0.3 exactly) or on a disc, whose
    // profile never drops below 0.575 before h is added.
    for (const float v : flat) {
        EXPECT_TRUE(v == 0.3f || (v >= 0.575f && v <= 1.0f)) << v;
    }
    // Rim profile: r = 0.9 (d = 9 from a centre) gives 1 - 0.45 + (0.05 / 0.15) * 0.3.
    const float r = 9.0f / 10.0f;
    EXPECT_EQ(at(flat, 29, 0) == 0.3f, false);
    EXPECT_EQ(at(flat, 29, 0), (1.0f - r * 0.5f) + (r - 0.85f) / 0.15f * 0.3f);
}

TEST(Checker, BlocksOfPatternParamPixels) {
    const int w = 24;
    const int h = 16;
    const FloatField c8 = generateCheckerPattern(w, h, 8.0f);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float expected = ((x / 8 + y / 8) % 2 == 0) ? 1.0f : 0.0f;
            EXPECT_EQ(c8[y * w + x], expected) << x << ", " << y;
        }
    }
    // 2.5: blocks of 3 and 2 pixels alternately along each row.
    const FloatField c25 = generateCheckerPattern(10, 1, 2.5f);
    EXPECT_EQ(c25, (FloatField{1, 1, 1, 0, 0, 1, 1, 1, 0, 0}));
    // A negative size gives cell indices 0, -1, -2 ...: the same board.
    EXPECT_EQ(generateCheckerPattern(w, h, -8.0f), c8);
}

TEST(Diamond, FlatLevelAndPeaks) {
    const int w = 80;
    const int h = 60;
    const std::vector<float> zero(w * h, 0.0f);
    const std::vector<float> one(w * h, 1.0f);
    const FloatField low = generateDiamondPattern(zero, w, h, 20.0f);
    const FloatField high = generateDiamondPattern(one, w, h, 20.0f);
    // Cell centre of row 10: lx = x + 5 = 10, ly = 10.
    EXPECT_EQ(low[10 * w + 5], 0.55f + 0.15f);
    EXPECT_EQ(high[10 * w + 5], (0.55f + 0.1f) + 0.15f);
    // The cell corner (lx = ly = 0) is outside every diamond.
    EXPECT_EQ(low[0], 0.55f);
    EXPECT_EQ(high[0], 0.55f + 0.1f);
    for (const float v : low) {
        EXPECT_GE(v, 0.55f);
        EXPECT_LE(v, 0.55f + 0.15f);
    }
    for (const float v : high) {
        EXPECT_GE(v, 0.65f);
        EXPECT_LE(v, (0.55f + 0.1f) + 0.15f);  // 0.80 up to rounding
    }
}

TEST(EggCrate, AxesGivePowOfPointThree) {
    const int w = 50;
    const int h = 40;
    const std::vector<float> zero(w * h, 0.0f);
    const FloatField egg = generateEggCratePattern(zero, w, h, 10.0f);
    const float axis = fpow(0.3f, 1.2f);
    EXPECT_NEAR(axis, 0.2358f, 1e-4f);
    for (int x = 0; x < w; ++x) EXPECT_EQ(egg[x], axis);
    for (int y = 0; y < h; ++y) EXPECT_EQ(egg[y * w], axis);
    // A bump top: sin(x / 10) and sin(y / 10) near 1 at x = y = 16 (pi * 5).
    const float s = fsin(16.0f / 10.0f);
    EXPECT_EQ(egg[16 * w + 16], fpow(std::fabs(s * s) * 0.3f + 0.3f, 1.2f));
}

// Every pixel, the last column and row included, against the formula
// evaluated per pixel with no per-column cache, on a field that is not flat
// and an image that is neither square nor a multiple of any tile.
TEST(EggCrate, EveryPixelMatchesThePerPixelFormula) {
    const int w = 37;
    const int h = 23;
    const std::vector<float> field = reference::testField(w, h, 9);
    for (const float p : {10.0f, 3.3f, -6.0f}) {
        std::vector<float> expected(field.size());
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const float bumps =
                    std::fabs(fsin(static_cast<float>(x) / p) * fsin(static_cast<float>(y) / p)) *
                    0.3f;
                const float v = fpow((field[y * w + x] * 0.5f + bumps) + 0.3f, 1.2f);
                expected[y * w + x] = reference::clampf(v, 0.0f, 1.0f);
            }
        }
        EXPECT_TRUE(bitIdentical(expected, generateEggCratePattern(field, w, h, p), w))
            << "param " << p;
    }
}

TEST(TiledShapes, EveryValueInUnitRange) {
    const int w = 70;
    const int h = 50;
    const std::vector<float> field = reference::testField(w, h, 3);
    for (const float p : {0.4f, 1.0f, 3.7f, 12.0f, 64.0f, -6.0f}) {
        for (const FloatField& f :
             {generateStaggeredDiscPattern(field, w, h, p), generateCheckerPattern(w, h, p),
              generateDiamondPattern(field, w, h, p), generateEggCratePattern(field, w, h, p)}) {
            ASSERT_EQ(f.size(), field.size());
            for (const float v : f) {
                EXPECT_GE(v, 0.0f) << "param " << p;
                EXPECT_LE(v, 1.0f) << "param " << p;
            }
        }
    }
}

}  // namespace
}  // namespace proctex
