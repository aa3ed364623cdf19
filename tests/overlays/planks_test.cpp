#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"
#include "planks_reference.h"

namespace proctex {
namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

// Bit-for-bit equality (distinguishes -0 from 0, compares NaNs by pattern).
::testing::AssertionResult sameBits(const FloatField& a, const FloatField& b) {
    if (a.size() != b.size()) {
        return ::testing::AssertionFailure() << "sizes " << a.size() << " and " << b.size();
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0) {
            return ::testing::AssertionFailure()
                   << "first difference at index " << i << ": " << a[i] << " vs " << b[i];
        }
    }
    return ::testing::AssertionSuccess();
}

float at(const FloatField& f, int width, int x, int y) {
    return f[static_cast<std::size_t>(y) * width + x];
}

TEST(Planks, PlainModeExample256x64) {
    const FloatField f = generatePlanks(256, 64, 100.0f, 0, false);
    ASSERT_EQ(f.size(), 256u * 64u);
    EXPECT_EQ(at(f, 256, 10, 5), 0.16464405f);
    EXPECT_EQ(at(f, 256, 110, 5), 0.1251066f);
    EXPECT_EQ(at(f, 256, 10, 25), 0.19607687f);
    EXPECT_EQ(at(f, 256, 48, 25), 0.19607687f);
    EXPECT_EQ(at(f, 256, 52, 25), 0.09186965f);
    // Exactly the first draw of the engine for each plank seed.
    EXPECT_EQ(at(f, 256, 10, 5), drawPlank(0, false).plankColor);
    EXPECT_EQ(at(f, 256, 110, 5), drawPlank(1, false).plankColor);
    EXPECT_EQ(at(f, 256, 10, 25), drawPlank(1000, false).plankColor);
    EXPECT_EQ(at(f, 256, 52, 25), drawPlank(1001, false).plankColor);

    const int seams[][2] = {{0, 5},   {1, 5},   {10, 0},  {10, 1},   {10, 20},
                            {10, 21}, {50, 25}, {51, 25}, {150, 25}, {151, 25}};
    for (const auto& p : seams) EXPECT_EQ(at(f, 256, p[0], p[1]), 0.6f) << p[0] << "," << p[1];
    const int planks[][2] = {{2, 5}, {10, 2}, {10, 22}, {52, 25}};
    for (const auto& p : planks) EXPECT_LT(at(f, 256, p[0], p[1]), 0.3f) << p[0] << "," << p[1];
}

TEST(Planks, SeamRule) {
    const FloatField f = generatePlanks(256, 64, 100.0f, 0, false);
    for (int y = 0; y < 64; ++y) {
        const int course = y / 20;
        for (int x = 0; x < 256; ++x) {
            const int lx = course % 2 == 0 ? x % 100 : (x + 50) % 100;
            const bool seam = lx < 2 || y % 20 < 2;
            const float v = at(f, 256, x, y);
            if (seam) {
                EXPECT_EQ(v, 0.6f) << x << "," << y;
            } else {
                EXPECT_TRUE(v >= 0.0f && v < 0.3f) << x << "," << y << ": " << v;
            }
        }
    }
}

TEST(Planks, GrainDrawsForSeedZero) {
    const PlankDraws d = drawPlank(0, true);
    EXPECT_EQ(d.grainOffset, 54.881348f);
    EXPECT_EQ(d.colorShift, 0.018568918f);
    // g and the plain-mode value come from the same first engine output.
    EXPECT_EQ(d.grainOffset / 100.0f, drawPlank(0, false).plankColor / 0.3f);
}

TEST(Planks, GrainModePixelFormula) {
    const int w = 256, h = 64;
    const FloatField f = generatePlanks(w, h, 100.0f, 0, true);
    const FloatField grain =
        TextureGenerator(w, h, 50.0f, 3, 7000, false).generateFractalBase(0.5f, 2.0f);
    const PlankDraws d = drawPlank(0, true);
    for (int y : {2, 5, 19}) {
        for (int x : {2, 10, 99}) {
            const float ly = static_cast<float>(y);
            const float expected = grain[static_cast<std::size_t>(y) * w + x] * 0.2f +
                                   fsin((ly + d.grainOffset) / 3.0f) * 0.15f + d.colorShift;
            EXPECT_EQ(at(f, w, x, y), expected) << x << "," << y;
        }
    }
    for (float v : f) EXPECT_TRUE(v == 0.6f || (v >= -0.25f && v <= 0.45f)) << v;
}

