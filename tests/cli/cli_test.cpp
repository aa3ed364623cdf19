// The command-line tool as a user runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli_run.h"
#include "options.h"
#include "presets.h"
#include "sha256.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using test::CliRun;
using test::runCli;

TEST(Cli, HelpAndVersion) {
    const CliRun help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--width", "--pattern-param", "--overlay-strength",
                               "--normal-strength", "--roughness-map", "--metallic-map"}) {
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    }
    const CliRun version = runCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.output.find("proctex "), std::string::npos);
}

TEST(Cli, WritesAndListsTheFilesLikeTheLibraryCall) {
    TempDir dir;
    const fs::path out = dir / "s.png";
    const CliRun run = runCli(
        "--pbr false --units pixels --width 40 --height 30 --seed 5 --material 2 --seamless 1 "
        "--tileable false " +
        out.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto names = test::outputNames(dir.path(), "s");
    for (const fs::path& p :
         {names.diffuse, names.normal, names.specular, names.roughness, names.metallic}) {
        EXPECT_NE(run.output.find(p.string()), std::string::npos) << p;
    }

    // The options reach the call unchanged.
    test::Call call;
    call.width = 40;
    call.height = 30;
    call.seed = 5;
    call.materialType = 2;
    call.seamless = 1;
    call.baseType = 0;
    call.scale = 24.0f;
    call.octaves = 6;
    call.persistence = 0.72f;
    call.contrast = 1.6f;
    call.normalStrength = 6.0f;
    ASSERT_EQ(call.run(dir / "direct.png"), 1);
    // Every file byte for byte, though the tool saves through proctex_save.
    const auto direct = test::outputNames(dir.path(), "direct");
    EXPECT_EQ(test::readBytes(names.diffuse), test::readBytes(direct.diffuse));
    EXPECT_EQ(test::readBytes(names.normal), test::readBytes(direct.normal));
    EXPECT_EQ(test::readBytes(names.specular), test::readBytes(direct.specular));
    EXPECT_EQ(test::readBytes(names.roughness), test::readBytes(direct.roughness));
    EXPECT_EQ(test::readBytes(names.metallic), test::readBytes(direct.metallic));
}

// The library's reason for refusing settings, as the tool should print it:
// after the option the reason names.
std::string refusal(const cli::Options& o) {
    const auto refused = cli::settingsRefusal(o);
    EXPECT_TRUE(refused.has_value());
    if (!refused) return {};
    EXPECT_NE(refused->field, nullptr) << refused->reason;
    return std::string("proctex: --") + (refused->field ? refused->field->name : "?") + ": " +
           refused->reason + "\n";
}

TEST(Cli, RefusedSettingsPrintTheLibrarysReasonAndExitTwo) {
    TempDir dir;
    const struct {
        const char* arguments;
        void (*change)(cli::Options&);
    } cases[] = {
        {"--width 30000 --height 30000",
         [](cli::Options& o) {
             o.width = 30000;
             o.height = 30000;
         }},
        {"--pattern 6 --pattern-param 0",
         [](cli::Options& o) { o.patternType = PROCTEX_PATTERN_CELLS; }},
        {"--overlay 2 --overlay-param 0 --overlay-strength 40",
         [](cli::Options& o) {
             o.overlayType = PROCTEX_OVERLAY_BRICKS;
             o.overlayStrength = 40.0f;
         }},
        {"--overlay 2 --overlay-param 96 --overlay-strength 0",
         [](cli::Options& o) {
             o.overlayType = PROCTEX_OVERLAY_BRICKS;
             o.overlayParam = 96.0f;
         }},
    };
    for (const auto& c : cases) {
        cli::Options o;
        c.change(o);
        const CliRun run = runCli(std::string(c.arguments) + " " + (dir / "x.png").string());
        EXPECT_EQ(run.exitCode, 2) << c.arguments;
        EXPECT_EQ(run.output, refusal(o)) << c.arguments;
    }
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

TEST(Cli, ExplainsOutputProblems) {
    TempDir dir;

    const CliRun noOutput = runCli("--width 8");
    EXPECT_EQ(noOutput.exitCode, 2);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());

    // A folder where the normal map should go: nothing of the set is
    // written or listed, and the tool names the file and the reason.
    fs::create_directory(dir / "y_nmap.png");
    const CliRun blocked = runCli("--width 16 --height 16 " + (dir / "y.png").string());
    EXPECT_EQ(blocked.exitCode, 1);
    EXPECT_EQ(blocked.output, "proctex: could not write " + (dir / "y_nmap.png").string() +
                                  ": Is a directory (no file of the set was replaced)\n");
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

// Names Windows takes otherwise (a stream, a device) or not at all, checked
// by its rules here too; a name too long for one map writes no map.
TEST(Cli, NamesNoFileCanTakeAreKnownBeforehand) {
    for (const char* bad : {"ab:c.png", "x/a:b.png", "out/CON.png", "nul/x.png", "x/com1.tar.png",
                            "LPT9 .png", "a?.png", "d\\Aux\\x.png"}) {
        EXPECT_NE(cli::fileNameProblem(bad, true), "") << bad;
        EXPECT_EQ(cli::fileNameProblem(bad, false), "") << bad;
    }
    for (const char* good : {"C:/x/a.png", "c:\\x\\a.png", "\\\\?\\C:\\a.png", "COM10.png",
                             "console.png", "x/nul_diff.png"}) {
        EXPECT_EQ(cli::fileNameProblem(good, true), "") << good;
    }
    std::string accents;  // 200 UTF-16 units, 400 bytes
    for (int i = 0; i < 200; ++i) accents += "\u00e9";
    EXPECT_EQ(cli::fileNameProblem(accents, true), "");
    EXPECT_NE(cli::fileNameProblem(accents, false), "");
    cli::Options o;
    o.output = "CON.png";
    o.sidecar = true;  // CON.json
    EXPECT_NE(cli::setNameProblem(o, true), "");

    TempDir dir;
    const CliRun run = runCli((dir / (std::string(246, 'b') + ".png")).string());
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("_rough.png: the name bbbb"), std::string::npos) << run.output;
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

TEST(Cli, PresetsAreListedAndCommandLineOptionsOverrideThem) {
    const CliRun list = runCli("--list-presets");
    EXPECT_EQ(list.exitCode, 0);
    for (const cli::Preset& p : cli::presets()) {
        EXPECT_NE(list.output.find(std::string(p.name) + " "), std::string::npos) << p.name;
        EXPECT_NE(list.output.find(p.description), std::string::npos) << p.name;
    }

    TempDir dir;
    const CliRun run =
        runCli("--preset marble --width 48 --height 40 --seed 77 " + (dir / "m.png").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    cli::Options expected = cli::findPreset("marble")->options;
    expected.width = 48;
    expected.height = 40;
    expected.seed = 77;
    expected.output = (dir / "direct.png").string();
    ASSERT_TRUE(cli::generate(expected).ok);
    const auto made = test::outputNames(dir.path(), "m");
    const auto direct = test::outputNames(dir.path(), "direct");
    EXPECT_EQ(test::readBytes(made.diffuse), test::readBytes(direct.diffuse));
    EXPECT_EQ(test::readBytes(made.normal), test::readBytes(direct.normal));

    // --show-preset prints a command line that makes the same material.
    const CliRun shown = runCli("--show-preset marble");
    ASSERT_EQ(shown.exitCode, 0);
    std::string line = shown.output.substr(0, shown.output.find('\n'));
    ASSERT_EQ(line.rfind("proctex ", 0), 0u) << line;
    line = line.substr(8, line.size() - 8 - 7);  // without "proctex " and "OUT.png"
    ASSERT_EQ(
        runCli(line + " --width 48 --height 40 --seed 77 " + (dir / "s.png").string()).exitCode, 0);
    EXPECT_EQ(test::readBytes(test::outputNames(dir.path(), "s").diffuse),
              test::readBytes(direct.diffuse));

    const CliRun unknown = runCli("--preset plaid " + (dir / "p.png").string());
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.output.find("plaid"), std::string::npos) << unknown.output;
    const CliRun mixed = runCli("--seed 3 batch " + (dir / "x.json").string());
    EXPECT_EQ(mixed.exitCode, 2);
    EXPECT_NE(mixed.output.find("not with batch"), std::string::npos) << mixed.output;
}

TEST(Cli, BatchKeepsGoingAfterAFailureAndSaysSo) {
    TempDir dir;
    const fs::path manifest = dir / "m.json";
    writeText(manifest, R"({"defaults": {"width": 32, "height": 24},
        "materials": [
            {"preset": "granite", "output": ")" +
                            (dir / "out" / "g.png").string() + R"("},
            {"preset": "lava", "output": ")" +
                            (dir / "out" / "bad.png").string() + R"("},
            {"output": ")" + (dir / "out" / "plain.png").string() +
                            R"(", "seed": 5}
        ]})");
    // A folder where item 2's normal map should go: only that item fails.
    fs::create_directories(dir / "out" / "bad_nmap.png");
    const CliRun run = runCli("batch --jobs 2 --progress lines " + manifest.string());
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("batch: 3 materials on 2 jobs"), std::string::npos) << run.output;
    const std::string failure = "failed item 2 " + (dir / "out" / "bad.png").string() + " (lava): ";
    const std::size_t at = run.output.find(failure);
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_NE(run.output.find("bad_nmap.png", at + failure.size()), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("batch: 2 of 3 written"), std::string::npos) << run.output;
    EXPECT_TRUE(fs::exists(dir / "out" / "g_diff.png"));
    EXPECT_TRUE(fs::exists(dir / "out" / "plain_metal.png"));

    // The same manifest without the broken item succeeds.
    writeText(manifest, R"([{"preset": "granite", "width": 16, "height": 16, "output": ")" +
                            (dir / "out" / "g2.png").string() + R"("}])");
    const CliRun good = runCli("batch " + manifest.string());
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_NE(good.output.find("batch: 1 of 1 written"), std::string::npos) << good.output;
}

