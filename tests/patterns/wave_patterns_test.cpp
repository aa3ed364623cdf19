#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "pattern_reference.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

TEST(Ring, FlatFieldGivesRingsAroundTheCentre) {
    const int w = 64;
    const int h = 48;
    const std::vector<float> zero(w * h, 0.0f);
    const FloatField ring = generateRingPattern(zero, w, h, 8.0f, false);
    // The centre (32, 24): d = 0, sin(0) = 0, so 0.5 * 0.5 + 0.3 * 0.5.
    EXPECT_EQ(ring[24 * w + 32], 0.5f * 0.5f + 0.3f * 0.5f);
    // Elsewhere 0.15 + 0.25 * (sin(2 * 3.14159 * d / p) + 1), within [0.15, 0.65].
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float d =
                std::hypot(static_cast<float>(x) - 32.0f, static_cast<float>(y) - 24.0f);
            const float v = ring[y * w + x];
            EXPECT_NEAR(v, 0.15f + 0.25f * (fsin(2.0f * 3.14159f * d / 8.0f) + 1.0f), 2e-6f);
            EXPECT_GE(v, 0.15f);
            EXPECT_LE(v, 0.65f);
        }
    }
}

TEST(Ring, UsesThreePointOneFourOneFiveNineNotPi) {
    // Pixel (1, 0) of a 2 x 1 image is 0.5 from the centre (1, 0.5). At
    // r = d / p = 1000 the two constants are 0.0053 rad apart.
    const std::vector<float> zero(2, 0.0f);
    const float p = 0.0005f;
    const float r = 0.5f / p;
    const FloatField ring = generateRingPattern(zero, 2, 1, p, false);
    const float with3 =
        clamp((fsin(r * 3.14159f * 2.0f) * 0.5f + 0.5f) * 0.5f + 0.3f * 0.5f, 0.0f, 1.0f);
    const float withPi = (fsin(r * 3.14159265f * 2.0f) * 0.5f + 0.5f) * 0.5f + 0.3f * 0.5f;
    EXPECT_EQ(ring[1], with3);
    EXPECT_GT(std::fabs(ring[1] - withPi), 5e-4f);
}

TEST(Groove, ValuesBetweenGrooveFloorAndBase) {
    const int w = 90;
    const int h = 60;
    const std::vector<float> field = reference::testField(w, h, 2);
    for (const float p : {3.0f, 8.0f, 31.0f, -4.0f}) {
        const FloatField groove = generateGroovePattern(field, w, h, p, false);
        for (std::size_t i = 0; i < groove.size(); ++i) {
            EXPECT_GE(groove[i], 0.45f);
            EXPECT_LE(groove[i], 1.0f);
            EXPECT_LE(groove[i], field[i] * 0.15f + 0.85f);  // never above its base
        }
    }
    // On a groove line (sin t = 0): base - 0.4.
    const std::vector<float> zero(4, 0.0f);
    EXPECT_EQ(generateGroovePattern(zero, 2, 2, 8.0f, false)[0], 0.85f - 0.4f);
}

// The groove formula evaluated in double with the standard library: the
// slant, the bend by the field, the exponent and the depth all show, and
// only the float rounding (well below 1e-4) separates the two.
TEST(Groove, AgreesWithTheFormulaInDouble) {
    const int w = 90;
    const int h = 60;
    const std::vector<float> field = reference::testField(w, h, 4);
    for (const float p : {7.0f, 2.5f}) {
        const FloatField groove = generateGroovePattern(field, w, h, p, false);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const double hv = field[y * w + x];
                const double t = (x + 0.6 * y) / p + 8.0 * hv;
                const double s = 1.0 - std::pow(std::fabs(std::sin(t)), 1.5);
                const double expected = std::clamp(hv * 0.15 + 0.85 - 0.4 * s, 0.0, 1.0);
                ASSERT_NEAR(groove[y * w + x], expected, 1e-4) << x << ", " << y << ", " << p;
            }
        }
    }
}

// The banded-knot value of one pixel with the knot distance computed as
// written (in double precision) or all in single precision.
float bandedKnot(float x, float y, float h, float p, bool doubleDistance) {
    const float base = 0.45f + h * 0.2f;
    const float band = fsin(y / p + h * 3.0f) * 0.15f;
    const float lines = fsin(y / (p * 0.2f)) * 0.03f;
    const float kx = ffmod(x, p * 3.0f) - p * 1.5f;
    const float ky = ffmod(y, p * 5.0f) - p * 2.5f;
    const float dist = doubleDistance ? static_cast<float>(std::sqrt(static_cast<double>(kx) * kx +
                                                                     static_cast<double>(ky) * ky))
                                      : fsqrt(kx * kx + ky * ky);
    float knot = 0.0f;
    if (dist < p * 0.5f) knot = (1.0f - dist / (p * 0.5f)) * -0.2f;
    const float wave = fsin(x / (p * 2.0f)) * 0.08f;
    return clamp((((base + band) + lines) + knot) + wave, 0.0f, 1.0f);
}

TEST(BandedKnot, KnotCentresAndKnotFreeCorner) {
    const int w = 60;
    const int h = 100;
    const std::vector<float> zero(w * h, 0.0f);
    const FloatField knots = generateBandedKnotPattern(zero, w, h, 10.0f);
    // (0, 0): kx = -15, ky = -25, outside every knot; every term is 0.
    EXPECT_EQ(knots[0], 0.45f);
    // Knot centres (15, 25), (45, 25) and (15, 75) are 0.2 darker than the
    // same pixel without a knot.
    for (const auto& [x, y] : {std::pair{15, 25}, {45, 25}, {15, 75}}) {
        const float fx = static_cast<float>(x);
        const float fy = static_cast<float>(y);
        const float noKnot = clamp(((0.45f + fsin(fy / 10.0f) * 0.15f) + fsin(fy / 2.0f) * 0.03f) +
                                       fsin(fx / 20.0f) * 0.08f,
                                   0.0f, 1.0f);
        EXPECT_NEAR(knots[y * w + x], noKnot - 0.2f, 1e-6f) << x << ", " << y;
    }
}

TEST(BandedKnot, KnotDistanceIsTakenInDoublePrecision) {
    // Pixels where the single-precision distance would change the value pin
    // the double-precision step.
    int discriminating = 0;
    for (const float p : {10.0f, 7.3f, 13.7f, 3.1f}) {
        const int w = 120;
        const int h = 120;
        const std::vector<float> field = reference::testField(w, h, 6);
        const FloatField knots = generateBandedKnotPattern(field, w, h, p);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const float hv = field[y * w + x];
                const float fx = static_cast<float>(x);
                const float fy = static_cast<float>(y);
                const float expected = bandedKnot(fx, fy, hv, p, true);
                ASSERT_EQ(knots[y * w + x], expected) << x << ", " << y << ", param " << p;
                if (bandedKnot(fx, fy, hv, p, false) != expected) ++discriminating;
            }
        }
    }
    EXPECT_GT(discriminating, 0);
}

}  // namespace
}  // namespace proctex
