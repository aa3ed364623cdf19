// Layers over a material: the text form, the masks and what each layer
// does to the maps where it shows, and nowhere else.
#include <gtest/gtest.h>
#include <proctex.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 256;

struct Maps {
    std::vector<unsigned char> diffuse, metallic, roughness, curvature, id;
    std::vector<unsigned char> firstMask;  // the first layer's, as kept with the maps
    std::vector<float> height;
};

std::vector<unsigned char> copyOf(const ProctexMaps* maps, int map, std::size_t channels) {
    const unsigned char* p = proctex_maps_pixels(maps, map, nullptr, nullptr, nullptr);
    return p ? std::vector<unsigned char>(p, p + std::size_t(kSide) * kSide * channels)
             : std::vector<unsigned char>();
}

// A preset at kSide in pixel units (its 512 look, cropped) with these layers.
ProctexSettings preset(const char* name, const char* layers) {
    ProctexSettings s;
    EXPECT_EQ(proctex_preset_settings(name, &s, sizeof s), PROCTEX_OK);
    s.width = s.height = kSide;
    s.units = PROCTEX_UNITS_PIXELS;
    char why[PROCTEX_REASON_SIZE] = "";
    EXPECT_EQ(proctex_layers_parse(layers, &s, why, sizeof why), PROCTEX_OK) << why;
    return s;
}

Maps render(const ProctexSettings& s) {
    ProctexMaps* maps = nullptr;
    char why[PROCTEX_REASON_SIZE] = "";
    EXPECT_EQ(
        proctex_generate(&s, PROCTEX_MAPS_ALL | PROCTEX_KEEP_LAYER_MASKS, &maps, why, sizeof why),
        PROCTEX_OK)
        << why;
    Maps out;
    if (maps == nullptr) return out;
    out.diffuse = copyOf(maps, PROCTEX_MAP_DIFFUSE, 3);
    out.metallic = copyOf(maps, PROCTEX_MAP_METALLIC, 1);
    out.roughness = copyOf(maps, PROCTEX_MAP_ROUGHNESS, 1);
    out.curvature = copyOf(maps, PROCTEX_MAP_CURVATURE, 1);
    out.id = copyOf(maps, PROCTEX_MAP_ID, 3);
    if (const unsigned char* mask = proctex_maps_layer_mask(maps, 0, nullptr, nullptr))
        out.firstMask.assign(mask, mask + std::size_t(kSide) * kSide);
    EXPECT_EQ(proctex_maps_layer_mask(maps, s.layerCount, nullptr, nullptr), nullptr);
    const float* h = proctex_maps_height(maps, nullptr, nullptr);
    out.height.assign(h, h + std::size_t(kSide) * kSide);
    proctex_maps_free(maps);
    return out;
}

bool isJoint(const Maps& m, std::size_t i) {  // the id map's joints are black
    return m.id[i * 3] == 0 && m.id[i * 3 + 1] == 0 && m.id[i * 3 + 2] == 0;
}

