#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "pattern_reference.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

bool sameBits(float a, float b) {
    uint32_t ua = 0;
    uint32_t ub = 0;
    std::memcpy(&ua, &a, sizeof a);
    std::memcpy(&ub, &b, sizeof b);
    return ua == ub;
}

// Compares two fields bit for bit and reports the first difference.
::testing::AssertionResult fieldsIdentical(const std::vector<float>& expected,
                                           const std::vector<float>& actual, int width) {
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure()
               << "sizes " << expected.size() << " and " << actual.size();
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (!sameBits(expected[i], actual[i])) {
            return ::testing::AssertionFailure()
                   << "pixel (" << i % width << ", " << i / width << "): expected " << expected[i]
                   << ", got " << actual[i];
        }
    }
    return ::testing::AssertionSuccess();
}

std::vector<reference::Point> toReferencePoints(const std::vector<FeaturePoint>& points) {
    std::vector<reference::Point> out;
    for (const auto& p : points) out.push_back({p.x, p.y});
    return out;
}

// The fast search, and the per-pixel bucket search the benchmarks compare it
// with, against the plain loop: f1 and f2 bit for bit.
::testing::AssertionResult searchMatchesPlainLoop(const std::vector<FeaturePoint>& points,
                                                  int width, int height) {
    const float maxDist = cellMaxDist(width, height);
    std::vector<float> f1;
    std::vector<float> f2;
    reference::plainNearestTwo(toReferencePoints(points), width, height, maxDist, f1, f2);
    const NearestTwo fast = nearestTwoDistances(points, width, height, maxDist);
    ::testing::AssertionResult r1 = fieldsIdentical(f1, fast.f1, width);
    if (!r1) return r1 << " (f1)";
    ::testing::AssertionResult r2 = fieldsIdentical(f2, fast.f2, width);
    if (!r2) return r2 << " (f2)";
    std::vector<float> g1;
    std::vector<float> g2;
    reference::perPixelGridNearestTwo(toReferencePoints(points), width, height, maxDist, g1, g2);
    ::testing::AssertionResult r3 = fieldsIdentical(f1, g1, width);
    if (!r3) return r3 << " (per-pixel grid f1)";
    ::testing::AssertionResult r4 = fieldsIdentical(f2, g2, width);
    if (!r4) return r4 << " (per-pixel grid f2)";
    return ::testing::AssertionSuccess();
}

TEST(CellPattern, PointCounts) {
    EXPECT_EQ(cellPointCount(512, 512, 16.0f), 512);
    EXPECT_EQ(cellPointCount(1024, 1024, 16.0f), 2048);
    EXPECT_EQ(cellPointCount(1024, 1024, 4.0f), 32768);
    // 64 x 64 with 32: 4096 / 2048 = 2, raised to the minimum of 10.
    EXPECT_EQ(cellPointCount(64, 64, 32.0f), 10);
    EXPECT_EQ(cellPointCount(1, 1, 16.0f), 10);
    // A negative parameter is squared: the same count as its absolute value.
    EXPECT_EQ(cellPointCount(512, 512, -16.0f), 512);
    // Quotients beyond the int32 range (and the zero and NaN the stage
    // rejects) truncate to INT32_MIN, so the count becomes 10.
    EXPECT_EQ(cellPointCount(1024, 1024, 1e-3f), 10);
    EXPECT_EQ(cellPointCount(512, 512, 0.0f), 10);
    EXPECT_EQ(cellPointCount(512, 512, std::numeric_limits<float>::quiet_NaN()), 10);
    EXPECT_EQ(cellPointCount(512, 512, std::numeric_limits<float>::infinity()), 10);
    // Just inside the int32 range there is no upper bound.
    EXPECT_EQ(cellPointCount(100, 100, 0.5f), 20000);
}

TEST(CellPattern, PointsAreDrawnXThenYFromSeedPlus500) {
    std::mt19937 rng(542u);
    const std::vector<FeaturePoint> points = drawCellPoints(40, 30, 12, 42);
    ASSERT_EQ(points.size(), 12u);
    for (const FeaturePoint& p : points) {
        const float x = static_cast<float>(rng() >> 8) * 0x1p-24f * 40.0f + 0.0f;
        const float y = static_cast<float>(rng() >> 8) * 0x1p-24f * 30.0f + 0.0f;
        EXPECT_EQ(p.x, x);
        EXPECT_EQ(p.y, y);
        EXPECT_GE(p.x, 0.0f);
        EXPECT_LT(p.x, 40.0f);
        EXPECT_GE(p.y, 0.0f);
        EXPECT_LT(p.y, 30.0f);
    }
    // seed + 500 wraps: INT32_MAX + 500 seeds the engine with 2^31 + 499.
    std::mt19937 wrapped(2147483648u + 499u);
    const std::vector<FeaturePoint> w = drawCellPoints(10, 10, 1, 2147483647);
    EXPECT_EQ(w[0].x, static_cast<float>(wrapped() >> 8) * 0x1p-24f * 10.0f);
}

