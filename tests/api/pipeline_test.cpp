// The exported call end to end: files, names, flags and failure rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <filesystem>
#include <fstream>
#include <limits>

#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::outputNames;
using test::readBytes;
using test::readPng;
using test::TempDir;

TEST(Exports, TestDLLReturns42) {
    EXPECT_EQ(TestDLL(), 42);
}

TEST(Pipeline, WritesTheFiveMapsWithTheirFormats) {
    TempDir dir;
    Call call;
    ASSERT_EQ(call.run(dir / "stone.png"), 1);
    const auto names = outputNames(dir.path(), "stone");
    EXPECT_EQ(test::listFiles(dir.path()),
              (std::vector<std::string>{"stone_diff.png", "stone_metal.png", "stone_nmap.png",
                                        "stone_rough.png", "stone_spec.png"}));
    const int channels[] = {3, 3, 1, 1, 1};
    const fs::path paths[] = {names.diffuse, names.normal, names.specular, names.roughness,
                              names.metallic};
    for (int i = 0; i < 5; ++i) {
        const test::Image image = readPng(paths[i]);
        EXPECT_EQ(image.width, call.width);
        EXPECT_EQ(image.height, call.height);
        EXPECT_EQ(image.channels, channels[i]) << paths[i];
    }
}

TEST(Pipeline, EqualArgumentsGiveByteIdenticalFiles) {
    TempDir dir;
    Call call;
    call.width = 50;
    call.seamless = 1;
    call.scale = 10.0f;
    ASSERT_EQ(call.run(dir / "a.png"), 1);
    ASSERT_EQ(call.run(dir / "b.png"), 1);
    const auto a = outputNames(dir.path(), "a");
    const auto b = outputNames(dir.path(), "b");
    EXPECT_EQ(readBytes(a.diffuse), readBytes(b.diffuse));
    EXPECT_EQ(readBytes(a.normal), readBytes(b.normal));
    EXPECT_EQ(readBytes(a.metallic), readBytes(b.metallic));
    call.seed = 43;
    ASSERT_EQ(call.run(dir / "c.png"), 1);
    EXPECT_NE(readBytes(a.diffuse), readBytes(outputNames(dir.path(), "c").diffuse));
}

TEST(Pipeline, GreyDiffuseOnlyForMaterialsOneAndEight) {
    TempDir dir;
    for (int material : {1, 8, 0, -1, 2, 7, 9}) {
        Call call;
        call.materialType = material;
        const std::string stem = std::string("m").append(std::to_string(material + 10));
        ASSERT_EQ(call.run(dir / (stem + ".png")), 1);
        const int expected = (material == 1 || material == 8) ? 1 : 3;
        EXPECT_EQ(readPng(outputNames(dir.path(), stem).diffuse).channels, expected) << material;
    }
}

TEST(Pipeline, GreyDiffuseIsTheHeightFieldTheMapsComeFrom) {
    // Metallic is (1 - h) * 0.5, so a grey diffuse of h = 1 has metallic 0 and h = 0 has 127.
    TempDir dir;
    Call call;
    call.materialType = 1;
    ASSERT_EQ(call.run(dir / "g.png"), 1);
    const auto names = outputNames(dir.path(), "g");
    const test::Image diff = readPng(names.diffuse);
    const test::Image metal = readPng(names.metallic);
    int seenZero = 0, seenFull = 0;
    for (std::size_t i = 0; i < diff.pixels.size(); ++i) {
        if (diff.pixels[i] == 255) seenFull += metal.pixels[i] == 0;
        if (diff.pixels[i] == 0) seenZero += metal.pixels[i] == 127;
    }
    EXPECT_GT(seenZero, 0);
    EXPECT_GT(seenFull, 0);
}

TEST(Pipeline, ToneAdjustmentsReachOnlyTheDiffuse) {
    TempDir dir;
    Call plain;
    ASSERT_EQ(plain.run(dir / "plain.png"), 1);
    Call toned = plain;
    toned.contrast = 1.8f;
    toned.brightness = 0.1f;
    toned.invert = 1;
    ASSERT_EQ(toned.run(dir / "toned.png"), 1);
    const auto a = outputNames(dir.path(), "plain");
    const auto b = outputNames(dir.path(), "toned");
    EXPECT_NE(readBytes(a.diffuse), readBytes(b.diffuse));
    EXPECT_EQ(readBytes(a.normal), readBytes(b.normal));
    EXPECT_EQ(readBytes(a.specular), readBytes(b.specular));
    EXPECT_EQ(readBytes(a.roughness), readBytes(b.roughness));
    EXPECT_EQ(readBytes(a.metallic), readBytes(b.metallic));
}

