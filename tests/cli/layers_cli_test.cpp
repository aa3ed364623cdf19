// Layers through the tool: --layers read and refused by the library's rules,
// kept in records, manifests taking the text or one entry per layer, and
// proctex render making one material file's set.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"
#include "manifest.h"
#include "options.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;
using test::TempDir;

// In the order the library prints the keys, so each reads back as written.
const std::string kMortar = "mask=joints color=#9a948a roughness=0.92 height=-0.03";
const std::string kMoss = "mask=height threshold=0.35 softness=0.1 invert=1 color=#4d5a2a";

nlohmann::json readJson(const fs::path& path) {
    std::ifstream in(path);
    return nlohmann::json::parse(in);
}

void write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string layersOf(const ProctexSettings& s) {
    return cli::fieldText(*cli::findField("layers"), s);
}

std::string manifestError(const std::string& text) {
    try {
        cli::parseManifest(text);
    } catch (const cli::ManifestError& e) {
        return e.what();
    }
    return "";
}

TEST(CliLayers, KeptInTheRecordMadeAgainByRenderAndRefusedByLayerAndKey) {
    TempDir dir;
    const CliRun run = runCli("--preset brick-wall --width 24 --height 24 --sidecar --layers \"" +
                              kMortar + ";" + kMoss + "\" " + (dir / "a.png").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(readJson(dir / "a.json")["layers"], kMortar + "; " + kMoss);

    const CliRun again =
        runCli("render " + (dir / "a.json").string() + " " + (dir / "b.png").string());
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_NE(again.output.find("b_diff.png: the same as the record's"), std::string::npos)
        << again.output;
    EXPECT_EQ(readJson(dir / "b.json")["layers"], kMortar + "; " + kMoss);

    // Without layers the record has no such key, as without a ramp.
    ASSERT_EQ(runCli("--width 8 --height 8 --sidecar " + (dir / "c.png").string()).exitCode, 0);
    EXPECT_FALSE(readJson(dir / "c.json").contains("layers"));

    const CliRun bad =
        runCli("--layers \"" + kMortar + "; mask=joints height=2\" " + (dir / "x.png").string());
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.output.find("--layers: layer 2 height must be"), std::string::npos) << bad.output;
}

std::string layersTextOf(const std::string& text) {
    ProctexSettings s;
    proctex_settings_init(&s);
    char reason[PROCTEX_REASON_SIZE] = "";
    EXPECT_EQ(proctex_layers_parse(text.c_str(), &s, reason, sizeof reason), PROCTEX_OK) << reason;
    return layersOf(s);
}

// --help-layers is the library's layer table: each key's line holds its help,
// its limits or names, and a default that the library reads as the default.
TEST(CliLayers, HelpListsEveryKeyOfTheLibrarysTable) {
    const CliRun run = runCli("--help-layers");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ASSERT_GT(proctex_layer_option_count(), 0);
    const std::string plainLayer = layersTextOf("mask=all");
    for (int i = 0; i < proctex_layer_option_count(); ++i) {
        ProctexOptionInfo key{};
        key.size = sizeof key;
        ASSERT_EQ(proctex_layer_option_info(i, &key), PROCTEX_OK);
        const std::size_t at = run.output.find("\n  " + std::string(key.name) + "=");
        ASSERT_NE(at, std::string::npos) << key.name << " missing from\n" << run.output;
        const std::string line = run.output.substr(at + 1, run.output.find('\n', at + 1) - at - 1);
        EXPECT_NE(line.find(key.help), std::string::npos) << line;
        if (key.kind == PROCTEX_KIND_CHOICE) {
            std::string names = "one of ";
            for (int c = 0; c < key.choiceCount; ++c) {
                names += (c > 0 ? ", " : "") + std::string(key.choices[c].name);
            }
            EXPECT_NE(line.find(names + " (default "), std::string::npos) << line;
        }
        if (key.kind == PROCTEX_KIND_NUMBER || key.kind == PROCTEX_KIND_INTEGER) {
            char most[32];
            const auto written =
                key.kind == PROCTEX_KIND_INTEGER
                    ? std::to_chars(most, most + sizeof most, static_cast<long long>(key.limitMax))
                    : std::to_chars(most, most + sizeof most, static_cast<float>(key.limitMax));
            const std::string limit(most, written.ptr);
            EXPECT_NE(line.find(" to " + limit), std::string::npos) << line;
        }
        const std::size_t given = line.rfind("(default ");
        ASSERT_NE(given, std::string::npos) << line;
        const std::string value = line.substr(given + 9, line.size() - given - 10);
        EXPECT_EQ(layersTextOf(std::string(key.name) + "=" + value), plainLayer) << line;
    }
    EXPECT_NE(runCli("--help").output.find("--help-layers"), std::string::npos);
}

