#include <gtest/gtest.h>

#include <vector>

#include "pattern_reference.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

// The pattern of a 1 x n field holding the given heights.
FloatField toneCurve(const std::vector<float>& heights, float p) {
    return generateToneCurvePattern(heights, static_cast<int>(heights.size()), 1, p);
}
FloatField dampedExtremes(const std::vector<float>& heights, float p) {
    return generateDampedExtremesPattern(heights, static_cast<int>(heights.size()), 1, p);
}

TEST(ToneCurve, GammaIsLimitedToHalfToThree) {
    const std::vector<float> field = reference::testField(50, 20, 4);
    EXPECT_EQ(generateToneCurvePattern(field, 50, 20, 10.0f),
              generateToneCurvePattern(field, 50, 20, 3.0f));
    EXPECT_EQ(generateToneCurvePattern(field, 50, 20, 0.1f),
              generateToneCurvePattern(field, 50, 20, 0.5f));
    EXPECT_EQ(generateToneCurvePattern(field, 50, 20, 0.0f),
              generateToneCurvePattern(field, 50, 20, 0.5f));
    EXPECT_NE(generateToneCurvePattern(field, 50, 20, 2.0f),
              generateToneCurvePattern(field, 50, 20, 3.0f));
}

TEST(ToneCurve, PinnedValues) {
    EXPECT_NEAR(toneCurve({0.5f}, 3.0f)[0], 0.88988f, 1e-5f);
    // Gamma 1 is the plain smoothstep.
    EXPECT_EQ(toneCurve({0.25f, 0.5f}, 1.0f), (FloatField{0.15625f, 0.5f}));
    // 0 stays 0 and 1 stays 1 for every gamma.
    for (const float g : {0.5f, 1.0f, 2.2f, 3.0f}) {
        EXPECT_EQ(toneCurve({0.0f, 1.0f}, g), (FloatField{0.0f, 1.0f}));
    }
}

TEST(DampedExtremes, PinnedValues) {
    const FloatField one = dampedExtremes({0.0f, 0.5f, 1.0f}, 1.0f);
    EXPECT_NEAR(one[0], 0.21f, 1e-7f);
    EXPECT_NEAR(one[1], 0.65f, 1e-7f);
    EXPECT_NEAR(one[2], 0.7f, 1e-7f);
    // pow(x, 0) = 1 even for x = 0: every value is base * 0.7.
    EXPECT_NEAR(dampedExtremes({0.5f}, 0.0f)[0], 0.455f, 1e-7f);
    EXPECT_EQ(dampedExtremes({0.0f, 0.5f, 1.0f}, 0.0f),
              (FloatField{0.3f * 0.7f, 0.65f * 0.7f, 1.0f * 0.7f}));
    // A negative exponent: pow(0, -1) is infinite at h = 0.5, clamped to 0.
    EXPECT_EQ(dampedExtremes({0.5f}, -1.0f)[0], 0.0f);
}

TEST(ToneCurves, EveryValueInUnitRange) {
    const std::vector<float> field = reference::testField(64, 32, 5);
    for (const float p : {0.2f, 1.0f, 2.5f, 7.0f}) {
        for (const FloatField& f : {generateToneCurvePattern(field, 64, 32, p),
                                    generateDampedExtremesPattern(field, 64, 32, p)}) {
            for (const float v : f) {
                EXPECT_GE(v, 0.0f);
                EXPECT_LE(v, 1.0f);
            }
        }
    }
}

}  // namespace
}  // namespace proctex
