// The command line as people use it: choices that work alone, errors that
// name the fault, outputs that say what they do, one behaviour everywhere.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli_run.h"
#include "manifest.h"
#include "options.h"
#include "presets.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

struct MapsDeleter {
    void operator()(ProctexMaps* maps) const { proctex_maps_free(maps); }
};

// The pixels of the diffuse and the normal map, one after the other.
std::vector<unsigned char> diffuseAndNormal(const cli::Options& o) {
    ProctexMaps* raw = nullptr;
    char reason[256] = "";
    EXPECT_EQ(proctex_generate(
                  &o, PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL),
                  &raw, reason, sizeof reason),
              PROCTEX_OK)
        << reason;
    const std::unique_ptr<ProctexMaps, MapsDeleter> maps(raw);
    std::vector<unsigned char> pixels;
    for (int map : {PROCTEX_MAP_DIFFUSE, PROCTEX_MAP_NORMAL}) {
        int w = 0, h = 0, c = 0;
        const unsigned char* p = proctex_maps_pixels(maps.get(), map, &w, &h, &c);
        if (p != nullptr) pixels.insert(pixels.end(), p, p + std::size_t(w) * h * c);
    }
    return pixels;
}

double meanDifference(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b) {
    EXPECT_EQ(a.size(), b.size());
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) sum += std::abs(a[i] - b[i]);
    return a.empty() ? 0.0 : sum / static_cast<double>(a.size());
}

cli::MaterialRequest material(const std::string& json) {
    return cli::parseMaterial(nlohmann::json::parse(json));
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

// --- Choices that work on their own ----------------------------------------

// The choices of the library's table that come with starting values.
std::vector<std::pair<std::string, const ProctexChoice*>> startedChoices() {
    std::vector<std::pair<std::string, const ProctexChoice*>> started;
    for (const cli::Field& f : cli::fields()) {
        for (int i = 0; i < f.info.choiceCount; ++i) {
            if (f.info.choices[i].startCount > 0) started.emplace_back(f.name, &f.info.choices[i]);
        }
    }
    return started;
}

TEST(StartingValues, EveryPatternAndOverlayAloneChangesTheMaps) {
    const std::string size = R"("width": 128, "height": 128)";
    const cli::MaterialRequest plain = material("{" + size + "}");
    ASSERT_TRUE(plain.errors.empty());
    const std::vector<unsigned char> base = diffuseAndNormal(plain.options);
    const auto started = startedChoices();
    ASSERT_EQ(started.size(), 26u);  // twenty-two patterns, four overlays
    for (const auto& [option, c] : started) {
        // Chosen by name, as a user would.
        const cli::MaterialRequest alone =
            material("{" + size + ", \"" + option + "\": \"" + c->name + "\"}");
        ASSERT_TRUE(alone.errors.empty()) << c->name << ": " << alone.errors.front();
        for (int k = 0; k < c->startCount; ++k) {
            const cli::Field* start = cli::findField(c->startOption[k]);
            ASSERT_NE(start, nullptr);
            EXPECT_EQ(cli::fieldText(*start, alone.options),
                      cli::fieldText(*start,
                                     [&] {
                                         ProctexSettings s = alone.options;
                                         cli::setFieldFromNumber(*start, c->startValue[k], s);
                                         return s;
                                     }()))
                << c->name;
        }
        // Patterns change at least two grey levels on average, overlays half
        // of one: visible, not a rounding change.
        EXPECT_GT(meanDifference(diffuseAndNormal(alone.options), base),
                  option == "pattern" ? 2.0 : 0.5)
            << c->name;
    }
}

TEST(StartingValues, ExplicitValuesIncludingZeroStayAsGiven) {
    // Accepted by the library: passed on unchanged.
    const cli::MaterialRequest gamma = material(R"({"pattern": 4, "pattern-param": 0})");
    ASSERT_TRUE(gamma.errors.empty());
    EXPECT_EQ(gamma.options.patternParam, 0.0f);
    const cli::MaterialRequest faint =
        material(R"({"overlay": 4, "overlay-strength": 0.1, "overlay_param": 3})");
    ASSERT_TRUE(faint.errors.empty());
    EXPECT_EQ(faint.options.overlayParam, 3.0f);
    EXPECT_EQ(faint.options.overlayStrength, 0.1f);
    // Refused by the library: the fault names the field.
    const cli::MaterialRequest cells = material(R"({"pattern": 6, "pattern-param": 0})");
    ASSERT_EQ(cells.errors.size(), 1u);
    EXPECT_EQ(cells.errors[0].rfind("field \"pattern-param\": patternParam must be", 0), 0u)
        << cells.errors[0];
    // A preset's parameters stay when the pattern is not chosen again.
    const cli::MaterialRequest lava = material(R"({"preset": "lava", "seed": 3})");
    ASSERT_TRUE(lava.errors.empty());
    EXPECT_EQ(lava.options.patternParam, cli::findPreset("lava")->options.patternParam);
}

TEST(StartingValues, TheCommandLineAndManifestsUseTheSameTable) {
    TempDir dir;
    const std::string cliOut = (dir / "cli.png").string();
    const std::string batchOut = (dir / "batch.png").string();
    const auto run =
        runCli("--preset granite --width 48 --height 40 --pattern 8 --overlay 2 " + cliOut);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    writeText(dir / "m.json", R"([{"preset": "granite", "width": 48, "height": 40,
        "pattern": 8, "overlay": 2, "output": ")" +
                                  batchOut + R"("}])");
    const auto batch = runCli("batch --progress quiet " + (dir / "m.json").string());
    ASSERT_EQ(batch.exitCode, 0) << batch.output;
    EXPECT_EQ(test::readBytes(dir / "cli_diff.png"), test::readBytes(dir / "batch_diff.png"));
    EXPECT_EQ(test::readBytes(dir / "cli_nmap.png"), test::readBytes(dir / "batch_nmap.png"));

    // --starting-values prints the library's starting values; --help lists them.
    const auto shown = runCli("--starting-values");
    ASSERT_EQ(shown.exitCode, 0);
    const nlohmann::json table = nlohmann::json::parse(shown.output);
    EXPECT_EQ(table["pattern"].size() + table["overlay"].size(), startedChoices().size());
    EXPECT_EQ(table["pattern"]["6"]["pattern-param"].get<float>(), 16.0f);
    const auto help = runCli("--help");
    EXPECT_NE(help.output.find("--pattern cells: --pattern-param 16"), std::string::npos);
    EXPECT_NE(help.output.find("--overlay bricks: --overlay-param 96 --overlay-strength 40"),
              std::string::npos);
}

