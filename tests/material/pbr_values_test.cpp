// The per-pixel rules of the PBR maps: the caller's colour ramp, the ranges
// base colours keep, where metal shows, the glow.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "material/metal_colors.h"
#include "material/palette.h"
#include "material/pbr_maps.h"
#include "material/quantize.h"

namespace proctex {
namespace {

TEST(ColorStopRamp, HoldsTheEndsInterpolatesBetweenAndStepsAtEqualPositions) {
    const ColorStop stops[] = {{{1.0f, 0.0f, 0.0f}, 0.2f},
                               {{0.0f, 1.0f, 0.0f}, 0.6f},
                               {{0.0f, 0.0f, 1.0f}, 0.6f},
                               {{1.0f, 1.0f, 1.0f}, 1.0f}};
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<float> heights = {-1.0f, 0.2f, 0.4f, 0.6f, 0.6000001f, 0.8f, 1.0f, 7.0f, nan};
    std::vector<Color3> c(heights.size());
    colorStopRampInto(heights.data(), heights.size(), stops, 4, c.data());
    EXPECT_EQ(c[0].r, 1.0f);  // below the first stop: its colour
    EXPECT_EQ(c[1].r, 1.0f);
    EXPECT_FLOAT_EQ(c[2].r, 0.5f);  // halfway red to green
    EXPECT_FLOAT_EQ(c[2].g, 0.5f);
    EXPECT_EQ(c[3].b, 1.0f);  // at a doubled position (a hard edge): the upper colour
    EXPECT_GT(c[4].b, 0.99f);
    EXPECT_FLOAT_EQ(c[5].r, 0.5f);
    EXPECT_EQ(c[6].g, 1.0f);
    EXPECT_EQ(c[7].b, 1.0f);  // beyond the last stop
    EXPECT_EQ(c[8].r, 1.0f);  // NaN: the first colour, never NaN bytes
    // A hard edge at the first stop: the upper colour from its position on.
    const ColorStop edge[] = {{{1.0f, 0.0f, 0.0f}, 0.5f}, {{0.0f, 0.0f, 1.0f}, 0.5f}};
    const float atEdge[] = {0.49f, 0.5f, 0.51f};
    colorStopRampInto(atEdge, 3, edge, 2, c.data());
    EXPECT_EQ(c[0].r, 1.0f);
    EXPECT_EQ(c[1].b, 1.0f);
    EXPECT_EQ(c[2].b, 1.0f);
    const ColorStop one[] = {{{0.25f, 0.5f, 0.75f}, 0.5f}};
    colorStopRampInto(heights.data(), heights.size(), one, 1, c.data());
    for (const Color3& color : c) EXPECT_EQ(color.b, 0.75f);
}

// Whatever the material's colours, dielectric bytes stay in 30..240 and bare
// metal at a luminance of 180 or more, for every metal.
TEST(PbrBaseColors, KeepDielectricAndMetalRanges) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<Color3> extremes = {
        {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, {-2.0f, 3.0f, 0.5f}, {nan, 0.0f, 1.0f}};
    for (int metalType = PROCTEX_METAL_TYPE_IRON; metalType <= PROCTEX_METAL_TYPE_CHROME;
         ++metalType) {
        for (float metal : {0.0f, 1.0f}) {
            PbrLook look;
            look.metal = metal;
            look.metalType = metalType;
            std::vector<Color3> colors = extremes;
            const std::vector<float> relief(colors.size(), 0.5f);
            pbrBaseColors(relief.data(), colors.size(), look, colors.data());
            for (const Color3& c : colors) {
                const int r = quantize(c.r), g = quantize(c.g), b = quantize(c.b);
                if (metal == 0.0f) {
                    for (int v : {r, g, b}) {
                        EXPECT_GE(v, 30);
                        EXPECT_LE(v, 240);
                    }
                } else {
                    EXPECT_GE(0.2126 * r + 0.7152 * g + 0.0722 * b, 180.0) << metalType;
                }
            }
        }
    }
    // Copper and gold are warm, aluminium and chrome neutral.
    EXPECT_GT(metalColor(PROCTEX_METAL_TYPE_COPPER).r,
              metalColor(PROCTEX_METAL_TYPE_COPPER).b + 0.15f);
    EXPECT_GT(metalColor(PROCTEX_METAL_TYPE_GOLD).g, metalColor(PROCTEX_METAL_TYPE_GOLD).b + 0.2f);
    EXPECT_NEAR(metalColor(PROCTEX_METAL_TYPE_CHROME).r, metalColor(PROCTEX_METAL_TYPE_CHROME).b,
                0.01f);
    EXPECT_EQ(metalColor(99).r, metalColor(PROCTEX_METAL_TYPE_IRON).r);
    // Each metal its own colour: none falls back to another's.
    for (int a = PROCTEX_METAL_TYPE_IRON; a <= PROCTEX_METAL_TYPE_CHROME; ++a) {
        for (int b = a + 1; b <= PROCTEX_METAL_TYPE_CHROME; ++b) {
            const Color3 x = metalColor(a), y = metalColor(b);
            EXPECT_TRUE(x.r != y.r || x.g != y.g || x.b != y.b) << a << " and " << b;
        }
    }
}

// The mask turns from one side to the other within a narrow band around the
// pit level, so few pixels are neither metal nor not.
TEST(PbrMetallic, MaskTurnsWithinANarrowBand) {
    PbrLook look;
    look.metal = 1.0f;
    const std::vector<float> relief = {0.0f, kPitLevel - 0.04f, kPitLevel, kPitLevel + 0.04f, 1.0f};
    std::vector<float> metallic(relief.size());
    look.metalMask = PROCTEX_METAL_MASK_TOPS;
    pbrMetallicValues(relief.data(), relief.size(), look, metallic.data());
    EXPECT_EQ(metallic[0], 0.0f);
    EXPECT_EQ(metallic[1], 0.0f);
    EXPECT_FLOAT_EQ(metallic[2], 0.5f);
    EXPECT_EQ(metallic[3], 1.0f);
    look.metalMask = PROCTEX_METAL_MASK_PITS;
    pbrMetallicValues(relief.data(), relief.size(), look, metallic.data());
    EXPECT_EQ(metallic[0], 1.0f);
    EXPECT_EQ(metallic[4], 0.0f);
    // Rust is rougher than the bare metal at the same height.
    std::vector<float> rough(relief.size());
    look.roughness = 0.3f;
    pbrRoughnessValues(relief.data(), relief.size(), look, rough.data());
    look.metalMask = PROCTEX_METAL_MASK_NONE;
    std::vector<float> bare(relief.size());
    pbrRoughnessValues(relief.data(), relief.size(), look, bare.data());
    EXPECT_GT(rough[4], bare[4] + 0.3f);
    EXPECT_EQ(rough[0], bare[0]);
    EXPECT_GT(bare[0], bare[4]);  // crevices rougher than tops
}

TEST(PbrEmission, GlowsBelowTheLevelOnlyAndHotterDeeper) {
    PbrLook look;
    look.emission = 3.0f;
    look.emissionLevel = 0.3f;
    const std::vector<float> relief = {0.0f, 0.2f, 0.29f,
                                       0.3f, 0.9f, std::numeric_limits<float>::quiet_NaN()};
    std::vector<Color3> glow(relief.size());
    emissiveColors(relief.data(), relief.size(), look, glow.data());
    EXPECT_EQ(quantize(glow[0].r), 255);
    EXPECT_GT(glow[0].g, glow[1].g);
    EXPECT_GT(glow[1].r, glow[2].r);
    EXPECT_GT(glow[2].r, 0.0f);
    for (std::size_t i = 3; i < relief.size(); ++i) {
        EXPECT_EQ(glow[i].r + glow[i].g + glow[i].b, 0.0f) << i;
    }
}

}  // namespace
}  // namespace proctex