// In a manifest an array's entries are the layers the library's reasons count.
TEST(ManifestLayers, EachEntryOfAnArrayIsALayer) {
    const auto items = cli::parseManifest(R"([
        {"output": "a.png", "layers": [")" +
                                          kMortar + R"(", ")" + kMoss + R"("]},
        {"output": "b.png", "layers": ")" +
                                          kMortar + "; " + kMoss + R"("},
        {"output": "c.png", "colors": ["#ff0000@0", "#0000ff@1"]}])");
    ASSERT_EQ(items.size(), 3u);
    ASSERT_EQ(items[0].options.layerCount, 2);
    EXPECT_EQ(items[0].options.layers[0].mask, PROCTEX_MASK_JOINTS);
    EXPECT_EQ(items[0].options.layers[1].invert, 1);
    EXPECT_EQ(layersOf(items[0].options), layersOf(items[1].options));
    EXPECT_EQ(items[2].options.colorStopCount, 2);  // the ramp's stops the same way

    const std::pair<const char*, const char*> faults[] = {
        {R"(["mask=joints", "mask=nosie"])", R"(field "layers": layer 2 mask must be one of)"},
        {R"(["mask=joints", 3])", "entry 2 must be a string"},
        {R"(["mask=joints; mask=all"])", "entry 1 holds ';'"},
        {R"(["mask=joints", " "])", "entry 2 is empty"}};
    for (const auto& [layers, fault] : faults) {
        EXPECT_NE(manifestError(std::string(R"([{"output": "a.png", "layers": )") + layers + "}]")
                      .find(fault),
                  std::string::npos)
            << layers;
    }
}

TEST(CliRender, TheFileNamesItsOutputUnlessTheCommandLineDoes) {
    TempDir dir;
    const std::string material = (dir / "wall.json").string();
    write(material, R"({"preset": "brick-wall", "width": 16, "height": 16, "layers": [")" +
                        kMortar + R"("], "output": ")" + (dir / "file.png").string() + R"("})");
    ASSERT_EQ(runCli("render " + material).exitCode, 0);
    ASSERT_EQ(runCli("render " + material + " " + (dir / "given.png").string()).exitCode, 0);
    const CliRun line = runCli("--preset brick-wall --width 16 --height 16 --layers \"" + kMortar +
                               "\" " + (dir / "line.png").string());
    ASSERT_EQ(line.exitCode, 0) << line.output;
    EXPECT_EQ(test::readBytes(dir / "file_diff.png"), test::readBytes(dir / "line_diff.png"));
    EXPECT_EQ(test::readBytes(dir / "given_diff.png"), test::readBytes(dir / "line_diff.png"));

    // Usage errors: no output anywhere, material options beside the file.
    write(dir / "bare.json", R"({"width": 16})");
    const CliRun bare = runCli("render " + (dir / "bare.json").string());
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_NE(bare.output.find(R"(field "output": missing)"), std::string::npos) << bare.output;
    for (const std::string& args :
         {"render " + material + " --seed 3", "--seed 3 render " + material}) {
        const CliRun mixed = runCli(args);
        EXPECT_EQ(mixed.exitCode, 2) << args;
        EXPECT_NE(mixed.output.find("render"), std::string::npos) << mixed.output;
    }
}

}  // namespace
}  // namespace proctex