TEST(Cli, MalformedManifestStopsBeforeAnyWork) {
    TempDir dir;
    const fs::path manifest = dir / "m.json";
    writeText(manifest, R"([{"output": ")" + (dir / "a.png").string() + R"("},
                            {"output": ")" +
                            (dir / "b.png").string() + R"(", "width": "big"}])");
    const CliRun run = runCli("batch " + manifest.string());
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.output.find("item 2, field \"width\""), std::string::npos) << run.output;
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"m.json"});

    const CliRun missing = runCli("batch " + (dir / "none.json").string());
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.output.find("cannot read"), std::string::npos) << missing.output;
}

// An item's files, its record among them, may not replace the manifest or
// the report; refused before anything is written.
TEST(Cli, BatchNeverWritesOverItsManifestOrItsReport) {
    TempDir dir;
    const fs::path manifest = dir / "m.json";
    const std::string text = R"([{"output": ")" + (dir / "m.png").string() +
                             R"(", "sidecar": true, "width": 16, "height": 16}])";
    writeText(manifest, text);
    const CliRun run = runCli("batch " + manifest.string());
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("m.json, as the manifest is"), std::string::npos) << run.output;

    const fs::path other = dir / "o.json";
    writeText(other,
              R"([{"output": ")" + (dir / "r.png").string() + R"(", "width": 16, "height": 16}])");
    for (const fs::path& report : {dir / "r_diff.png", other}) {
        const CliRun clash = runCli("batch --report " + report.string() + " " + other.string());
        EXPECT_EQ(clash.exitCode, 2) << clash.output;
    }
    EXPECT_EQ(test::listFiles(dir.path()), (std::vector<std::string>{"m.json", "o.json"}));
    EXPECT_TRUE(test::readBytes(manifest) == std::vector<uint8_t>(text.begin(), text.end()));
}