// --- Errors that name the fault ---------------------------------------------

TEST(UsageErrors, ExitCodesAreZeroOneOrTwoAndTheMessageNamesTheFault) {
    TempDir dir;
    const std::string out = (dir / "x.png").string();
    fs::create_directory(dir / "folder.png");
    const struct {
        std::string arguments;
        int exitCode;
        std::string named;
    } cases[] = {
        {"--colour 3 " + out, 2, "unknown option --colour (did you mean --material?)"},
        {"--sed 5 " + out, 2, "unknown option --sed (did you mean --seed?)"},
        {"-w 64 " + out, 2, "unknown option -w (did you mean --width?)"},
        {"--normal-strenght=3 " + out, 2, "(did you mean --normal-strength?)"},
        {"batch --job 2 m.json", 2, "unknown option --job (did you mean --jobs?)"},
        {"--preset granit " + out, 2, "no preset is called 'granit' (did you mean granite?)"},
        {"--preset granit " + out, 2, "(did you mean granite?)"},
        {"--show-preset marbel", 2, "(did you mean marble?)"},
        {"--preset granite marble " + out, 2, "unexpected argument 'marble'"},
        {"--width abc " + out, 2, "--width: must be a whole number from 1 to 2147483647"},
        {"--pattern 99 " + out, 2, "--pattern: unknown pattern '99'; choose one of none (0)"},
        {"--pattern cels " + out, 2, "unknown pattern 'cels' (did you mean cells?)"},
        {"--material Lavva " + out, 2, "(did you mean lava?)"},
        {"--scale nan " + out, 2, "--scale: must be a finite number (got nan)"},
        {"--octaves 2147483647 " + out, 2, "--octaves: must be a whole number from 0 to 32"},
        {"--ao-radius 257 " + out, 2, "--ao-radius: must be a number from 0 to 256"},
        {"--seamless maybe " + out, 2, "--seamless"},
        {"--width", 2, "--width"},
        {"--pattern 6 --pattern-param 0 " + out, 2, "--pattern-param: patternParam"},
        {"--overlay 2 --overlay-strength 0 " + out, 2, "--overlay-strength"},
        {"--naming blender " + out, 2, "--naming"},
        {"--from " + (dir / "none.json").string() + " " + out, 2, "--from"},
        {"batch", 2, "manifest"},
        {"gallery --size 5 " + (dir / "g").string(), 2, "--size"},
        {"--seed 3 batch m.json", 2, "not with batch"},
        {(dir / "x.PNG").string(), 2, ".png (lower case)"},
        {(dir / "noext").string(), 2, "--single-file"},
        {(dir / "folder.png").string(), 2, "is a folder"},
        {"--help", 0, "Exit status: 0 success, 1 "},
        {"--version", 0, "proctex "},
    };
    for (const auto& c : cases) {
        const test::CliRun run = runCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.named), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_EQ(run.output.find("not expected"), std::string::npos) << run.output;
    }
    // Nothing was written by any of them.
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"folder.png"});
}