TEST(Planks, PlankSeedWrapsIn32Bits) {
    EXPECT_EQ(plankSeed(0, 0, 0), 0);
    EXPECT_EQ(plankSeed(0, 1, 1), 1001);
    EXPECT_EQ(plankSeed(kMax, 0, 1), kMin);
    EXPECT_EQ(plankSeed(kMax, 1, 0), kMin + 999);
    EXPECT_EQ(plankSeed(kMin, 0, -1), kMax);
    EXPECT_EQ(plankSeed(0, 2147484, 0), static_cast<int32_t>(-2147483296LL));
    EXPECT_EQ(plankSeed(-5, kMin, 3),
              static_cast<int32_t>(static_cast<uint32_t>(int64_t{-5} + int64_t{kMin} * 1000 + 3)));
}

TEST(Planks, PerPlankDrawsEqualPerPixelSeeding) {
    const int32_t seeds[] = {0,          1,           42,   -1,       7,     kMax,      kMax - 1,
                             kMax - 999, kMax - 5000, kMin, kMin + 1, -7000, 123456789, -987654321};
    const float lengths[] = {100.0f, 128.0f, 10.0f,  10.5f,  11.0f,  17.3f,   25.0f,
                             64.0f,  7.0f,   0.001f, 1e-44f, 333.3f, 1000.0f, 1e30f};
    for (bool withGrain : {false, true}) {
        for (int32_t seed : seeds) {
            for (float length : lengths) {
                for (const auto& [w, h] : {std::pair{61, 47}, std::pair{1, 1}}) {
                    ASSERT_TRUE(sameBits(generatePlanks(w, h, length, seed, withGrain),
                                         planksPerPixel(w, h, length, seed, withGrain)))
                        << w << "x" << h << " length " << length << " seed " << seed << " grain "
                        << withGrain;
                }
            }
        }
    }
}

TEST(Planks, PerPlankDrawsEqualPerPixelSeedingRandomised) {
    std::mt19937 pick(20240611u);
    std::uniform_int_distribution<int32_t> anySeed(kMin, kMax);
    std::uniform_int_distribution<int> size(1, 150);
    std::uniform_real_distribution<float> length(9.0f, 400.0f);
    for (int n = 0; n < 150; ++n) {
        // Every third seed sits just below the wrap so that col and row push it over.
        const int32_t seed = n % 3 == 0 ? kMax - (anySeed(pick) & 0xFFFF) : anySeed(pick);
        const int w = size(pick);
        const int h = size(pick);
        const float len = length(pick);
        const bool withGrain = n % 2 == 1;
        ASSERT_TRUE(sameBits(generatePlanks(w, h, len, seed, withGrain),
                             planksPerPixel(w, h, len, seed, withGrain)))
            << w << "x" << h << " length " << len << " seed " << seed << " grain " << withGrain;
    }
}

TEST(Planks, LargeImagesEqualPerPixelSeeding) {
    for (bool withGrain : {false, true}) {
        ASSERT_TRUE(sameBits(generatePlanks(300, 200, 128.0f, kMax - 3, withGrain),
                             planksPerPixel(300, 200, 128.0f, kMax - 3, withGrain)));
        ASSERT_TRUE(sameBits(generatePlanks(257, 131, 37.77f, -123, withGrain),
                             planksPerPixel(257, 131, 37.77f, -123, withGrain)));
    }
}

TEST(Planks, TinyPlanksAreAllSeam) {
    for (float length : {9.9f, 5.0f, 1.0f, 0.001f, 1e-44f}) {
        for (float v : generatePlanks(40, 30, length, 3, true)) ASSERT_EQ(v, 0.6f) << length;
    }
}

TEST(Planks, SharedSeedsShareValues) {
    // 1001 planks of length 10.5 in course 0: column 1000 has seed 1000, like
    // course 1, column 0.
    const float length = 10.5f;
    const PlankDraws a = drawPlank(plankSeed(5, 0, 1000), false);
    const PlankDraws b = drawPlank(plankSeed(5, 1, 0), false);
    EXPECT_EQ(a.plankColor, b.plankColor);
    const int w = 10600;
    const FloatField f = generatePlanks(w, 3, length, 5, false);
    // x = 10502 lies in column 1000 of course 0 (1000 * 10.5 = 10500, lx = 2).
    EXPECT_EQ(at(f, w, 10502, 2), a.plankColor);
}

}  // namespace
}  // namespace proctex