// --report records every item with the digests of its files; --check lists
// the items and their files and writes nothing.
TEST(Cli, BatchReportAndCheck) {
    TempDir dir;
    const fs::path manifest = dir / "m.json";
    const std::string good = (dir / "out" / "g.png").string();
    const std::string bad = (dir / "out" / "bad.png").string();
    writeText(manifest, R"([{"preset": "granite", "width": 32, "height": 24, "orm": true,
        "naming": "godot", "output": ")" +
                            good + R"("},
        {"width": 16, "height": 16, "output": ")" +
                            bad + R"("}])");
    fs::create_directories(dir / "out" / "bad_nmap.png");  // fails only when it is written

    const CliRun check = runCli("batch --check " + manifest.string());
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_FALSE(fs::exists(dir / "out" / "g_diff.png"));
    std::istringstream lines(check.output);
    std::vector<nlohmann::json> items;
    for (std::string line; std::getline(lines, line);) items.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(items.size(), 2u) << check.output;
    cli::Options granite = cli::findPreset("granite")->options;
    granite.width = 32;
    granite.height = 24;
    granite.output = good;
    cli::setExtraOutput(*cli::findExtraOutput("orm"), true, granite);
    granite.naming = "godot";
    EXPECT_EQ(items[0]["files"].get<std::vector<std::string>>(), cli::outputFiles(granite));
    EXPECT_EQ(items[0]["maps"], cli::mapsToMake(granite));
    EXPECT_EQ(items[0]["settings"]["seed"], granite.seed);
    EXPECT_FALSE(items[0]["copies"].empty());
    EXPECT_EQ(items[1]["settings"]["width"], 16);

    const fs::path report = dir / "report.json";
    const CliRun run = runCli("batch --jobs 2 --progress quiet --report " + report.string() + " " +
                              manifest.string());
    EXPECT_EQ(run.exitCode, 1) << run.output;
    std::ifstream in(report);
    const nlohmann::json record = nlohmann::json::parse(in);
    EXPECT_EQ(record["failed"], 1);
    const auto& materials = record["materials"];
    ASSERT_EQ(materials.size(), 2u);
    EXPECT_EQ(materials[0]["outcome"], "written");
    EXPECT_EQ(materials[0]["settings"], items[0]["settings"]);
    ASSERT_EQ(materials[0]["files"].size(), items[0]["files"].size());
    for (const auto& file : materials[0]["files"]) {
        const std::vector<uint8_t> bytes = test::readBytes(file["path"].get<std::string>());
        EXPECT_EQ(file["bytes"], bytes.size());
        EXPECT_EQ(file["sha256"], cli::sha256Hex(bytes.data(), bytes.size()));
    }
    EXPECT_EQ(materials[1]["outcome"], "failed");
    EXPECT_NE(materials[1]["error"].get<std::string>().find("bad_nmap.png"), std::string::npos);
    // A failed item lists no file, so no hash of a file it did not write.
    EXPECT_TRUE(materials[1]["files"].empty());
    EXPECT_FALSE(fs::exists(dir / "out" / "bad_diff.png"));
}