TEST(Layers, TextRoundTripsAndRefusalsNameTheLayerAndKey) {
    ProctexSettings s;
    proctex_settings_init(&s);
    char why[PROCTEX_REASON_SIZE] = "";
    const char* text =
        "mask=joints color=#8F8A82 roughness=0.9 height=-0.04;"
        "  mask=height invert=1 threshold=0.35 mask2=noise combine=min noise-scale=40 "
        "color=#4d5a2a color2=#6b7435 metal-type=copper";
    ASSERT_EQ(proctex_layers_parse(text, &s, why, sizeof why), PROCTEX_OK) << why;
    ASSERT_EQ(s.layerCount, 2);
    EXPECT_EQ(s.layers[0].mask, PROCTEX_MASK_JOINTS);
    EXPECT_EQ(s.layers[1].combine, PROCTEX_COMBINE_MIN);
    EXPECT_EQ(s.layers[1].metalType, PROCTEX_METAL_TYPE_COPPER);
    EXPECT_EQ(s.layers[0].color2[1], s.layers[0].color[1]);  // no color2: the same colour
    char printed[1024];
    ASSERT_LT(proctex_layers_text(&s, printed, sizeof printed), sizeof printed);
    ProctexSettings again;
    proctex_settings_init(&again);
    ASSERT_EQ(proctex_layers_parse(printed, &again, why, sizeof why), PROCTEX_OK) << printed;
    EXPECT_EQ(std::memcmp(s.layers, again.layers, sizeof s.layers), 0) << printed;
    EXPECT_NE(std::string(printed).find("mask=joints"), std::string::npos) << printed;

    const std::pair<const char*, std::vector<std::string>> refused[] = {
        {"mask=joints; colour=#ffffff", {"layer 2", "colour=#ffffff", "known key"}},
        {"mask=cracks", {"layer 1 mask", "joints", "cracks"}},
        {"mask=all; roughness=3", {"layer 2 roughness", "from 0 to 1"}},
        {"color=#12345", {"layer 1 color", "#rrggbb"}},
        {"a=1;b=2", {"layer 1"}},
        {"mask=all;mask=all;mask=all;mask=all;mask=all;mask=all;mask=all;mask=all;mask=all",
         {"at most 8 layers"}}};
    for (const auto& [bad, words] : refused) {
        ProctexSettings t = again;
        EXPECT_EQ(proctex_layers_parse(bad, &t, why, sizeof why), PROCTEX_ERROR_SETTINGS) << bad;
        for (const std::string& w : words)
            EXPECT_NE(std::string(why).find(w), std::string::npos) << why;
        EXPECT_EQ(std::memcmp(&t, &again, sizeof t), 0) << bad;  // untouched
    }
    // The settings check holds set members to the same rules and names the option.
    again.layers[1].roughness = 3.0f;
    int option = -1;
    EXPECT_EQ(proctex_settings_refusal(&again, &option, why, sizeof why), PROCTEX_ERROR_SETTINGS);
    EXPECT_NE(std::string(why).find("layers[1].roughness"), std::string::npos) << why;
    EXPECT_EQ(option, proctex_option_find("layers"));
    EXPECT_EQ(proctex_layers_parse("", &again, why, sizeof why), PROCTEX_OK);
    EXPECT_EQ(again.layerCount, 0);
}

// The keys' table drives the text: every key set away from its default
// reads back the same, and a value past its limits is refused by name.
TEST(Layers, EveryKeyOfTheTableReadsBackAndKeepsItsLimits) {
    ASSERT_GT(proctex_layer_option_count(), 20);
    ProctexOptionInfo none{};
    EXPECT_EQ(proctex_layer_option_info(proctex_layer_option_count(), &none),
              PROCTEX_ERROR_ARGUMENT);
    ProctexLayer defaults;
    proctex_layer_defaults(&defaults);
    char why[PROCTEX_REASON_SIZE] = "", printed[512];
    for (int i = 0; i < proctex_layer_option_count(); ++i) {
        ProctexOptionInfo k{};
        k.size = sizeof k;
        ASSERT_EQ(proctex_layer_option_info(i, &k), PROCTEX_OK);
        std::string value = std::to_string(static_cast<int>(k.limitMax));
        if (k.kind == PROCTEX_KIND_COLOR) value = "#102030";
        if (k.kind == PROCTEX_KIND_CHOICE) value = k.choices[k.choiceCount - 1].name;
        if (k.offset != static_cast<size_t>(-1)) {  // the default is the struct's
            float f;
            int n;
            std::memcpy(&f, reinterpret_cast<const char*>(&defaults) + k.offset, 4);
            std::memcpy(&n, reinterpret_cast<const char*>(&defaults) + k.offset, 4);
            const bool whole = k.kind != PROCTEX_KIND_NUMBER && k.kind != PROCTEX_KIND_COLOR;
            EXPECT_EQ(k.defaultValue, whole ? double(n) : double(f)) << k.name;
        }
        ProctexSettings s, again;
        proctex_settings_init(&s);
        proctex_settings_init(&again);
        const std::string text = std::string(k.name) + "=" + value;
        ASSERT_EQ(proctex_layers_parse(text.c_str(), &s, why, sizeof why), PROCTEX_OK) << why;
        proctex_layers_text(&s, printed, sizeof printed);
        EXPECT_EQ(std::string(printed).find(k.name), 0u) << printed;  // not a default
        ASSERT_EQ(proctex_layers_parse(printed, &again, why, sizeof why), PROCTEX_OK) << why;
        EXPECT_EQ(std::memcmp(&s, &again, sizeof s), 0) << printed;
        if (k.kind == PROCTEX_KIND_NUMBER || k.kind == PROCTEX_KIND_INTEGER) {
            for (const char* beyond : {"1e30", "-1e30"}) {
                const std::string bad = std::string(k.name) + "=" + beyond;
                EXPECT_EQ(proctex_layers_parse(bad.c_str(), &s, why, sizeof why),
                          PROCTEX_ERROR_SETTINGS)
                    << bad;
                EXPECT_NE(std::string(why).find(std::string("layer 1 ") + k.name),
                          std::string::npos)
                    << why;
            }
        }
    }
}

