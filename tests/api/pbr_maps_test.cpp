// The PBR maps of every preset, read as an engine would: what is metal and
// what is not, colours within the ranges real surfaces reflect, normals,
// height and occlusion telling the same story, glow where lava is molten,
// and the engine packings carrying exactly the maps they pack.
#include <gtest/gtest.h>
#include <proctex.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace proctex {
namespace {

constexpr int kSide = 192;

struct PbrSet {
    std::string name;
    ProctexSettings settings{};
    ProctexMaps* maps = nullptr;

    PbrSet(const std::string& preset, std::size_t structSize = sizeof(ProctexSettings))
        : name(preset) {
        std::memset(&settings, 0, sizeof settings);
        EXPECT_EQ(proctex_preset_settings(preset.c_str(), &settings, structSize), PROCTEX_OK);
        // A kSide crop of the look each preset has at 512.
        settings.width = settings.height = kSide;
        settings.units = PROCTEX_UNITS_PIXELS;
        generate();
    }
    explicit PbrSet(const ProctexSettings& s) : name("settings"), settings(s) { generate(); }
    ~PbrSet() { proctex_maps_free(maps); }
    PbrSet(const PbrSet&) = delete;
    PbrSet& operator=(const PbrSet&) = delete;

    void generate() {
        char why[256] = "";
        ASSERT_EQ(proctex_generate(&settings, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_OK)
            << name << ": " << why;
    }
    const unsigned char* pixels(int map, int* channels = nullptr) const {
        return proctex_maps_pixels(maps, map, nullptr, nullptr, channels);
    }
    const float* relief() const { return proctex_maps_height(maps, nullptr, nullptr); }
    std::size_t count() const { return std::size_t(kSide) * kSide; }
};

std::vector<std::string> presetNames() {
    std::vector<std::string> names;
    for (int i = 0; i < proctex_preset_count(); ++i) names.emplace_back(proctex_preset_name(i));
    return names;
}

// Correlation of the relief's slope (right and down) with the normal's x and
// y: -1 when every normal tilts away from rising ground.
double slopeAgreement(const float* relief, const unsigned char* normal, int side) {
    double dot = 0.0, slopes = 0.0, tilts = 0.0;
    for (int y = 1; y < side - 1; ++y) {
        for (int x = 1; x < side - 1; ++x) {
            const std::size_t i = std::size_t(y) * side + x;
            const double sx = relief[i + 1] - relief[i - 1];
            const double sy = relief[i + side] - relief[i - side];
            const double nx = normal[i * 3] - 127.5, ny = normal[i * 3 + 1] - 127.5;
            dot += sx * nx + sy * ny;
            slopes += sx * sx + sy * sy;
            tilts += nx * nx + ny * ny;
        }
    }
    return dot / (std::sqrt(slopes * tilts) + 1e-30);
}

double mean(const unsigned char* bytes, std::size_t n) {
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) sum += bytes[i];
    return sum / double(n) / 255.0;
}

TEST(PbrPresets, MetalAndAlbedoAreWhatTheMaterialIs) {
    const std::set<std::string> metals = {"brushed-steel", "scratched-metal", "hammered-copper",
                                          "rusted-plate",  "diamond-plate",   "painted-metal"};
    for (const std::string& name : presetNames()) {
        SCOPED_TRACE(name);
        const PbrSet set(name);
        ASSERT_EQ(set.settings.pbr, 1);
        const bool metal = metals.count(name) != 0;
        EXPECT_EQ(set.settings.metal > 0.0f, metal);
        int channels = 0;
        const unsigned char* diffuse = set.pixels(PROCTEX_MAP_DIFFUSE, &channels);
        const unsigned char* metallic = set.pixels(PROCTEX_MAP_METALLIC);
        ASSERT_EQ(channels, 3);
        std::size_t bare = 0, bareBelow = 0, dielectricOutside = 0, metalDark = 0, shownMetal = 0;
        for (std::size_t i = 0; i < set.count(); ++i) {
            const unsigned char* c = diffuse + i * 3;
            // Bare metal: everywhere, or on the tops clear of the rust band,
            // unless a layer (rust patches) covers it.
            const bool shouldBeBare =
                metal && set.settings.layerCount == 0 &&
                (set.settings.metalMask == PROCTEX_METAL_MASK_NONE || set.relief()[i] > 0.45f);
            shownMetal += metallic[i] >= 230;
            if (!metal) {
                EXPECT_EQ(metallic[i], 0) << "pixel " << i;
            }
            if (shouldBeBare) {
                ++bare;
                bareBelow += metallic[i] < 230;  // 0.9
            }
            if (metallic[i] < 26) {
                dielectricOutside +=
                    *std::min_element(c, c + 3) < 30 || *std::max_element(c, c + 3) > 240;
            } else if (metallic[i] >= 230) {
                metalDark += 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2] < 180.0;
            }
        }
        EXPECT_EQ(dielectricOutside, 0u);
        EXPECT_EQ(metalDark, 0u);
        EXPECT_EQ(bareBelow, 0u);
        if (metal && set.settings.layerCount == 0) EXPECT_GT(bare, set.count() / 2);
        // Paint hides the steel but for its chips.
        if (metal && name != "painted-metal") EXPECT_GT(shownMetal, set.count() / 3);
        if (metal) EXPECT_GT(shownMetal, set.count() / 50);
    }
}

