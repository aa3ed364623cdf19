// Presets that read as their names: measurable traits of the materials whose
// look was tuned, so that a later retune cannot quietly flatten them again.
#include <gtest/gtest.h>
#include <proctex.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/presets.h"

namespace proctex {
namespace {

struct Rendered {
    ProctexMaps* maps = nullptr;
    const unsigned char* diffuse = nullptr;
    const unsigned char* normal = nullptr;
    const unsigned char* roughness = nullptr;
    const unsigned char* metallic = nullptr;
    const float* relief = nullptr;
    int diffuseChannels = 0;
    int size = 0;

    explicit Rendered(const char* preset, int side = 256) : size(side) {
        ProctexSettings s;
        EXPECT_EQ(proctex_preset_settings(preset, &s, sizeof s), PROCTEX_OK) << preset;
        // A crop of the look each preset has at 512.
        s.width = s.height = size;
        s.units = PROCTEX_UNITS_PIXELS;
        char why[256] = "";
        const unsigned wanted =
            PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) |
            PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS) | PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC) |
            PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT);
        EXPECT_EQ(proctex_generate(&s, wanted, &maps, why, sizeof why), PROCTEX_OK)
            << preset << ": " << why;
        if (maps == nullptr) return;
        diffuse =
            proctex_maps_pixels(maps, PROCTEX_MAP_DIFFUSE, nullptr, nullptr, &diffuseChannels);
        normal = proctex_maps_pixels(maps, PROCTEX_MAP_NORMAL, nullptr, nullptr, nullptr);
        roughness = proctex_maps_pixels(maps, PROCTEX_MAP_ROUGHNESS, nullptr, nullptr, nullptr);
        metallic = proctex_maps_pixels(maps, PROCTEX_MAP_METALLIC, nullptr, nullptr, nullptr);
        relief = proctex_maps_height(maps, nullptr, nullptr);
    }
    ~Rendered() { proctex_maps_free(maps); }
    Rendered(const Rendered&) = delete;
    Rendered& operator=(const Rendered&) = delete;

    double channel(int x, int y, int c) const {
        return diffuse[(y * size + x) * diffuseChannels + (diffuseChannels == 1 ? 0 : c)];
    }
    double luminance(int x, int y) const {
        return (channel(x, y, 0) + channel(x, y, 1) + channel(x, y, 2)) / 3.0;
    }
    // Mean distance of one normal channel (0 = x slope, 1 = y slope) from flat.
    double slope(int c) const {
        double sum = 0.0;
        for (int i = 0; i < size * size; ++i) sum += std::abs(normal[i * 3 + c] - 127.5);
        return sum / (size * size);
    }
    // Bare metal reflects nearly the same colour everywhere (its relief shows
    // in the normals); what tone it has is in how rough it is.
    bool isMetal() const { return metallic != nullptr && metallic[0] >= 230; }
    double luminanceDeviation() const {
        double sum = 0.0, squares = 0.0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const double v = isMetal() ? roughness[y * size + x] : luminance(x, y);
                sum += v;
                squares += v * v;
            }
        }
        const double n = size * size, mean = sum / n;
        return std::sqrt(squares / n - mean * mean);
    }
};

TEST(PresetLooks, RetunedPresetsHaveVisibleToneAndRelief) {
    const char* retuned[] = {"brushed-steel", "ceramic-tiles", "hammered-copper", "diamond-plate",
                             "sand-ripples"};
    for (const char* name : retuned) {
        const Rendered r(name, 512);
        ASSERT_NE(r.diffuse, nullptr) << name;
        EXPECT_GT(r.luminanceDeviation(), r.isMetal() ? 2.0 : 6.0) << name;
        EXPECT_GT(r.slope(0) + r.slope(1), 12.0) << name;
    }
}

// Brushing runs along the rows, so the normal map tilts up and down (green)
// far more than sideways (red).
TEST(PresetLooks, BrushedSteelNormalMapShowsHorizontalBrushing) {
    // At 512 x 512 the scratches (at most 500) no longer cover the brushing.
    const Rendered r("brushed-steel", 512);
    ASSERT_NE(r.normal, nullptr);
    EXPECT_GT(r.slope(1), 35.0);
    EXPECT_GT(r.slope(1), 3.0 * r.slope(0));
}

// Tiles of 128 x 64 pixels in running bond: every course starts with three
// rows of grout, and the middle rows of a course are glaze except at the
// vertical joints.
TEST(PresetLooks, CeramicTilesHaveDarkGroutBetweenLightGlaze) {
    const Rendered r("ceramic-tiles");
    ASSERT_NE(r.diffuse, nullptr);
    double grout = 0.0, glaze = 0.0;
    int groutCount = 0, glazeCount = 0;
    for (int y = 0; y < r.size; ++y) {
        const int inCourse = y % 64;
        const int shift = (y / 64) % 2 == 1 ? 64 : 0;
        for (int x = 0; x < r.size; ++x) {
            const int inTile = (x + shift) % 128;
            if (inCourse <= 1) {
                grout += r.luminance(x, y), ++groutCount;
            } else if (inCourse >= 16 && inCourse < 48 && inTile >= 16 && inTile < 112) {
                glaze += r.luminance(x, y), ++glazeCount;
            }
        }
    }
    grout /= groutCount;
    glaze /= glazeCount;
    EXPECT_GT(glaze, 200.0);
    EXPECT_GT(glaze - grout, 60.0);
}