// A layer's colours from a palette or the material's ramp follow it: a
// one-stop red ramp paints the layer red, the green palette green.
TEST(Layers, APaletteOrTheMaterialsRampColoursTheLayer) {
    for (const char* palette : {"custom", "green"}) {
        ProctexSettings s =
            preset("brick-wall", (std::string("mask=all piece-tint=0 palette=") + palette).c_str());
        char why[PROCTEX_REASON_SIZE] = "";
        ASSERT_EQ(proctex_colors_parse("#c01010@0", &s, why, sizeof why), PROCTEX_OK) << why;
        const Maps m = render(s);
        long red = 0, green = 0;
        for (std::size_t i = 0; i < m.diffuse.size(); i += 3) {
            red += m.diffuse[i] > m.diffuse[i + 1] + 60;
            green += m.diffuse[i + 1] > m.diffuse[i] && m.diffuse[i + 1] > m.diffuse[i + 2];
        }
        const long pixels = long(kSide) * kSide;
        EXPECT_EQ(std::string(palette) == "custom" ? red : green, pixels) << palette;
    }
    // A caller's struct from before the palettes takes layers, not palettes.
    ProctexSettings s;
    proctex_settings_init(&s);
    s.size = offsetof(ProctexSettings, layerPalette);
    char why[PROCTEX_REASON_SIZE] = "";
    EXPECT_EQ(proctex_layers_parse("mask=all", &s, why, sizeof why), PROCTEX_OK) << why;
    EXPECT_EQ(proctex_layers_parse("palette=wood", &s, why, sizeof why), PROCTEX_ERROR_SETTINGS);
    EXPECT_NE(std::string(why).find("layerPalette"), std::string::npos) << why;
}

// Mortar in the brick joints: the joints take its colour, roughness and
// depth; every face keeps its bytes. A tint per piece is one value within a
// brick and differs between bricks.
TEST(Layers, JointsTakeTheMortarAndEachBrickItsOwnTint) {
    const Maps bare = render(preset("brick-wall", ""));
    const Maps mortar =
        render(preset("brick-wall", "mask=joints color=#9a948a roughness=0.92 height=-0.05"));
    std::size_t joints = 0;
    for (std::size_t i = 0; i < bare.height.size(); ++i) {
        if (isJoint(bare, i)) {
            ++joints;
            ASSERT_EQ(mortar.diffuse[i * 3], 0x9a) << i;
            ASSERT_EQ(mortar.roughness[i], 235) << i;
            ASSERT_NEAR(mortar.height[i], bare.height[i] - 0.05f, 1e-6f) << i;
            ASSERT_EQ(mortar.firstMask[i], 255) << i;  // the mask as kept shows it
        } else {
            ASSERT_EQ(mortar.firstMask[i], 0) << i;
            ASSERT_EQ(std::memcmp(&mortar.diffuse[i * 3], &bare.diffuse[i * 3], 3), 0) << i;
            ASSERT_EQ(mortar.roughness[i], bare.roughness[i]) << i;
        }
    }
    EXPECT_GT(joints, bare.height.size() / 20);
    EXPECT_TRUE(bare.firstMask.empty());

    const Maps tinted = render(preset("brick-wall", "color=#808080 piece-tint=1"));
    std::map<std::vector<unsigned char>, std::set<int>> shadesOfBrick;
    for (std::size_t i = 0; i < tinted.height.size(); ++i) {
        if (isJoint(bare, i)) continue;
        shadesOfBrick[{bare.id.begin() + long(i * 3), bare.id.begin() + long(i * 3 + 3)}].insert(
            tinted.diffuse[i * 3]);
    }
    std::set<int> shades;
    for (const auto& [brick, within] : shadesOfBrick) {
        EXPECT_EQ(within.size(), 1u);
        shades.insert(*within.begin());
    }
    EXPECT_GT(shadesOfBrick.size(), 12u);
    EXPECT_GT(shades.size(), shadesOfBrick.size() / 2);

    // The squares of a checker are pieces too: one shade each, across the
    // wrapped edges as well.
    ProctexSettings checker = preset("granite", "color=#808080 piece-tint=1");
    checker.patternType = PROCTEX_PATTERN_CHECKER;
    checker.patternParam = 64.0f;
    checker.units = PROCTEX_UNITS_TILE;
    const Maps squares = render(checker);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const std::size_t i = std::size_t(y) * kSide + x;
            const std::size_t corner = std::size_t(y / 32 * 32) * kSide + std::size_t(x / 32 * 32);
            ASSERT_EQ(squares.diffuse[i * 3], squares.diffuse[corner * 3]) << x << "," << y;
        }
    }
}