TEST(CellPattern, MaxDistUses64BitSquares) {
    EXPECT_EQ(cellMaxDist(3, 4), 5.0f);
    // 50000^2 overflows 32 bits; the 64-bit sum gives the true diagonal.
    EXPECT_EQ(cellMaxDist(50000, 1), std::sqrt(static_cast<float>(2500000001LL)));
    EXPECT_TRUE(std::isfinite(cellMaxDist(50000, 1)));
}

TEST(CellPattern, FastSearchMatchesPlainLoopOverSeedsSizesAndParams) {
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{1, 1},  {1, 2},  {2, 1},   {1, 37},  {37, 1},  {3, 3},    {7, 5},
                          {16, 9}, {31, 1}, {1, 100}, {64, 64}, {97, 53}, {128, 40}, {40, 128}};
    const float params[] = {16.0f, 4.0f, 2.0f,  1.0f,    0.7f,  0.5f,
                            3.3f,  8.0f, 32.0f, 1000.0f, -5.0f, -16.0f};
    int cases = 0;
    for (const Size s : sizes) {
        for (const float p : params) {
            for (const int32_t seed : {0, 1, 42, -7, 2147483647}) {
                const int32_t n = cellPointCount(s.w, s.h, p);
                if (static_cast<int64_t>(n) * s.w * s.h > 40'000'000) continue;
                const std::vector<FeaturePoint> points = drawCellPoints(s.w, s.h, n, seed);
                ASSERT_TRUE(searchMatchesPlainLoop(points, s.w, s.h))
                    << s.w << " x " << s.h << ", param " << p << ", seed " << seed;
                ++cases;
            }
        }
    }
    EXPECT_GT(cases, 500);
}

TEST(CellPattern, FastSearchMatchesPlainLoopOnLargerImages) {
    for (const int32_t seed : {3, 99}) {
        for (const float p : {16.0f, 6.0f}) {
            const int w = 256;
            const int h = 160;
            const std::vector<FeaturePoint> points =
                drawCellPoints(w, h, cellPointCount(w, h, p), seed);
            EXPECT_TRUE(searchMatchesPlainLoop(points, w, h)) << "param " << p;
        }
    }
}

TEST(CellPattern, FastSearchHandlesTiesAndPointsOnPixels) {
    // Points placed symmetrically about pixels so that two (or four) are at
    // exactly the same distance, and points exactly on pixels.
    std::vector<FeaturePoint> points = {
        {10.0f, 10.0f},  {14.0f, 10.0f},  {12.0f, 12.0f}, {12.0f, 8.0f},  // equal from (12, 10)
        {3.5f, 20.0f},   {5.5f, 20.0f},                                   // equal from (4.5..)
        {30.0f, 5.0f},   {30.0f, 5.0f},                                   // a repeated point
        {20.25f, 30.0f}, {20.75f, 30.0f}, {0.0f, 0.0f},   {39.0f, 39.0f},
        {25.0f, 25.0f},  {27.0f, 27.0f},  {25.0f, 27.0f}, {27.0f, 25.0f}};
    ASSERT_TRUE(searchMatchesPlainLoop(points, 40, 40));

    const NearestTwo fast = nearestTwoDistances(points, 40, 40, cellMaxDist(40, 40));
    const auto at = [](const FloatField& f, int x, int y) { return f[y * 40 + x]; };
    // (12, 10) is 2 from four points: f2 == f1.
    EXPECT_EQ(at(fast.f1, 12, 10), 2.0f);
    EXPECT_EQ(at(fast.f2, 12, 10), 2.0f);
    // (26, 26) is sqrt(2) from four points.
    EXPECT_EQ(at(fast.f1, 26, 26), at(fast.f2, 26, 26));
    // A point lying on a pixel gives f1 = 0; the repeated point gives f2 = 0 too.
    EXPECT_EQ(at(fast.f1, 10, 10), 0.0f);
    EXPECT_EQ(at(fast.f1, 30, 5), 0.0f);
    EXPECT_EQ(at(fast.f2, 30, 5), 0.0f);

    // Regular lattices: ties everywhere.
    for (const float spacing : {1.0f, 2.0f, 3.0f, 0.5f, 4.0f}) {
        std::vector<FeaturePoint> lattice;
        for (float y = 0.0f; y < 33.0f; y += spacing) {
            for (float x = 0.0f; x < 29.0f; x += spacing) lattice.push_back({x, y});
        }
        EXPECT_TRUE(searchMatchesPlainLoop(lattice, 29, 33)) << "spacing " << spacing;
    }
}

