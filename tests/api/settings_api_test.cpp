// The settings API seen from a host: refusals and their reasons, struct
// versions, map masks, saving, and PNG bytes equal to stb_image_write's.
#include <gtest/gtest.h>
#include <proctex.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "stb_image_write_static.h"
#include "test_support.h"

namespace proctex {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

ProctexSettings small() {
    ProctexSettings s;
    proctex_settings_init(&s);
    s.width = 40;
    s.height = 30;
    s.scale = 8.0f;
    return s;
}

std::string checkReason(const ProctexSettings& s, int* code = nullptr) {
    char reason[256] = "untouched";
    const int status = proctex_settings_check(&s, reason, sizeof reason);
    if (code != nullptr) *code = status;
    return status == PROCTEX_OK ? std::string() : reason;
}

TEST(SettingsCheck, EveryRefusalNamesItsSettingAndRule) {
    struct Refusal {
        std::function<void(ProctexSettings&)> change;
        std::vector<std::string> words;  // each must appear in the reason
    };
    std::vector<Refusal> refusals = {
        {[](auto& s) { s.width = 0; }, {"width", "positive", "got 0"}},
        {[](auto& s) { s.height = -7; }, {"height", "positive", "got -7"}},
        {[](auto& s) { s.width = s.height = 30000; }, {"width x height x 3", "2^31"}},
        {[](auto& s) { s.overlayType = 1, s.overlayParam = kNaN; },
         {"overlayParam", "veins overlay", "nan"}},
        {[](auto& s) { s.overlayType = 2, s.overlayParam = 0.0f, s.overlayStrength = 9.0f; },
         {"overlayParam", "brick width", "bricks overlay"}},
        {[](auto& s) { s.overlayType = 2, s.overlayParam = 90.0f, s.overlayStrength = kInf; },
         {"overlayStrength", "brick height", "inf"}},
        {[](auto& s) { s.overlayType = 3, s.overlayParam = -5.0f; },
         {"overlayParam", "plank length", "above 0", "got -5"}},
        {[](auto& s) { s.patternType = 6, s.patternParam = 0.001f, s.units = PROCTEX_UNITS_PIXELS; },
         {"patternParam", "cell pattern", "cells", "larger"}},
    };
    const std::pair<int, const char*> sizedPatterns[] = {
        {2, "ring"},    {3, "groove"}, {6, "cell"},     {8, "disc"},
        {9, "checker"}, {10, "knot"},  {11, "diamond"}, {12, "egg-crate"}};
    for (const auto& [type, name] : sizedPatterns) {
        for (float bad : {0.0f, kNaN, -kInf}) {
            refusals.push_back(
                {[type, bad](auto& s) { s.patternType = type, s.patternParam = bad; },
                 {"patternParam", "finite, non-zero", std::string(name) + " pattern"}});
        }
    }
    for (const Refusal& r : refusals) {
        ProctexSettings s = small();
        r.change(s);
        int code = 0;
        const std::string reason = checkReason(s, &code);
        EXPECT_EQ(code, PROCTEX_ERROR_SETTINGS) << reason;
        for (const std::string& word : r.words) {
            EXPECT_NE(reason.find(word), std::string::npos)
                << "'" << word << "' not in: " << reason;
        }
        EXPECT_EQ(reason.find('\n'), std::string::npos);
        // GenerateTexture refuses the same settings without writing a file.
        test::TempDir dir;
        test::Call call;
        static_cast<ProctexSettings&>(call) = s;
        EXPECT_EQ(call.run(dir / "x.png"), 0) << reason;
        EXPECT_TRUE(test::listFiles(dir.path()).empty()) << reason;
    }
}

TEST(SettingsCheck, AcceptsWhatTheTypesDoNotUseAndCutsLongReasons) {
    ProctexSettings s = small();
    s.patternType = 4;  // the tone curve takes any parameter
    s.patternParam = kNaN;
    s.overlayType = 4;  // so does the scratch count
    s.overlayParam = -kInf;
    EXPECT_EQ(checkReason(s), "");
    s.patternType = 99;  // no pattern: its parameter is never read
    s.patternParam = 0.0f;
    EXPECT_EQ(checkReason(s), "");

    s.width = 0;
    char reason[8];
    std::memset(reason, 'x', sizeof reason);
    EXPECT_EQ(proctex_settings_check(&s, reason, sizeof reason), PROCTEX_ERROR_SETTINGS);
    EXPECT_STREQ(reason, "width m");
    EXPECT_EQ(proctex_settings_check(&s, nullptr, 0), PROCTEX_ERROR_SETTINGS);
}

// Each bounded range includes its ends: the largest value passes and the
// next float above it is refused, naming the member.
TEST(SettingsCheck, EachRangeIncludesItsBoundsAndNothingBeyond) {
    const struct {
        float ProctexSettings::*member;
        const char* name;
        float hi;
    } ranges[] = {{&ProctexSettings::aoRadius, "aoRadius", 256.0f},
                  {&ProctexSettings::aoStrength, "aoStrength", 16.0f},
                  {&ProctexSettings::tileSize, "tileSize", 1e6f},
                  {&ProctexSettings::heightRange, "heightRange", 1e6f}};
    for (const auto& r : ranges) {
        ProctexSettings s = small();
        for (float inside : {0.0f, r.hi}) {
            s.*r.member = inside;
            EXPECT_EQ(checkReason(s), "") << r.name << " = " << inside;
        }
        for (float outside : {std::nextafter(r.hi, kInf), -std::nextafter(0.0f, 1.0f), kNaN}) {
            s.*r.member = outside;
            EXPECT_EQ(checkReason(s).rfind(std::string(r.name) + " must be a number from 0 to ", 0),
                      0u)
                << r.name << " = " << outside;
        }
    }
}

// A caller compiled against a later header: a larger struct with more members.
struct NewerSettings {
    ProctexSettings base;
    int laterMember;
};

TEST(SettingsVersions, OlderAndNewerCallersAreReadSafely) {
    EXPECT_EQ(proctex_settings_check(nullptr, nullptr, 0), PROCTEX_ERROR_ARGUMENT);
    ProctexSettings s = small();
    s.size = 8;
    EXPECT_EQ(proctex_settings_check(&s, nullptr, 0), PROCTEX_ERROR_ARGUMENT);

    NewerSettings newer;
    std::memset(&newer, 0x5A, sizeof newer);
    ASSERT_EQ(proctex_settings_defaults(&newer.base, sizeof newer), PROCTEX_OK);
    EXPECT_EQ(newer.base.size, sizeof newer);
    EXPECT_EQ(newer.laterMember, 0) << "bytes the library does not know become 0";
    EXPECT_EQ(newer.base.seed, 1234);
    EXPECT_EQ(proctex_settings_check(&newer.base, nullptr, 0), PROCTEX_OK);
    newer.laterMember = 3;  // asks for something this library cannot do
    char reason[256];
    EXPECT_EQ(proctex_settings_check(&newer.base, reason, sizeof reason), PROCTEX_ERROR_ARGUMENT);
    EXPECT_NE(std::string(reason).find("newer"), std::string::npos) << reason;

    EXPECT_EQ(proctex_preset_settings("granit", &s, sizeof s), PROCTEX_ERROR_ARGUMENT);
    EXPECT_EQ(proctex_preset_settings(nullptr, &s, sizeof s), PROCTEX_ERROR_ARGUMENT);
    ASSERT_EQ(proctex_preset_settings("marble", &s, sizeof s), PROCTEX_OK);
    EXPECT_EQ(s.overlayType, PROCTEX_OVERLAY_VEINS);
    EXPECT_EQ(proctex_preset_name(proctex_preset_count()), nullptr);
    EXPECT_EQ(proctex_preset_name(-1), nullptr);
}

std::vector<uint8_t> pixelsOf(const ProctexMaps* maps, int map) {
    int w = 0, h = 0, c = 0;
    const unsigned char* p = proctex_maps_pixels(maps, map, &w, &h, &c);
    if (p == nullptr) return {};
    return std::vector<uint8_t>(p, p + std::size_t(w) * h * c);
}

TEST(Generate, MasksPickMapsWithoutChangingThemAndHeightIsThePreToneField) {
    ProctexSettings s = small();
    s.pbr = 0;  // GenerateTexture's maps: the grey diffuse is the height itself
    s.materialType = PROCTEX_MATERIAL_GREY;
    s.contrast = 1.0f;
    s.patternType = PROCTEX_PATTERN_CELLS;
    s.patternParam = 6.0f;
    ProctexMaps* all = nullptr;
    ASSERT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, &all, nullptr, 0), PROCTEX_OK);
    int w = 0, h = 0;
    const float* height = proctex_maps_height(all, &w, &h);
    ASSERT_NE(height, nullptr);
    ASSERT_EQ(w * h, 40 * 30);
    // Without tone changes the grey diffuse shows the height field itself.
    const std::vector<uint8_t> diffuse = pixelsOf(all, PROCTEX_MAP_DIFFUSE);
    ASSERT_EQ(diffuse.size(), std::size_t(w) * h);
    for (int k = 0; k < w * h; ++k) {
        const float v = std::min(std::max(height[k], 0.0f), 1.0f);
        ASSERT_EQ(diffuse[k], static_cast<uint8_t>(v * 255.0f)) << k;
    }

    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        ProctexMaps* one = nullptr;
        ASSERT_EQ(proctex_generate(&s, PROCTEX_MAP_BIT(map), &one, nullptr, 0), PROCTEX_OK);
        EXPECT_EQ(pixelsOf(one, map), pixelsOf(all, map)) << map;
        for (int other = PROCTEX_MAP_DIFFUSE; other <= PROCTEX_MAP_METALLIC; ++other) {
            if (other != map) {
                EXPECT_EQ(proctex_maps_pixels(one, other, nullptr, nullptr, nullptr), nullptr);
            }
        }
        EXPECT_EQ(proctex_maps_height(one, nullptr, nullptr), nullptr);
        proctex_maps_free(one);
    }
    proctex_maps_free(all);

    ProctexMaps* refused = reinterpret_cast<ProctexMaps*>(&s);  // must be overwritten
    s.width = -1;
    EXPECT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, &refused, nullptr, 0), PROCTEX_ERROR_SETTINGS);
    EXPECT_EQ(refused, nullptr);
    EXPECT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, nullptr, nullptr, 0), PROCTEX_ERROR_ARGUMENT);
}