// Moss by height covers the low ground first and more of it as its
// threshold rises; rust by cavity takes the metal off the hollows.
TEST(Layers, MossFillsLowGroundFirstAndRustLeavesTheHollowsBare) {
    double last = 0.0;
    for (float threshold : {0.3f, 0.45f, 0.6f}) {
        ProctexSettings s = preset("cobblestone", "");
        s.layerCount = 1;
        proctex_layer_defaults(&s.layers[0]);
        s.layers[0].mask = PROCTEX_MASK_HEIGHT;
        s.layers[0].invert = 1;
        s.layers[0].threshold = threshold;
        s.layers[0].softness = 0.0f;
        s.layers[0].roughness = 1.0f;
        const Maps m = render(s);
        double covered = 0.0, lowCovered = 0.0, low = 0.0;
        const Maps bare = render(preset("cobblestone", ""));
        for (std::size_t i = 0; i < m.height.size(); ++i) {
            const bool moss = m.roughness[i] == 255;
            covered += moss;
            if (bare.height[i] < threshold) low += 1.0, lowCovered += moss;
        }
        EXPECT_EQ(lowCovered, low);  // every pixel below the level, and only those
        EXPECT_EQ(covered, low);
        EXPECT_GT(covered, last);
        last = covered;
    }

    ProctexSettings plate =
        preset("brushed-steel", "mask=cavity threshold=0.3 softness=0 metal=0 color=#8b4a2b");
    plate.overlayType = PROCTEX_OVERLAY_BRICKS;  // joints to rust in
    plate.overlayParam = 96.0f;
    plate.overlayStrength = 40.0f;
    plate.metal = 1.0f;
    plate.metalMask = PROCTEX_METAL_MASK_NONE;
    const Maps rusted = render(plate);
    double rustCurvature = 0.0, bareCurvature = 0.0, rust = 0.0, bare = 0.0;
    for (std::size_t i = 0; i < rusted.metallic.size(); ++i) {
        ASSERT_TRUE(rusted.metallic[i] == 0 || rusted.metallic[i] == 255) << i;
        if (rusted.metallic[i] == 0)
            rust += 1.0, rustCurvature += rusted.curvature[i];
        else
            bare += 1.0, bareCurvature += rusted.curvature[i];
    }
    EXPECT_GT(rust, 0.02 * double(rusted.metallic.size()));
    EXPECT_GT(bare, 0.5 * double(rusted.metallic.size()));
    EXPECT_LT(rustCurvature / rust + 30.0, bareCurvature / bare);  // rust in the hollows
}

// The curvature map is mid grey on flat ground, darker in the joints than on
// the faces; with pbr 0 the layers change nothing.
TEST(Layers, CurvatureReadsTheShapeAndTheOldMapsIgnoreLayers) {
    ProctexSettings flat = preset("granite", "");
    flat.octaves = 0;
    for (unsigned char c : render(flat).curvature) ASSERT_EQ(c, 128);
    const Maps bricks = render(preset("brick-wall", ""));
    double joint = 0.0, joints = 0.0, face = 0.0, faces = 0.0;
    for (std::size_t i = 0; i < bricks.curvature.size(); ++i) {
        if (isJoint(bricks, i))
            joint += bricks.curvature[i], ++joints;
        else
            face += bricks.curvature[i], ++faces;
    }
    EXPECT_LT(joint / joints + 40.0, face / faces);

    ProctexSettings old = preset("brick-wall", "mask=joints color=#ffffff height=-0.5");
    old.pbr = 0;
    ProctexSettings none = old;
    none.layerCount = 0;
    const Maps a = render(old), b = render(none);
    EXPECT_EQ(a.diffuse, b.diffuse);
    EXPECT_EQ(a.height, b.height);
}

}  // namespace
