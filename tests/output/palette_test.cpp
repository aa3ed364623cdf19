#include "output/palette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

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

// The plain per-pixel ramp of every material, against the vector rows:
// heights across and beyond 0..1, the 0.5 switch, -0, NaN and infinities,
// at lengths that leave partial blocks.
TEST(Palette, VectorRampsEqualThePlainLoop) {
    const float inf = std::numeric_limits<float>::infinity();
    FloatField heights = {0.0f, -0.0f,         0.5f,  std::nextafter(0.5f, 0.0f),
                          1.0f, -0.3f,         1.7f,  inf,
                          -inf, std::nanf(""), 0.25f, 0.75f};
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> value(-0.2f, 1.2f);
    for (int k = 0; k < 1000; ++k) heights.push_back(value(rng));
    for (int material = -1; material <= 9; ++material) {
        for (std::size_t length : {heights.size(), std::size_t{7}, std::size_t{3}}) {
            const FloatField field(heights.begin(), heights.begin() + length);
            const ColorField colors = colorize(field, material);
            ASSERT_EQ(colors.size(), length);
            const Color3 stops[3] = {colorize({0.0f}, material)[0], colorize({0.5f}, material)[0],
                                     colorize({1.0f}, material)[0]};
            const bool threeStops = material >= 2 && material <= 7;
            for (std::size_t i = 0; i < length; ++i) {
                const float h = field[i];
                const Color3 expected =
                    !threeStops ? lerpColor({0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, h)
                    : h < 0.5f  ? lerpColor(stops[0], stops[1], h * 2.0f)
                                : lerpColor(stops[1], stops[2], (h - 0.5f) * 2.0f);
                const float got[] = {colors[i].r, colors[i].g, colors[i].b};
                const float want[] = {expected.r, expected.g, expected.b};
                for (int c = 0; c < 3; ++c) {
                    ASSERT_TRUE(std::isnan(want[c]) ? std::isnan(got[c])
                                                    : std::memcmp(&got[c], &want[c], 4) == 0)
                        << "material " << material << " height " << h << " channel " << c;
                }
            }
        }
    }
}

}  // namespace
}  // namespace proctex