TEST(Save, KeepsTheFailureRulesAndNamesTheFile) {
    ProctexSettings s = small();
    ProctexMaps* maps = nullptr;
    ASSERT_EQ(proctex_generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, nullptr, 0), PROCTEX_OK);
    test::TempDir dir;
    char reason[600];
    // Missing folders are made; a file where a folder should be fails.
    const std::string missing = (dir / "missing" / "deeper" / "x.png").string();
    EXPECT_EQ(proctex_save(maps, missing.c_str(), reason, sizeof reason), PROCTEX_OK) << reason;
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "missing" / "deeper" / "x_diff.png"));
    std::ofstream(dir / "file") << "a file";
    const std::string blocked = (dir / "file" / "x.png").string();
    EXPECT_EQ(proctex_save(maps, blocked.c_str(), reason, sizeof reason), PROCTEX_ERROR_WRITE);
    EXPECT_NE(std::string(reason).find("x_diff.png"), std::string::npos) << reason;
    EXPECT_EQ(proctex_preset_settings("Brick_Wall", &s, sizeof s), PROCTEX_OK);
    EXPECT_EQ(proctex_save(maps, "", reason, sizeof reason), PROCTEX_ERROR_PATH);
    EXPECT_EQ(proctex_save(maps, std::string(512, 'a').c_str(), reason, sizeof reason),
              PROCTEX_ERROR_PATH);
    EXPECT_EQ(proctex_save(nullptr, "x.png", reason, sizeof reason), PROCTEX_ERROR_ARGUMENT);

    // A folder in the specular map's place: that write fails and nothing of
    // the set is replaced; in the metallic map's place, the rest is replaced
    // and the failure still reported.
    std::filesystem::create_directory(dir / "y_spec.png");
    const std::string path = (dir / "y.png").string();
    EXPECT_EQ(proctex_save(maps, path.c_str(), reason, sizeof reason), PROCTEX_ERROR_WRITE);
    EXPECT_NE(std::string(reason).find("y_spec.png: Is a directory"), std::string::npos) << reason;
    EXPECT_FALSE(std::filesystem::exists(dir / "y_metal.png"));
    std::filesystem::remove(dir / "y_spec.png");
    std::filesystem::create_directory(dir / "y_metal.png");
    EXPECT_EQ(proctex_save(maps, path.c_str(), reason, sizeof reason), PROCTEX_ERROR_WRITE);
    EXPECT_STREQ(
        reason, ("could not write " + (dir / "y_metal.png").string() + ": Is a directory").c_str());
    EXPECT_TRUE(std::filesystem::is_regular_file(dir / "y_rough.png"));
    proctex_maps_free(maps);

    char name[20];
    EXPECT_EQ(proctex_map_path("a.png/b.png.tmp", PROCTEX_MAP_NORMAL, name, sizeof name),
              PROCTEX_OK);
    EXPECT_STREQ(name, "a.png/b_nmap.png");
    EXPECT_EQ(proctex_map_path("tex/stone.PNG", PROCTEX_MAP_METALLIC, name, sizeof name),
              PROCTEX_OK);
    EXPECT_STREQ(name, "tex/stone.PNG");
    EXPECT_EQ(proctex_map_path("a-name-longer-than-20.png", 0, name, sizeof name),
              PROCTEX_ERROR_ARGUMENT);
    EXPECT_STREQ(name, "");
    // Exactly room for the name and its terminator, then one byte less: the
    // byte after the given size is never touched.
    char exact[12];
    std::memset(exact, '#', sizeof exact);
    EXPECT_EQ(proctex_map_path("x.png", PROCTEX_MAP_DIFFUSE, exact, 11), PROCTEX_OK);
    EXPECT_STREQ(exact, "x_diff.png");
    std::memset(exact, '#', sizeof exact);
    EXPECT_EQ(proctex_map_path("x.png", PROCTEX_MAP_DIFFUSE, exact, 10), PROCTEX_ERROR_ARGUMENT);
    EXPECT_EQ(exact[0], '\0');
    EXPECT_EQ(std::string(exact + 1, 11), std::string(11, '#'));
    EXPECT_EQ(proctex_map_path("x.png", PROCTEX_MAP_HEIGHT, name, sizeof name),
              PROCTEX_ERROR_ARGUMENT);
}

