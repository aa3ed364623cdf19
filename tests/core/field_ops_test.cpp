#include "core/field_ops.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>

namespace proctex {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Clamp, BoundsAndNaN) {
    EXPECT_EQ(clamp(-0.5f, 0.0f, 1.0f), 0.0f);
    EXPECT_EQ(clamp(1.5f, 0.0f, 1.0f), 1.0f);
    EXPECT_EQ(clamp(0.25f, 0.0f, 1.0f), 0.25f);
    EXPECT_TRUE(std::isnan(clamp(kNaN, 0.0f, 1.0f)));
}

// The product is taken in size_t, so it does not wrap beyond INT32_MAX.
TEST(FieldSize, ProductDoesNotOverflowInt) {
    EXPECT_EQ(fieldSize(46341, 46341), std::size_t{2147488281});  // just above INT32_MAX
    EXPECT_EQ(fieldSize(65536, 65536), std::size_t{1} << 32);     // 0 in 32-bit arithmetic
    EXPECT_EQ(fieldSize(7, 3), std::size_t{21});
}

TEST(ApplyContrast, ScalesAroundMidGreyAndClamps) {
    FloatField zero = {0.0f, 0.3f, 1.0f};
    applyContrast(zero, 0.0f);
    EXPECT_EQ(zero, FloatField({0.5f, 0.5f, 0.5f}));

    FloatField reversed = {0.2f, 1.4f};
    applyContrast(reversed, -1.0f);
    EXPECT_FLOAT_EQ(reversed[0], 0.8f);
    EXPECT_EQ(reversed[1], 0.0f);  // 1 - 1.4 clamped

    FloatField doubled = {0.8f, 0.3f};
    applyContrast(doubled, 2.0f);
    EXPECT_EQ(doubled[0], 1.0f);
    EXPECT_NEAR(doubled[1], 0.1f, 1e-6f);
}

TEST(ApplyBrightness, AddsAndClamps) {
    FloatField field = {0.9f, 0.1f};
    applyBrightness(field, 0.25f);
    EXPECT_EQ(field[0], 1.0f);
    EXPECT_FLOAT_EQ(field[1], 0.35f);

    FloatField darker = {0.0f, 0.5f, 1.0f};
    applyBrightness(darker, -1.0f);
    EXPECT_EQ(darker, FloatField({0.0f, 0.0f, 0.0f}));
}

TEST(ApplyInvert, DoesNotClamp) {
    FloatField field = {1.5f, 0.25f, -1.0f};
    applyInvert(field);
    EXPECT_EQ(field, FloatField({-0.5f, 0.75f, 2.0f}));
}

TEST(BlendOverlay, CarvesScaledOverlayAndClamps) {
    FloatField field = {0.2f, 0.9f, 1.7f, -0.3f};
    blendOverlay(field, FloatField{0.3f, 0.5f, 0.0f, 0.0f}, 1.0f);
    EXPECT_EQ(field[0], 0.0f);
    EXPECT_FLOAT_EQ(field[1], 0.4f);
    EXPECT_EQ(field[2], 1.0f);  // strength does not matter: out-of-range values are clamped
    EXPECT_EQ(field[3], 0.0f);

    FloatField unchanged = {0.2f, 0.6f};
    blendOverlay(unchanged, FloatField{0.9f, 0.9f}, 0.0f);
    EXPECT_EQ(unchanged, FloatField({0.2f, 0.6f}));

    FloatField raised = {0.5f, 0.9f};
    blendOverlay(raised, FloatField{0.2f, 0.5f}, -1.0f);
    EXPECT_FLOAT_EQ(raised[0], 0.7f);
    EXPECT_EQ(raised[1], 1.0f);
}

}  // namespace
}  // namespace proctex