TEST(PbrPresets, NormalHeightAndOcclusionAgree) {
    for (const std::string& name : presetNames()) {
        SCOPED_TRACE(name);
        const PbrSet set(name);
        EXPECT_LT(slopeAgreement(set.relief(), set.pixels(PROCTEX_MAP_NORMAL), kSide), -0.8);
        EXPECT_GE(mean(set.pixels(PROCTEX_MAP_AO), set.count()), 0.6);
        EXPECT_GT(set.settings.normalStrength, 0.0f);  // sunken looks turn the relief over
    }
    // The sign test tells today's looks apart: the cobblestone of the first
    // presets drew its normals against its height.
    const PbrSet before("cobblestone", offsetof(ProctexSettings, pbr));
    EXPECT_EQ(before.settings.pbr, 0);
    EXPECT_GT(slopeAgreement(before.relief(), before.pixels(PROCTEX_MAP_NORMAL), kSide), 0.8);
}

// Joints are the lowest tenth of the relief, faces its upper half.
TEST(PbrPresets, OcclusionDarkensJointsNotFaces) {
    for (const char* name : {"brick-wall", "cobblestone"}) {
        SCOPED_TRACE(name);
        const PbrSet set(name);
        std::vector<float> sorted(set.relief(), set.relief() + set.count());
        std::sort(sorted.begin(), sorted.end());
        const float jointBelow = sorted[set.count() / 10], faceAbove = sorted[set.count() / 2];
        const unsigned char* ao = set.pixels(PROCTEX_MAP_AO);
        double joints = 0.0, faces = 0.0;
        double jointCount = 0.0, faceCount = 0.0;
        for (std::size_t i = 0; i < set.count(); ++i) {
            if (set.relief()[i] < jointBelow) joints += ao[i], ++jointCount;
            if (set.relief()[i] > faceAbove) faces += ao[i], ++faceCount;
        }
        EXPECT_LT(joints / jointCount + 20.0, faces / faceCount);
        EXPECT_GT(faces / faceCount, 240.0);
    }
    // A flat field is open everywhere and its normals face straight out.
    ProctexSettings flat;
    proctex_settings_init(&flat);
    flat.width = flat.height = 64;
    flat.octaves = 0;
    const PbrSet set(flat);
    const unsigned char* ao =
        proctex_maps_pixels(set.maps, PROCTEX_MAP_AO, nullptr, nullptr, nullptr);
    const unsigned char* n =
        proctex_maps_pixels(set.maps, PROCTEX_MAP_NORMAL, nullptr, nullptr, nullptr);
    for (std::size_t i = 0; i < 64u * 64u; ++i) {
        ASSERT_EQ(ao[i], 255) << i;
        ASSERT_EQ(n[i * 3 + 2], 255) << i;
    }
}

TEST(PbrPresets, LavaGlowsInItsCracksOnly) {
    const PbrSet lava("lava");
    int channels = 0;
    const unsigned char* glow = lava.pixels(PROCTEX_MAP_EMISSIVE, &channels);
    ASSERT_NE(glow, nullptr);
    ASSERT_EQ(channels, 3);
    std::size_t cracks = 0, crust = 0, lit = 0;
    for (std::size_t i = 0; i < lava.count(); ++i) {
        const float r = lava.relief()[i];
        const int red = glow[i * 3];
        lit += red > 0;
        if (r < 0.15f) {  // the floor of the cracks between the crusts
            ++cracks;
            EXPECT_GT(red, 150) << i;
        } else if (r > 0.6f) {
            ++crust;
            EXPECT_EQ(glow[i * 3] | glow[i * 3 + 1] | glow[i * 3 + 2], 0) << i;
        }
    }
    EXPECT_GT(cracks, lava.count() / 50);
    EXPECT_GT(crust, lava.count() / 2);
    EXPECT_LT(lit, lava.count() / 2);
    // Nothing else glows: no map at all.
    const PbrSet granite("granite");
    EXPECT_EQ(granite.pixels(PROCTEX_MAP_EMISSIVE), nullptr);
}