std::vector<uint8_t> stbBytes(const std::vector<uint8_t>& pixels, int w, int h, int c, int stride,
                              const test::TempDir& dir) {
    const auto file = dir / "stb.png";
    EXPECT_NE(stbi_write_png(file.string().c_str(), w, h, c, pixels.data(), stride), 0);
    return test::readBytes(file);
}

TEST(EncodePng, SameBytesAsStbImageWriteOverShapesAndContents) {
    test::TempDir dir;
    std::mt19937 rng(7);
    const std::pair<int, int> shapes[] = {{1, 1}, {1, 37}, {53, 1}, {17, 9}, {64, 48}, {301, 7}};
    for (const auto& [w, h] : shapes) {
        for (int c = 1; c <= 4; ++c) {
            for (int content = 0; content < 3; ++content) {
                const int padding = content;  // strides wider than the row too
                const int stride = w * c + padding;
                std::vector<uint8_t> pixels(std::size_t(stride) * h);
                for (std::size_t k = 0; k < pixels.size(); ++k) {
                    // flat, a smooth gradient, and noise that does not compress
                    pixels[k] = content == 0   ? 200
                                : content == 1 ? uint8_t((k * 3) / 7)
                                               : uint8_t(rng());
                }
                unsigned char* png = nullptr;
                size_t length = 0;
                ASSERT_EQ(proctex_encode_png(pixels.data(), w, h, c, stride, &png, &length),
                          PROCTEX_OK);
                const std::vector<uint8_t> ours(png, png + length);
                proctex_free(png);
                EXPECT_EQ(ours, stbBytes(pixels, w, h, c, stride, dir))
                    << w << "x" << h << "x" << c << " content " << content;
            }
        }
    }
}

