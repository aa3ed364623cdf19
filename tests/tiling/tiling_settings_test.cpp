// Who tiles: the defaults and the presets do; GenerateTexture and a caller's
// struct from before the tiling member do not, and with tileable 0 a preset's
// maps are GenerateTexture's files.
#include <gtest/gtest.h>
#include <proctex.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "test_support.h"

namespace proctex::test {
namespace {

struct MapsFree {
    void operator()(ProctexMaps* maps) const { proctex_maps_free(maps); }
};
using Maps = std::unique_ptr<ProctexMaps, MapsFree>;

Maps generate(const ProctexSettings& s, unsigned which = PROCTEX_MAPS_AS_SETTINGS) {
    char why[256] = "";
    ProctexMaps* maps = nullptr;
    EXPECT_EQ(proctex_generate(&s, which, &maps, why, sizeof why), PROCTEX_OK) << why;
    return Maps(maps);
}

bool samePixels(const ProctexMaps* a, const ProctexMaps* b, int map) {
    int w = 0, h = 0, c = 0;
    const unsigned char* pa = proctex_maps_pixels(a, map, &w, &h, &c);
    const unsigned char* pb = proctex_maps_pixels(b, map, nullptr, nullptr, nullptr);
    return pa != nullptr && pb != nullptr &&
           std::memcmp(pa, pb, static_cast<std::size_t>(w) * h * c) == 0;
}

TEST(TilingSettings, DefaultsAndPresetsTileWhileAnOlderStructGetsTodaysResults) {
    ProctexSettings s;
    proctex_settings_init(&s);
    EXPECT_EQ(s.tileable, 1);
    for (int i = 0; i < proctex_preset_count(); ++i) {
        ProctexSettings p;
        ASSERT_EQ(proctex_preset_settings(proctex_preset_name(i), &p, sizeof p), PROCTEX_OK);
        EXPECT_EQ(p.tileable, 1) << proctex_preset_name(i);
    }

    s.width = 80;
    s.height = 48;
    s.patternType = PROCTEX_PATTERN_CELLS;
    s.patternParam = 9.0f;
    const Maps tiled = generate(s);
    s.tileable = 0;
    s.pbr = 0;  // an older struct has neither
    s.units = PROCTEX_UNITS_PIXELS;
    const Maps plain = generate(s);
    EXPECT_FALSE(samePixels(tiled.get(), plain.get(), PROCTEX_MAP_DIFFUSE));

    // A struct that ends before `tileable`, with garbage where it would be.
    s.tileable = 1;
    s.pbr = 1;
    s.size = offsetof(ProctexSettings, tileable);
    const Maps older = generate(s);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        EXPECT_TRUE(samePixels(older.get(), plain.get(), map)) << "map " << map;
    }
}

TEST(TilingSettings, PresetsWithoutTilingGiveGenerateTexturesFiles) {
    const TempDir dir;
    // Presets whose PBR look keeps to GenerateTexture's own kinds.
    for (const char* name : {"granite", "ceramic-tiles", "moss", "rusted-plate"}) {
        Call call;
        ASSERT_EQ(proctex_preset_settings(name, &call, sizeof(ProctexSettings)), PROCTEX_OK);
        call.width = 96;
        call.height = 72;
        call.tileable = 0;
        call.pbr = 0;
        call.units = PROCTEX_UNITS_PIXELS;
        ASSERT_EQ(call.run(dir / (std::string(name) + ".png")), 1) << name;
        const Maps maps = generate(call);
        const OutputNames files = outputNames(dir.path(), name);
        const std::filesystem::path paths[] = {files.diffuse, files.normal, files.specular,
                                               files.roughness, files.metallic};
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            const Image image = readPng(paths[map]);
            int w = 0, h = 0, c = 0;
            const unsigned char* pixels = proctex_maps_pixels(maps.get(), map, &w, &h, &c);
            ASSERT_NE(pixels, nullptr) << name << " map " << map;
            ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(w) * h * c);
            EXPECT_EQ(std::memcmp(image.pixels.data(), pixels, image.pixels.size()), 0)
                << name << " map " << map;
        }
    }
}

TEST(TilingSettings, GltfSamplersRepeatForATilingMaterial) {
    const TempDir dir;
    ProctexSettings s;
    proctex_settings_init(&s);
    s.width = 32;
    s.height = 24;
    const unsigned gltfMaps = PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) |
                              PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL_GL) |
                              PROCTEX_MAP_BIT(PROCTEX_MAP_ORM);
    for (int tileable : {1, 0}) {
        s.tileable = tileable;
        const Maps maps = generate(s, gltfMaps);
        const std::string name = tileable == 1 ? "tiled" : "plain";
        const std::string path = (dir / (name + ".png")).string();
        char why[256] = "";
        ASSERT_EQ(proctex_save_files(maps.get(), path.c_str(), PROCTEX_SAVE_GLTF, why, sizeof why),
                  PROCTEX_OK)
            << why;
        const std::vector<uint8_t> bytes = readBytes(dir / (name + ".gltf"));
        const std::string json(bytes.begin(), bytes.end());
        const bool repeats = json.find("\"wrapS\":10497") != std::string::npos;
        EXPECT_EQ(repeats, tileable == 1) << json;
    }
}

}  // namespace
}  // namespace proctex::test