TEST(CellPattern, FastSearchWithFewPointsKeepsMaxDist) {
    // No point, one point, points only in a corner of a long image: f2 stays
    // maxDist wherever fewer than two points are nearer.
    EXPECT_TRUE(searchMatchesPlainLoop({}, 13, 7));
    EXPECT_TRUE(searchMatchesPlainLoop({{3.0f, 2.0f}}, 13, 7));
    EXPECT_TRUE(searchMatchesPlainLoop({{0.1f, 0.2f}, {0.3f, 0.1f}}, 300, 2));
    EXPECT_TRUE(searchMatchesPlainLoop({{0.5f, 0.5f}, {0.5f, 0.5f}}, 1, 1));
    const NearestTwo one = nearestTwoDistances({{3.0f, 2.0f}}, 13, 7, cellMaxDist(13, 7));
    EXPECT_EQ(one.f1[2 * 13 + 3], 0.0f);
    EXPECT_EQ(one.f2[2 * 13 + 3], cellMaxDist(13, 7));
}

TEST(CellPattern, FastSearchWithClusteredAndRandomPoints) {
    std::mt19937 rng(7);
    for (int trial = 0; trial < 40; ++trial) {
        const int w = 1 + static_cast<int>(rng() % 90);
        const int h = 1 + static_cast<int>(rng() % 90);
        const int n = 1 + static_cast<int>(rng() % 300);
        std::vector<FeaturePoint> points;
        // Clusters snapped to quarter pixels make many exact ties.
        const float cx = static_cast<float>(rng() % w);
        const float cy = static_cast<float>(rng() % h);
        for (int i = 0; i < n; ++i) {
            float x = 0.0f;
            float y = 0.0f;
            if (i % 3 == 0) {
                x = static_cast<float>(rng() % (4 * w)) / 4.0f;
                y = static_cast<float>(rng() % (4 * h)) / 4.0f;
            } else {
                x = std::fmin(std::fmax(cx + static_cast<float>(rng() % 9) - 4.0f, 0.0f),
                              static_cast<float>(w) - 0.25f);
                y = std::fmin(std::fmax(cy + static_cast<float>(rng() % 9) - 4.0f, 0.0f),
                              static_cast<float>(h) - 0.25f);
            }
            points.push_back({x, y});
        }
        ASSERT_TRUE(searchMatchesPlainLoop(points, w, h))
            << "trial " << trial << ": " << w << " x " << h << ", " << n << " points";
    }
}

TEST(CellPattern, WholePatternMatchesPlainReference) {
    struct Case {
        int w, h;
        float p;
        int32_t seed;
    };
    const Case cases[] = {{64, 64, 8.0f, 1},   {64, 64, 32.0f, 2}, {1, 1, 16.0f, 3},
                          {1, 50, 3.0f, 4},    {50, 1, 3.0f, 5},   {100, 70, 5.5f, 6},
                          {80, 80, -6.0f, 7},  {33, 21, 0.9f, 8},  {128, 96, 16.0f, -1},
                          {20, 20, 1e-20f, 9}, {20, 20, 1e30f, 10}};
    for (const Case& c : cases) {
        const std::vector<float> field = reference::testField(c.w, c.h, 11);
        const std::vector<float> expected =
            reference::plainCellPattern(field, c.w, c.h, c.p, c.seed);
        const FloatField actual = generateCellPattern(field, c.w, c.h, c.p, c.seed);
        EXPECT_TRUE(fieldsIdentical(expected, actual, c.w))
            << c.w << " x " << c.h << ", param " << c.p << ", seed " << c.seed;
    }
}

TEST(CellPattern, DensePatternsMatchPlainReference) {
    // Parameters 2 to 4 put many points into each tile of the search; the
    // shading runs over every tile row.
    for (const float p : {2.0f, 3.0f, 4.0f}) {
        for (const int32_t seed : {12, -3}) {
            const int w = 120;
            const int h = 88;
            const std::vector<float> field = reference::testField(w, h, 13);
            const std::vector<float> expected = reference::plainCellPattern(field, w, h, p, seed);
            const FloatField actual = generateCellPattern(field, w, h, p, seed);
            EXPECT_TRUE(fieldsIdentical(expected, actual, w)) << "param " << p << ", seed " << seed;
        }
    }
}