TEST(EncodePng, RefusesImpossibleImagesWithoutTouchingMemory) {
    const uint8_t pixel[4] = {};
    unsigned char* png = reinterpret_cast<unsigned char*>(1);
    size_t length = 99;
    const struct {
        int w, h, c, stride;
    } bad[] = {{0, 1, 1, 0}, {1, -1, 1, 0}, {1, 1, 5, 0},
               {1, 1, 0, 0}, {4, 1, 3, 11}, {1 << 16, 1 << 15, 1, 0},
               {3, 1, 1, -3}};
    for (const auto& b : bad) {
        EXPECT_EQ(proctex_encode_png(pixel, b.w, b.h, b.c, b.stride, &png, &length),
                  PROCTEX_ERROR_ARGUMENT);
        EXPECT_EQ(png, nullptr);
        EXPECT_EQ(length, 0u);
    }
    EXPECT_EQ(proctex_encode_png(nullptr, 1, 1, 1, 0, &png, &length), PROCTEX_ERROR_ARGUMENT);
    const unsigned short sample[1] = {};
    for (const auto& [w, h] : {std::pair{0, 1}, {1, -1}, {1 << 16, 1 << 14}, {INT_MAX, 1}}) {
        png = reinterpret_cast<unsigned char*>(1);
        EXPECT_EQ(proctex_encode_png16(sample, w, h, &png, &length), PROCTEX_ERROR_ARGUMENT);
        EXPECT_EQ(png, nullptr);
    }
    EXPECT_EQ(proctex_encode_png16(nullptr, 1, 1, &png, &length), PROCTEX_ERROR_ARGUMENT);
    EXPECT_STREQ(proctex_version(), PROCTEX_RELEASE_VERSION);  // the VERSION file
}

}  // namespace
}  // namespace proctex
