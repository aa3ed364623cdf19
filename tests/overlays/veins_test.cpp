#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/fmath.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"

namespace proctex {
namespace {

// The plain algorithm: the private generator's fractal field,
// then 1 - |sin(x / veinScale + noise * 7)|.
FloatField veinsReference(int width, int height, float veinScale, int32_t seed, bool seamless) {
    const auto noiseSeed = static_cast<int32_t>(static_cast<uint32_t>(int64_t{seed} + 1000));
    const FloatField noiseData = TextureGenerator(width, height, 80.0f, 4, noiseSeed, seamless)
                                     .generateFractalBase(0.5f, 2.0f);
    FloatField overlay(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const float quotient = static_cast<float>(x) / veinScale;
            const float a = quotient + noiseData[i] * 7.0f;
            overlay[i] = 1.0f - std::fabs(fsin(a));
        }
    }
    return overlay;
}

bool sameBits(const FloatField& a, const FloatField& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

TEST(Veins, MatchesThePlainAlgorithm) {
    const int32_t seeds[] = {0,
                             42,
                             -1,
                             std::numeric_limits<int32_t>::max(),
                             std::numeric_limits<int32_t>::max() - 999,
                             std::numeric_limits<int32_t>::min()};
    for (int32_t seed : seeds) {
        for (float veinScale : {20.0f, 3.5f, -12.0f, 1000.0f, 0.01f}) {
            for (bool seamless : {false, true}) {
                EXPECT_TRUE(sameBits(generateVeins(97, 65, veinScale, seed, seamless),
                                     veinsReference(97, 65, veinScale, seed, seamless)))
                    << "seed " << seed << " scale " << veinScale << " seamless " << seamless;
            }
        }
    }
}

TEST(Veins, IdenticalBetweenCalls) {
    EXPECT_TRUE(sameBits(generateVeins(160, 120, 25.0f, 9, false),
                         generateVeins(160, 120, 25.0f, 9, false)));
    EXPECT_TRUE(
        sameBits(generateVeins(160, 120, 25.0f, 9, true), generateVeins(160, 120, 25.0f, 9, true)));
}

TEST(Veins, SeedAndSeamlessReachTheNoise) {
    const FloatField base = generateVeins(160, 160, 25.0f, 9, false);
    EXPECT_FALSE(sameBits(base, generateVeins(160, 160, 25.0f, 10, false)));
    EXPECT_FALSE(sameBits(base, generateVeins(160, 160, 25.0f, 9, true)));
}

TEST(Veins, ValuesStayInUnitRange) {
    for (float veinScale : {25.0f, -25.0f, 0.5f, -1e-3f}) {
        const FloatField f = generateVeins(128, 96, veinScale, 3, false);
        float lo = 1.0f, hi = 0.0f;
        for (float v : f) {
            ASSERT_GE(v, 0.0f) << veinScale;
            ASSERT_LE(v, 1.0f) << veinScale;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        EXPECT_LT(lo, 0.05f);  // between the lines
        EXPECT_GT(hi, 0.95f);  // on the lines
    }
}

TEST(Veins, EmptySizeGivesEmptyField) {
    EXPECT_TRUE(generateVeins(0, 10, 25.0f, 0, false).empty());
    EXPECT_TRUE(generateVeins(10, 0, 25.0f, 0, true).empty());
}

}  // namespace
}  // namespace proctex