TEST(Pipeline, FlagsCountOnlyWhenExactlyOne) {
    TempDir dir;
    Call base;
    base.materialType = 1;
    ASSERT_EQ(base.run(dir / "base.png"), 1);

    Call two = base;
    two.invert = 2;
    two.writeRoughness = 2;
    two.writeMetallic = -1;
    ASSERT_EQ(two.run(dir / "two.png"), 1);
    const auto names = outputNames(dir.path(), "two");
    EXPECT_EQ(readBytes(names.diffuse), readBytes(outputNames(dir.path(), "base").diffuse));
    EXPECT_FALSE(fs::exists(names.roughness));
    EXPECT_FALSE(fs::exists(names.metallic));

    Call inverted = base;
    inverted.invert = 1;
    ASSERT_EQ(inverted.run(dir / "inv.png"), 1);
    const test::Image a = readPng(outputNames(dir.path(), "base").diffuse);
    const test::Image b = readPng(outputNames(dir.path(), "inv").diffuse);
    // 1 - h quantises to 255 - h or 254 - h depending on rounding of h * 255.
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        EXPECT_LE(std::abs(255 - a.pixels[i] - b.pixels[i]), 1) << i;
    }
}

TEST(Pipeline, NaNContrastIsAppliedAndWritesZeros) {
    TempDir dir;
    Call call;
    call.materialType = 1;
    call.contrast = std::numeric_limits<float>::quiet_NaN();
    ASSERT_EQ(call.run(dir / "nan.png"), 1);
    for (uint8_t v : readPng(outputNames(dir.path(), "nan").diffuse).pixels) ASSERT_EQ(v, 0);
}

TEST(Pipeline, SeamlessTwoWrapsOnlyTheNormalMap) {
    TempDir dir;
    Call off;
    ASSERT_EQ(off.run(dir / "off.png"), 1);
    Call two = off;
    two.seamless = 2;
    ASSERT_EQ(two.run(dir / "two.png"), 1);
    Call one = off;
    one.seamless = 1;
    ASSERT_EQ(one.run(dir / "one.png"), 1);

    const auto a = outputNames(dir.path(), "off");
    const auto b = outputNames(dir.path(), "two");
    EXPECT_EQ(readBytes(a.diffuse), readBytes(b.diffuse));
    EXPECT_EQ(readBytes(a.specular), readBytes(b.specular));
    EXPECT_NE(readBytes(a.diffuse), readBytes(outputNames(dir.path(), "one").diffuse));

    const test::Image na = readPng(a.normal);
    const test::Image nb = readPng(b.normal);
    int borderDifferences = 0;
    for (int y = 0; y < na.height; ++y) {
        for (int x = 0; x < na.width; ++x) {
            const bool border = x == 0 || y == 0 || x == na.width - 1 || y == na.height - 1;
            for (int c = 0; c < 3; ++c) {
                if (border) {
                    borderDifferences += na.at(x, y, c) != nb.at(x, y, c);
                } else {
                    ASSERT_EQ(na.at(x, y, c), nb.at(x, y, c)) << x << "," << y;
                }
            }
        }
    }
    EXPECT_GT(borderDifferences, 0);
}

TEST(Pipeline, FlatFieldsGiveMidGreyAndFlatNormals) {
    TempDir dir;
    Call call;
    call.materialType = 8;
    call.octaves = 0;
    ASSERT_EQ(call.run(dir / "flat.png"), 1);
    const auto names = outputNames(dir.path(), "flat");
    for (uint8_t v : readPng(names.diffuse).pixels) ASSERT_EQ(v, 127);
    const test::Image normal = readPng(names.normal);
    for (int i = 0; i < normal.width * normal.height; ++i) {
        ASSERT_EQ(normal.pixels[3 * i], 127);
        ASSERT_EQ(normal.pixels[3 * i + 2], 255);
    }

    Call single;
    single.width = single.height = 1;
    EXPECT_EQ(single.run(dir / "one.png"), 1);
}

TEST(OutputNaming, DerivedFromTheLastDotPng) {
    TempDir dir;
    Call call;
    fs::create_directory(dir / "a.png");
    ASSERT_EQ(call.run(dir / "a.png" / "b.png"), 1);
    EXPECT_TRUE(fs::exists(dir / "a.png" / "b_diff.png"));
    ASSERT_EQ(call.run(dir / "out.png.tmp"), 1);
    EXPECT_TRUE(fs::exists(dir / "out_diff.png"));
    EXPECT_TRUE(fs::exists(dir / "out_metal.png"));
    EXPECT_FALSE(fs::exists(dir / "out.png.tmp"));
}

TEST(OutputNaming, WithoutDotPngTheLastImageWrittenRemains) {
    TempDir dir;
    Call call;
    ASSERT_EQ(call.run(dir / "ref.png"), 1);
    const auto ref = outputNames(dir.path(), "ref");

    ASSERT_EQ(call.run(dir / "all.PNG"), 1);
    EXPECT_EQ(test::listFiles(dir.path()).size(), 6u);
    EXPECT_EQ(readBytes(dir / "all.PNG"), readBytes(ref.metallic));

    call.writeMetallic = 0;
    ASSERT_EQ(call.run(dir / "noext"), 1);
    EXPECT_EQ(readBytes(dir / "noext"), readBytes(ref.roughness));

    call.writeRoughness = 0;
    ASSERT_EQ(call.run(dir / "noext"), 1);
    EXPECT_EQ(readBytes(dir / "noext"), readBytes(ref.specular));
}

