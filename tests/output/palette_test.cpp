#include "output/palette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace proctex {
namespace {

void expectColor(const Color3& c, float r, float g, float b) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
}

TEST(Palette, StopsOfEveryMaterial) {
    struct Stops {
        int material;
        Color3 low, mid, high;
    };
    const Stops table[] = {
        {2, {0.25f, 0.15f, 0.05f}, {0.55f, 0.35f, 0.15f}, {0.75f, 0.55f, 0.25f}},
        {3, {0.3f, 0.3f, 0.35f}, {0.9f, 0.9f, 0.92f}, {1.0f, 1.0f, 1.0f}},
        {4, {0.25f, 0.25f, 0.28f}, {0.5f, 0.5f, 0.53f}, {0.75f, 0.75f, 0.78f}},
        {5, {0.15f, 0.25f, 0.08f}, {0.35f, 0.55f, 0.18f}, {0.55f, 0.75f, 0.35f}},
        {6, {0.05f, 0.15f, 0.35f}, {0.15f, 0.35f, 0.65f}, {0.35f, 0.65f, 0.95f}},
        {7, {0.15f, 0.0f, 0.0f}, {0.9f, 0.35f, 0.0f}, {1.0f, 0.95f, 0.3f}},
    };
    for (const Stops& s : table) {
        SCOPED_TRACE(s.material);
        const ColorField c = colorize({0.0f, 0.5f, 1.0f, -2.0f, 3.0f}, s.material);
        expectColor(c[0], s.low.r, s.low.g, s.low.b);
        expectColor(c[1], s.mid.r, s.mid.g, s.mid.b);
        // At the top the ramp computes mid + (high - mid) * 1, which may round off high.
        const Color3 top = {s.mid.r + (s.high.r - s.mid.r), s.mid.g + (s.high.g - s.mid.g),
                            s.mid.b + (s.high.b - s.mid.b)};
        expectColor(c[2], top.r, top.g, top.b);
        expectColor(c[3], s.low.r, s.low.g, s.low.b);  // clamped below
        expectColor(c[4], top.r, top.g, top.b);        // clamped above
    }
}

TEST(Palette, InterpolatesDifferenceTimesTPlusLow) {
    const ColorField c = colorize({0.25f, 0.75f}, 2);
    // Lower half: t = h * 2; upper half: t = (h - 0.5) * 2.
    EXPECT_EQ(c[0].r, 0.25f + (0.55f - 0.25f) * 0.5f);
    EXPECT_EQ(c[1].g, 0.35f + (0.55f - 0.35f) * 0.5f);
}

TEST(Palette, OtherMaterialsAreBlackToWhite) {
    for (int material : {0, 1, 8, 9, -1, 1000}) {
        const ColorField c = colorize({0.3f, -1.0f, 2.0f}, material);
        expectColor(c[0], 0.3f, 0.3f, 0.3f);
        expectColor(c[1], 0.0f, 0.0f, 0.0f);
        expectColor(c[2], 1.0f, 1.0f, 1.0f);
    }
}

TEST(Palette, NaNTakesTheUpperBranchAndStaysNaN) {
    const ColorField c = colorize({std::numeric_limits<float>::quiet_NaN()}, 3);
    EXPECT_TRUE(std::isnan(c[0].r));
    EXPECT_TRUE(std::isnan(c[0].b));
    EXPECT_TRUE(colorize({}, 5).empty());
}

}  // namespace
}  // namespace proctex