// Copper, not lava: bare metal, red above green above blue, with much blue
// left, as copper's measured reflectance has, not a saturated orange; and
// dented: the middles of the cells sink below their rims.
TEST(PresetLooks, HammeredCopperIsAWarmMetal) {
    const Rendered r("hammered-copper");
    ASSERT_NE(r.diffuse, nullptr);
    ASSERT_EQ(r.diffuseChannels, 3);
    double rgb[3] = {0.0, 0.0, 0.0};
    for (int y = 0; y < r.size; ++y) {
        for (int x = 0; x < r.size; ++x) {
            for (int c = 0; c < 3; ++c) rgb[c] += r.channel(x, y, c);
        }
    }
    EXPECT_TRUE(r.isMetal());
    EXPECT_GT(rgb[0], 1.1 * rgb[1]);
    EXPECT_GT(rgb[1], 1.03 * rgb[2]);
    EXPECT_GT(rgb[2], 0.6 * rgb[0]);
    EXPECT_GT(rgb[0] / (r.size * r.size), 200.0);
    double low = 1.0, high = 0.0;
    for (int i = 0; i < r.size * r.size; ++i) {
        low = std::min(low, double(r.relief[i]));
        high = std::max(high, double(r.relief[i]));
    }
    EXPECT_GT(high - low, 0.4);  // dents deep enough to read
}

// Diamonds on a 40-pixel grid whose columns lean half a pixel per row: each
// diamond's centre must stand out from the plate at its cell's corner (in
// the relief: the bare metal's colour barely changes). At 240 pixels the
// tiling grid is that very grid (6 cells, a lean of 3 cells).
TEST(PresetLooks, DiamondPlateLozengesStandOutFromThePlate) {
    const Rendered r("diamond-plate", 240);
    ASSERT_NE(r.relief, nullptr);
    // The plate is the relief's commonest level; the lozenges stand well
    // above it and cover a fair share of it, not a field of dots.
    std::vector<float> sorted(r.relief, r.relief + r.size * r.size);
    std::sort(sorted.begin(), sorted.end());
    const float plate = sorted[sorted.size() / 4];
    const float top = sorted[sorted.size() * 95 / 100];
    EXPECT_GT(top - plate, 0.3f);
    const auto raised = std::count_if(sorted.begin(), sorted.end(),
                                      [&](float v) { return v > plate + 0.5f * (top - plate); });
    EXPECT_GT(raised, long(sorted.size()) / 10);
    EXPECT_LT(raised, long(sorted.size()) / 2);
    // Raised enough to catch the light.
    EXPECT_GT(r.slope(0) + r.slope(1), 12.0);
}

}  // namespace
}  // namespace proctex

namespace proctex {
namespace {

double linearOf(unsigned char byte) {
    const double c = byte / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Each preset's diffuse map, over its whole tile, averages a luminance within
// 15 % of its material's published albedo range (the sources sit beside the
// presets), and no pixel of a dielectric leaves the range real surfaces
// reflect.
TEST(PresetLooks, AlbedoLiesWithinItsMaterialsMeasuredRange) {
    int measured = 0;
    for (const Preset& preset : presets()) {
        ProctexSettings s = presetSettings(preset);
        s.width = s.height = 192;
        ProctexMaps* maps = nullptr;
        char why[PROCTEX_REASON_SIZE] = "";
        const unsigned wanted =
            PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC);
        ASSERT_EQ(proctex_generate(&s, wanted, &maps, why, sizeof why), PROCTEX_OK) << why;
        const unsigned char* rgb =
            proctex_maps_pixels(maps, PROCTEX_MAP_DIFFUSE, nullptr, nullptr, nullptr);
        const unsigned char* metal =
            proctex_maps_pixels(maps, PROCTEX_MAP_METALLIC, nullptr, nullptr, nullptr);
        double sum = 0.0;
        const int pixels = s.width * s.height;
        for (int i = 0; i < pixels; ++i) {
            const unsigned char* p = rgb + 3 * i;
            sum += 0.2126 * linearOf(p[0]) + 0.7152 * linearOf(p[1]) + 0.0722 * linearOf(p[2]);
            if (metal[i] == 0) {
                ASSERT_GE(*std::min_element(p, p + 3), 30) << preset.name << " pixel " << i;
                ASSERT_LE(*std::max_element(p, p + 3), 241) << preset.name << " pixel " << i;
            }
        }
        proctex_maps_free(maps);
        if (preset.albedo.high == 0.0f) continue;
        ++measured;
        const double mean = sum / pixels;
        EXPECT_GE(mean, 0.85 * preset.albedo.low) << preset.name;
        EXPECT_LE(mean, 1.15 * preset.albedo.high) << preset.name;
    }
    EXPECT_GE(2 * measured, static_cast<int>(presets().size()));  // most are measured
}

}  // namespace
}  // namespace proctex