TEST(UsageErrors, EveryMisuseIsReportedInOurWordsNotTheParsers) {
    TempDir dir;
    const std::string out = (dir / "x.png").string();
    // The option parser's own phrases: none of them may reach a user.
    const char* parserWords[] = {
        "Could not convert", "not in range",      "is required",     "Value ",
        "is not in {",       "Expected at least", "Run with --help", "ArgumentMismatch"};
    for (const std::string& arguments : std::vector<std::string>{
             "--material lava2 " + out, "--width -3 " + out, "--width 1.5 " + out,
             "--seed 99999999999 " + out, "--invert 2 " + out, "--progress loud " + out,
             "--compression tiny " + out, "batch --jobs -1 m.json", "batch --jobs x m.json",
             "batch --progress loud m.json", "gallery --size 4096 " + (dir / "g").string(),
             "gallery", "batch", "studio --port 70000", "studio --port", "--from", "--naming",
             "--from " + (dir / "none.json").string() + " " + out}) {
        const test::CliRun run = runCli(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << "\n" << run.output;
        EXPECT_EQ(run.output.rfind("proctex: ", 0), 0u) << arguments << "\n" << run.output;
        for (const char* words : parserWords) {
            EXPECT_EQ(run.output.find(words), std::string::npos) << arguments << "\n" << run.output;
        }
    }
    // A subcommand's help shows what it takes, not the tool's starting values.
    for (const char* sub : {"batch --help", "gallery --help", "studio --help"}) {
        const test::CliRun help = runCli(sub);
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_EQ(help.output.find("Starting values"), std::string::npos) << sub;
    }
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{});
}

TEST(UsageErrors, FromTakesAnyManifestItemItsOutputIgnored) {
    TempDir dir;
    writeText(dir / "item.json",
              R"({"preset": "granite", "width": 32, "height": 32, "output": "elsewhere.png"})");
    const auto run =
        runCli("--from " + (dir / "item.json").string() + " " + (dir / "a.png").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto direct =
        runCli("--preset granite --width 32 --height 32 " + (dir / "b.png").string());
    ASSERT_EQ(direct.exitCode, 0) << direct.output;
    EXPECT_EQ(test::readBytes(dir / "a_diff.png"), test::readBytes(dir / "b_diff.png"));
    EXPECT_FALSE(fs::exists("elsewhere_diff.png"));
}

TEST(DaskFromTheTool, BatchOnALocalClusterWritesTheBytesOfTheToolsOwnBatch) {
    if (std::system("/usr/bin/python3 -c 'import distributed' 2>/dev/null") != 0) {
        GTEST_SKIP() << "no Python with Dask here (Debian: python3-distributed)";
    }
    TempDir dir;
    for (const char* run : {"threads", "dask"}) {
        writeText(dir / (std::string(run) + ".json"),
                  R"([{"preset": "granite", "width": 48, "height": 40, "output": ")" +
                      (dir / run / "g.png").string() + R"("},
                      {"preset": "lava", "width": 40, "height": 48, "output": ")" +
                      (dir / run / "l.png").string() + R"("}])");
    }
    const auto threads = runCli("batch --progress quiet " + (dir / "threads.json").string());
    ASSERT_EQ(threads.exitCode, 0) << threads.output;
    const auto dask =
        runCli("batch --progress quiet --dask local:2 " + (dir / "dask.json").string());
    ASSERT_EQ(dask.exitCode, 0) << dask.output;
    for (const char* file : {"g_diff.png", "g_nmap.png", "l_metal.png", "l_diff.png"}) {
        EXPECT_EQ(test::readBytes(dir / "threads" / file), test::readBytes(dir / "dask" / file))
            << file;
    }
    // An address nobody answers: one line naming it, after the timeout asked for.
    const auto nobody = runCli("batch --progress quiet --dask tcp://127.0.0.1:1 --timeout 1 " +
                               (dir / "dask.json").string());
    EXPECT_EQ(nobody.exitCode, 1);
    EXPECT_EQ(nobody.output.rfind("proctex batch: cannot reach the Dask scheduler at "
                                  "tcp://127.0.0.1:1 within 1 s",
                                  0),
              0u)
        << nobody.output;
    EXPECT_EQ(nobody.output.find("Traceback"), std::string::npos);
}