// A directory standing where one image should go makes that write fail; the
// diffuse, normal and specular files are replaced together or not at all.
TEST(WriteFailures, DiffuseFailureWritesNothingElse) {
    TempDir dir;
    fs::create_directory(dir / "x_diff.png");
    EXPECT_EQ(Call{}.run(dir / "x.png"), 0);
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"x_diff.png"});
}

TEST(WriteFailures, NormalOrSpecularFailureReplacesNothing) {
    for (const char* blocked : {"x_nmap.png", "x_spec.png"}) {
        TempDir dir;
        fs::create_directory(dir / blocked);
        std::ofstream(dir / "x_diff.png") << "old";
        EXPECT_EQ(Call{}.run(dir / "x.png"), 0);
        EXPECT_EQ(test::listFiles(dir.path()), (std::vector<std::string>{"x_diff.png", blocked}));
        EXPECT_EQ(readBytes(dir / "x_diff.png"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

TEST(WriteFailures, RoughnessAndMetallicFailuresKeepTheResult) {
    TempDir dir;
    fs::create_directory(dir / "x_rough.png");
    fs::create_directory(dir / "x_metal.png");
    EXPECT_EQ(Call{}.run(dir / "x.png"), 1);
    EXPECT_TRUE(fs::is_regular_file(dir / "x_spec.png"));
}

TEST(WriteFailures, MissingDirectoryReturnsZero) {
    TempDir dir;
    EXPECT_EQ(Call{}.run(dir / "missing" / "x.png"), 0);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

TEST(Arguments, UnusableSizesAndPathsReturnZeroWithoutWriting) {
    TempDir dir;
    struct Size {
        int width, height;
    };
    // 65536 x 65537 x 3 wraps in 32 bits; the others are not positive.
    for (const Size s : {Size{0, 8}, Size{8, 0}, Size{-4, 8}, Size{-4, -4}, Size{65536, 65537},
                         Size{std::numeric_limits<int>::max(), 2}, Size{30000, 30000}}) {
        Call call;
        call.width = s.width;
        call.height = s.height;
        EXPECT_EQ(call.run(dir / "x.png"), 0) << s.width << " x " << s.height;
    }
    EXPECT_EQ(Call{}.run(static_cast<const wchar_t*>(nullptr)), 0);
    EXPECT_EQ(Call{}.run(L""), 0);
    const std::wstring tooLong = (dir / "").wstring() + std::wstring(600, L'a') + L".png";
    EXPECT_EQ(Call{}.run(tooLong.c_str()), 0);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

TEST(Arguments, PathTheLocaleCannotRepresentReturnsZero) {
    std::setlocale(LC_CTYPE, "C");
    TempDir dir;
    // Beyond every one-byte code page, so no "C" locale has it.
    const std::wstring path = (dir / "").wstring() + L"st\u4e2dne.png";
    EXPECT_EQ(Call{}.run(path.c_str()), 0);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

TEST(Exports, OnlyTheOriginalTwoAndProctexNamesAreExported) {
#if defined(_WIN32)
    GTEST_SKIP() << "the DLL's export table is read by tests/windows/check-dll-tables";
#endif
    const std::string command = std::string("nm -D --defined-only ") + PROCTEX_LIBRARY_PATH;
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string s(line);
        while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
        symbols.push_back(s.substr(s.rfind(' ') + 1));
    }
    ASSERT_EQ(pclose(pipe), 0);
    std::sort(symbols.begin(), symbols.end());
    std::vector<std::string> expected = {"GenerateTexture",
                                         "TestDLL",
                                         "proctex_encode_png",
                                         "proctex_encode_png16",
                                         "proctex_free",
                                         "proctex_generate",
                                         "proctex_map_path",
                                         "proctex_maps_free",
                                         "proctex_maps_height",
                                         "proctex_maps_height16",
                                         "proctex_maps_pixels",
                                         "proctex_preset_count",
                                         "proctex_preset_description",
                                         "proctex_preset_name",
                                         "proctex_preset_settings",
                                         "proctex_save",
                                         "proctex_save_files",
                                         "proctex_settings_check",
                                         "proctex_settings_defaults",
                                         "proctex_version",
                                         "proctex_option_count",
                                         "proctex_option_info",
                                         "proctex_option_find",
                                         "proctex_choice_parse",
                                         "proctex_settings_refusal",
                                         "proctex_map_count",
                                         "proctex_map_info",
                                         "proctex_generate_progress",
                                         "proctex_save_files_progress",
                                         "proctex_colors_parse",
                                         "proctex_colors_text",
                                         "proctex_naming_count",
                                         "proctex_naming_name",
                                         "proctex_naming_help",
                                         "proctex_naming_suffix",
                                         "proctex_layer_defaults",
                                         "proctex_layers_parse",
                                         "proctex_layers_text",
                                         "proctex_layer_option_count",
                                         "proctex_layer_option_info",
                                         "proctex_maps_layer_mask"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(symbols, expected);
}

}  // namespace
}  // namespace proctex