TEST(CellPattern, NegativeParamLightsEveryPixel) {
    const int w = 48;
    const int h = 40;
    const std::vector<float> field = reference::testField(w, h, 5);
    const FloatField pattern = generateCellPattern(field, w, h, -6.0f, 42);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        EXPECT_EQ(pattern[i], reference::clampf(0.8f + field[i] * 0.2f, 0.0f, 1.0f));
    }
}

TEST(CellPattern, BordersPeakAndInteriorsKeepAFifthOfTheField) {
    // Where f2 - f1 reaches patternParam / 2 the value is 0.2 h; where the
    // two nearest points are equally far (f2 == f1) it is clamp(0.8 + 0.2 h).
    const int w = 64;
    const int h = 64;
    const std::vector<float> field = reference::testField(w, h, 9);
    const std::vector<FeaturePoint> points = drawCellPoints(w, h, cellPointCount(w, h, 8.0f), 3);
    const NearestTwo nearest = nearestTwoDistances(points, w, h, cellMaxDist(w, h));
    const FloatField pattern = generateCellPattern(field, w, h, 8.0f, 3);
    int interiors = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        EXPECT_GE(pattern[i], 0.0f);
        EXPECT_LE(pattern[i], 1.0f);
        if (nearest.f2[i] == nearest.f1[i]) {
            EXPECT_EQ(pattern[i], 0.8f + field[i] * 0.2f);
        }
        if (nearest.f2[i] - nearest.f1[i] >= 4.0f) {
            ++interiors;
            EXPECT_EQ(pattern[i], field[i] * 0.2f);
        }
    }
    EXPECT_GT(interiors, 100);
}

TEST(CellPattern, DeterministicAndSeedDependent) {
    const std::vector<float> field = reference::testField(96, 64, 1);
    const FloatField a = generateCellPattern(field, 96, 64, 8.0f, 42);
    const FloatField b = generateCellPattern(field, 96, 64, 8.0f, 42);
    const FloatField c = generateCellPattern(field, 96, 64, 8.0f, 43);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST(CellPattern, FastSearchOnRaggedSizesWithTiesAndUnevenDensity) {
    // Sizes that are no multiple of the tile or chunk side, lattices (ties
    // everywhere) and points crowded into a narrow strip, so that a tile's
    // bound taken from the tile before it is loose or the previous tile has
    // fewer than two candidates.
    const int sizes[][2] = {{61, 23}, {23, 61}, {5, 130}, {130, 5}, {9, 9}, {70, 3}};
    for (const auto& size : sizes) {
        const int w = size[0];
        const int h = size[1];
        for (const float spacing : {0.5f, 1.0f, 2.5f, 4.0f, 7.0f}) {
            std::vector<FeaturePoint> lattice;
            for (float y = 0.0f; y < static_cast<float>(h); y += spacing) {
                for (float x = 0.0f; x < static_cast<float>(w); x += spacing) {
                    lattice.push_back({x, y});
                }
            }
            EXPECT_TRUE(searchMatchesPlainLoop(lattice, w, h))
                << w << " x " << h << ", lattice " << spacing;
        }
        std::mt19937 rng(static_cast<unsigned>(w * 131 + h));
        for (int trial = 0; trial < 6; ++trial) {
            std::vector<FeaturePoint> points;
            const int dense = 50 + static_cast<int>(rng() % 400);
            const float stripX = static_cast<float>(rng() % static_cast<unsigned>(w));
            for (int i = 0; i < dense; ++i) {
                const float x = std::fmin(stripX + static_cast<float>(rng() % 8) / 4.0f,
                                          static_cast<float>(w) - 0.25f);
                const float y = static_cast<float>(rng() % static_cast<unsigned>(4 * h)) / 4.0f;
                points.push_back({x, y});
            }
            for (int i = 0; i < trial; ++i) {
                points.push_back({static_cast<float>(rng() % static_cast<unsigned>(w)),
                                  static_cast<float>(rng() % static_cast<unsigned>(h))});
            }
            ASSERT_TRUE(searchMatchesPlainLoop(points, w, h))
                << w << " x " << h << ", trial " << trial << ", " << points.size() << " points";
        }
    }
}

}  // namespace
}  // namespace proctex
