#include "material/palette.h"

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

// Every ramp goes from dark to light: each channel never falls as the height
// rises, is continuous where the two halves meet at 0.5, and holds its end
// values beyond 0 and 1.
TEST(Palette, RampsRiseContinuouslyAndHoldTheirEnds) {
    FloatField heights;
    for (int k = 0; k <= 512; ++k) heights.push_back(static_cast<float>(k) / 512.0f);
    for (int material = 0; material <= 8; ++material) {
        SCOPED_TRACE(material);
        const ColorField c = colorize(heights, material);
        for (std::size_t i = 1; i < c.size(); ++i) {
            ASSERT_GE(c[i].r, c[i - 1].r) << heights[i];
            ASSERT_GE(c[i].g, c[i - 1].g) << heights[i];
            ASSERT_GE(c[i].b, c[i - 1].b) << heights[i];
        }
        const Color3 below = colorize({std::nextafter(0.5f, 0.0f)}, material)[0];
        const Color3 mid = colorize({0.5f}, material)[0];
        EXPECT_NEAR(below.r, mid.r, 1e-6f);
        EXPECT_NEAR(below.g, mid.g, 1e-6f);
        EXPECT_NEAR(below.b, mid.b, 1e-6f);
        const ColorField ends = colorize({-2.0f, 0.0f, 1.0f, 3.0f}, material);
        expectColor(ends[0], ends[1].r, ends[1].g, ends[1].b);
        expectColor(ends[3], ends[2].r, ends[2].g, ends[2].b);
    }
}

// Each material looks like its name: the dominant channel of its middle
// colour, marble that tops out at white, and no two materials alike.
TEST(Palette, MaterialsHaveTheirCharacterAndDiffer) {
    const auto midOf = [](int material) { return colorize({0.5f}, material)[0]; };
    const Color3 wood = midOf(2);
    EXPECT_TRUE(wood.r > wood.g && wood.g > wood.b);  // brown
    const Color3 green = midOf(5);
    EXPECT_TRUE(green.g > green.r && green.g > green.b);
    const Color3 blue = midOf(6);
    EXPECT_TRUE(blue.b > blue.r && blue.b > blue.g);
    const Color3 lava = midOf(7);
    EXPECT_TRUE(lava.r > lava.g && lava.g > lava.b);
    for (const int grey : {3, 4}) {  // marble and stone: near-neutral
        const Color3 c = midOf(grey);
        EXPECT_NEAR(c.r, c.b, 0.05f) << grey;
        EXPECT_EQ(c.r, c.g) << grey;
    }
    expectColor(colorize({1.0f}, 3)[0], 1.0f, 1.0f, 1.0f);

    const FloatField probe = {0.0f, 0.5f, 1.0f};
    for (int a = 1; a <= 8; ++a) {
        for (int b = a + 1; b <= 8; ++b) {
            const bool bothGrey = (a == 1 || a == 8) && (b == 1 || b == 8);
            if (bothGrey) continue;  // 1 and 8 share the black-to-white ramp
            const ColorField ca = colorize(probe, a);
            const ColorField cb = colorize(probe, b);
            bool differ = false;
            for (std::size_t i = 0; i < probe.size(); ++i) {
                differ = differ || ca[i].r != cb[i].r || ca[i].g != cb[i].g || ca[i].b != cb[i].b;
            }
            EXPECT_TRUE(differ) << a << " and " << b;
        }
    }
}

// Each palette runs through its middle colour without a jump and each
// channel moves one way within each half.
TEST(Palette, RampsAreContinuousAndMonotoneInEachHalf) {
    FloatField heights;
    for (int i = 0; i <= 100; ++i) heights.push_back(static_cast<float>(i) / 100.0f);
    for (int material = 2; material <= 7; ++material) {
        const ColorField c = colorize(heights, material);
        for (int channel = 0; channel < 3; ++channel) {
            auto at = [&](int i) { return channel == 0 ? c[i].r : channel == 1 ? c[i].g : c[i].b; };
            for (int from : {0, 50}) {
                const float direction = at(from + 50) - at(from);
                for (int i = from; i < from + 50; ++i) {
                    EXPECT_GE((at(i + 1) - at(i)) * direction, 0.0f) << material << " " << i;
                }
            }
            EXPECT_NEAR(at(49), at(50), 0.02f) << material;
        }
    }
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