TEST(PbrPresets, EnginePackingsCarryTheMapsChannelByChannel) {
    for (const char* name : {"rusted-plate", "cobblestone"}) {
        SCOPED_TRACE(name);
        const PbrSet set(name);
        int unityChannels = 0, hdrpChannels = 0;
        const unsigned char* unity = set.pixels(PROCTEX_MAP_METALLIC_SMOOTHNESS, &unityChannels);
        const unsigned char* hdrp = set.pixels(PROCTEX_MAP_MASK, &hdrpChannels);
        const unsigned char* metal = set.pixels(PROCTEX_MAP_METALLIC);
        const unsigned char* rough = set.pixels(PROCTEX_MAP_ROUGHNESS);
        const unsigned char* ao = set.pixels(PROCTEX_MAP_AO);
        ASSERT_EQ(unityChannels, 4);
        ASSERT_EQ(hdrpChannels, 4);
        std::size_t differences = 0;
        for (std::size_t i = 0; i < set.count(); ++i) {
            const unsigned char* u = unity + i * 4;
            const unsigned char* h = hdrp + i * 4;
            differences += u[0] != metal[i] || u[1] != metal[i] || u[2] != metal[i] ||
                           u[3] != 255 - rough[i] || h[0] != metal[i] || h[1] != ao[i] ||
                           h[2] != 255 || h[3] != 255 - rough[i];
        }
        EXPECT_EQ(differences, 0u);
    }
}

// Callers of the struct before the PBR maps, and pbr 0, keep today's maps;
// the caller's colour ramp reaches the diffuse with or without pbr.
TEST(PbrSettings, OlderStructsAndPbrOffKeepTodaysMaps) {
    ProctexSettings old;
    std::memset(&old, 0, sizeof old);
    ASSERT_EQ(proctex_settings_defaults(&old, offsetof(ProctexSettings, pbr)), PROCTEX_OK);
    EXPECT_EQ(old.tileSize, 0.0f);  // not the PBR maps' default sizes
    ProctexSettings full;
    proctex_settings_init(&full);
    EXPECT_EQ(full.pbr, 1);
    EXPECT_GT(full.tileSize, 0.0f);
    full.pbr = 0;
    full.tileable = 0;
    full.units = PROCTEX_UNITS_PIXELS;
    full.tileSize = full.heightRange = 0.0f;
    old.width = full.width = old.height = full.height = 48;
    const PbrSet fromOld(old), fromFull(full);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_ORM; ++map) {
        if (map == PROCTEX_MAP_HEIGHT || map == PROCTEX_MAP_HEIGHT16) continue;
        int channels = 0;
        const unsigned char* a = fromOld.pixels(map, &channels);
        const unsigned char* b = fromFull.pixels(map);
        ASSERT_NE(a, nullptr) << map;
        EXPECT_EQ(std::memcmp(a, b, 48u * 48u * channels), 0) << "map " << map;
    }
    EXPECT_EQ(fromOld.pixels(PROCTEX_MAP_EMISSIVE), nullptr);

    ProctexSettings ramp = full;
    ramp.octaves = 0;  // a flat mid-grey relief: the ramp's colour at 0.5
    ramp.contrast = 1.0f;
    ramp.materialType = PROCTEX_MATERIAL_CUSTOM;
    ramp.colorStopCount = 2;
    const float stops[2][4] = {{1.0f, 0.0f, 0.0f, 0.25f}, {0.0f, 0.0f, 1.0f, 0.75f}};
    std::memcpy(ramp.colorStops, stops, sizeof stops);
    for (int pbr : {0, 1}) {
        ramp.pbr = pbr;
        const PbrSet set(ramp);
        const unsigned char* c = set.pixels(PROCTEX_MAP_DIFFUSE);
        EXPECT_EQ(c[0], c[2]) << "pbr " << pbr;  // halfway from red to blue
        EXPECT_GT(c[0], c[1] + 60) << "pbr " << pbr;
    }
    ramp.colorStops[1][3] = 0.1f;  // positions must rise
    char why[256] = "";
    EXPECT_EQ(proctex_settings_check(&ramp, why, sizeof why), PROCTEX_ERROR_SETTINGS);
    EXPECT_NE(std::string(why).find("colorStops"), std::string::npos) << why;
}

}  // namespace
}  // namespace proctex
