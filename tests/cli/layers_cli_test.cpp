// Layers through the tool: --layers read and refused by the library's rules,
// kept in records, manifests taking the text or one entry per layer, and
// proctex render making one material file's set.
#include <gtest/gtest.h>

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