TEST(Cli, GalleryWritesEverySheet) {
    TempDir dir;
    const CliRun run = runCli("gallery --size 48 --progress quiet " + (dir / "g").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const test::Image presets = test::readPng(dir / "g" / "presets.png");
    const test::Image types = test::readPng(dir / "g" / "types.png");
    EXPECT_EQ(presets.channels, 3);
    EXPECT_GT(presets.width, 48 * 4);
    EXPECT_GT(types.height, 2 * 48 * 2);
    EXPECT_TRUE(fs::exists(dir / "g" / "presets" / "granite_diff.png"));
    EXPECT_TRUE(fs::exists(dir / "g" / "types" / "overlay-2_nmap.png"));
    // Three seeds of a preset: one material, three layouts.
    EXPECT_EQ(test::readPng(dir / "g" / "seeds.png").channels, 3);
    const auto seed = [&](int k) {
        return test::readPng(dir / "g" / "seeds" /
                             ("brick-wall-" + std::to_string(k) + "_diff.png"))
            .pixels;
    };
    EXPECT_NE(seed(0), seed(1));
    EXPECT_NE(seed(1), seed(2));
    EXPECT_EQ(seed(0), test::readPng(dir / "g" / "presets" / "brick-wall_diff.png").pixels);
}

TEST(CliExtras, ExtraMapsAreTheMapsTheyPackOrFlip) {
    TempDir dir;
    const fs::path out = dir / "x.png";
    const CliRun run = runCli(
        "--preset cobblestone --width 48 --height 40 --roughness-map 0 "
        "--ao --orm --opengl-normal --height16 " +
        out.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const test::Image normal = test::readPng(dir / "x_nmap.png");
    const test::Image gl = test::readPng(dir / "x_nmap_gl.png");
    const test::Image ao = test::readPng(dir / "x_ao.png");
    const test::Image metal = test::readPng(dir / "x_metal.png");
    const test::Image orm = test::readPng(dir / "x_orm.png");
    EXPECT_FALSE(fs::exists(dir / "x_rough.png"));
    ASSERT_EQ(gl.pixels.size(), normal.pixels.size());
    ASSERT_EQ(orm.channels, 3);
    // The preset's roughness as a byte, the map not asked for.
    const auto roughByte =
        static_cast<uint8_t>(cli::findPreset("cobblestone")->options.roughness * 255.0f);
    for (int y = 0; y < normal.height; ++y) {
        for (int x = 0; x < normal.width; ++x) {
            ASSERT_EQ(gl.at(x, y, 0), normal.at(x, y, 0));
            ASSERT_EQ(gl.at(x, y, 1), 255 - normal.at(x, y, 1));
            ASSERT_EQ(gl.at(x, y, 2), normal.at(x, y, 2));
            ASSERT_EQ(orm.at(x, y, 0), ao.at(x, y));
            ASSERT_EQ(orm.at(x, y, 1), roughByte);
            ASSERT_EQ(orm.at(x, y, 2), metal.at(x, y));
        }
    }
    // The 16-bit height is the height field of the same settings, rounded.
    cli::Options o = cli::findPreset("cobblestone")->options;
    o.width = 48;
    o.height = 40;
    ProctexMaps* maps = nullptr;
    ASSERT_EQ(proctex_generate(&o, PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT), &maps, nullptr, 0),
              PROCTEX_OK);
    const float* heights = proctex_maps_height(maps, nullptr, nullptr);
    const std::vector<uint16_t> height16 = test::readGrey16Png(dir / "x_height.png");
    ASSERT_EQ(height16.size(), std::size_t(48 * 40));
    for (std::size_t k = 0; k < height16.size(); ++k) {
        const float h = std::min(std::max(heights[k], 0.0f), 1.0f);
        ASSERT_EQ(height16[k], static_cast<uint16_t>(h * 65535.0f + 0.5f)) << k;
    }
    proctex_maps_free(maps);
}

TEST(CliExtras, TheSidecarRecordsTheFilesAndMakesThemAgain) {
    TempDir dir;
    fs::create_directory(dir / "again");
    const CliRun first =
        runCli("--preset lava --width 40 --height 32 --ao --sidecar " + (dir / "m.png").string());
    ASSERT_EQ(first.exitCode, 0) << first.output;
    std::ifstream in(dir / "m.json");
    const std::string record((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    EXPECT_NE(record.find("\"seed\": 808"), std::string::npos) << record;
    EXPECT_NE(record.find(std::to_string(fs::file_size(dir / "m_ao.png"))), std::string::npos);

    const CliRun again =
        runCli("--from " + (dir / "m.json").string() + " " + (dir / "again" / "m.png").string());
    ASSERT_EQ(again.exitCode, 0) << again.output;
    for (const char* name : {"m_diff.png", "m_nmap.png", "m_ao.png", "m_metal.png"}) {
        EXPECT_EQ(test::readBytes(dir / name), test::readBytes(dir / "again" / name)) << name;
    }
    const CliRun refused = runCli("--ao --ao-radius -1 " + (dir / "r.png").string());
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.output.find("--ao-radius: must be a number from 0 to 256"), std::string::npos)
        << refused.output;
}

TEST(CliExtras, NamingConventionsWriteTheMapsUnderTheirNames) {
    TempDir dir;
    fs::create_directory(dir / "ours");
    const CliRun run =
        runCli("--width 32 --height 24 --naming unreal " + (dir / "rock.png").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    ASSERT_EQ(
        runCli("--width 32 --height 24 --orm " + (dir / "ours" / "rock.png").string()).exitCode, 0);
    EXPECT_EQ(test::readBytes(dir / "rock_BaseColor.png"),
              test::readBytes(dir / "ours" / "rock_diff.png"));
    EXPECT_EQ(test::readBytes(dir / "rock_Normal_DX.png"),
              test::readBytes(dir / "ours" / "rock_nmap.png"));
    EXPECT_EQ(test::readBytes(dir / "rock_ORM.png"),
              test::readBytes(dir / "ours" / "rock_orm.png"));
    EXPECT_FALSE(fs::exists(dir / "rock_diff.png"));  // once, under Unreal's name
    EXPECT_TRUE(fs::exists(dir / "rock_spec.png"));   // Unreal has no name for it
    EXPECT_NE(run.output.find("rock_ORM.png"), std::string::npos) << run.output;
    const CliRun unknown = runCli("--naming maya " + (dir / "x.png").string());
    EXPECT_NE(unknown.exitCode, 0);
    EXPECT_NE(unknown.output.find("naming"), std::string::npos) << unknown.output;

    // Manifest items take the same keys as the command line's extras.
    std::ofstream(dir / "m.json") << R"([{"output": ")" << (dir / "g.png").string()
                                  << R"(", "width": 32, "height": 24, "naming": "godot",
                                        "glb": true}])";
    const CliRun batch = runCli("batch --progress lines " + (dir / "m.json").string());
    ASSERT_EQ(batch.exitCode, 0) << batch.output;
    EXPECT_TRUE(fs::exists(dir / "g_normal_gl.png"));
    EXPECT_TRUE(fs::exists(dir / "g.glb"));
}

TEST(CliExtras, SmallCompressionKeepsThePixelsInFewerBytes) {
    TempDir dir;
    fs::create_directory(dir / "small");
    ASSERT_EQ(runCli("--width 96 --height 64 " + (dir / "x.png").string()).exitCode, 0);
    const CliRun small =
        runCli("--width 96 --height 64 --compression small " + (dir / "small" / "x.png").string());
    ASSERT_EQ(small.exitCode, 0) << small.output;
    std::uintmax_t defaultBytes = 0, smallBytes = 0;
    for (const char* name : {"x_diff.png", "x_nmap.png", "x_spec.png", "x_rough.png"}) {
        const test::Image a = test::readPng(dir / name);
        const test::Image b = test::readPng(dir / "small" / name);
        EXPECT_EQ(a.pixels, b.pixels) << name;
        defaultBytes += fs::file_size(dir / name);
        smallBytes += fs::file_size(dir / "small" / name);
    }
    EXPECT_LT(smallBytes, defaultBytes);
}

TEST(Sha256, KnownDigests) {
    const auto digest = [](const std::string& text) {
        return cli::sha256Hex(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    };
    EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digest("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
}  // namespace proctex