// --- Outputs that say what they do ------------------------------------------

TEST(Outputs, MissingFoldersAreMadeAndSingleFileIsAChoice) {
    TempDir dir;
    const fs::path nested = dir / "a" / "b" / "x.png";
    const auto made = runCli("--width 16 --height 16 " + nested.string());
    ASSERT_EQ(made.exitCode, 0) << made.output;
    EXPECT_TRUE(fs::exists(dir / "a" / "b" / "x_metal.png"));

    // Every map on the one path, as asked: the metallic map is written last.
    const fs::path single = dir / "one";
    const auto one = runCli("--width 16 --height 16 --single-file " + single.string());
    ASSERT_EQ(one.exitCode, 0) << one.output;
    EXPECT_EQ(one.output, single.string() + "\n");
    EXPECT_EQ(test::readBytes(single), test::readBytes(dir / "a" / "b" / "x_metal.png"));
}

TEST(Outputs, FlagsTakeTrueAndFalseAsOneAndZero) {
    TempDir dir;
    const std::string common = "--width 24 --height 24 --metallic-map ";
    ASSERT_EQ(
        runCli(common + "false --seamless true --invert 1 " + (dir / "w.png").string()).exitCode,
        0);
    ASSERT_EQ(runCli(common + "0 --seamless 1 --invert true " + (dir / "n.png").string()).exitCode,
              0);
    EXPECT_FALSE(fs::exists(dir / "w_metal.png"));
    EXPECT_EQ(test::readBytes(dir / "w_diff.png"), test::readBytes(dir / "n_diff.png"));
    EXPECT_EQ(test::readBytes(dir / "w_nmap.png"), test::readBytes(dir / "n_nmap.png"));
}

// --- One behaviour everywhere: manifests checked whole ---------------------

TEST(ManifestFaults, EveryFaultyItemIsReportedInOneRunAndNothingIsWritten) {
    TempDir dir;
    const std::string folder = (dir / "out").string();
    writeText(dir / "m.json", R"({"defaults": {"width": 32, "height": 32}, "materials": [
        {"preset": "granite", "output": ")" +
                                  folder + R"(/good.png"},
        {"width": -4, "output": ")" +
                                  folder + R"(/small.png"},
        {"pattern": 6, "pattern-param": 0, "output": ")" +
                                  folder + R"(/cells.png"},
        {"preset": "Granit", "scale": "big", "output": ")" +
                                  folder + R"(/typo.png"},
        {"output": ")" + folder + R"(/upper.PNG"}
    ]})");
    const auto run = runCli("batch " + (dir / "m.json").string());
    EXPECT_EQ(run.exitCode, 2);
    for (const char* fault : {
             "item 2, field \"width\": must be a whole number from 1 to 2147483647 (got -4)",
             "item 3, field \"pattern-param\": patternParam must be",
             "item 4, field \"preset\": no preset is called 'Granit' (did you mean granite?)",
             "item 4, field \"scale\": must be a finite number",
             "item 5, field \"output\": the output",
         }) {
        EXPECT_NE(run.output.find(fault), std::string::npos) << fault << "\n" << run.output;
    }
    EXPECT_EQ(run.output.find("item 1"), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(folder));

    // --check reports the same faults, with the same exit status.
    const auto check = runCli("batch --check " + (dir / "m.json").string());
    EXPECT_EQ(check.exitCode, 2);
    EXPECT_NE(check.output.find("item 3, field \"pattern-param\""), std::string::npos);
}

TEST(ManifestFaults, AStudioRequestListsEveryFieldAtFault) {
    const cli::MaterialRequest request =
        material(R"({"width": 0, "octaves": 2.5, "output": "x.png", "colour": 3})");
    ASSERT_EQ(request.errors.size(), 4u);
    EXPECT_EQ(request.errors[0].rfind("field \"colour\": unknown field", 0), 0u);
    EXPECT_EQ(request.errors[1].rfind("field \"octaves\": must be a whole number", 0), 0u);
    EXPECT_EQ(request.errors[2].rfind("field \"output\": each item names its own output", 0), 0u);
    EXPECT_EQ(request.errors[3],
              "field \"width\": must be a whole number from 1 to 2147483647 (got 0)");
    // With the types right, what the library would refuse is named too.
    const cli::MaterialRequest refused = material(R"({"width": 30000, "height": 30000})");
    ASSERT_EQ(refused.errors.size(), 1u);
    EXPECT_EQ(refused.errors[0].rfind("field \"width\": width x height x 3 must stay below", 0), 0u)
        << refused.errors[0];
}

}  // namespace
}  // namespace proctex
