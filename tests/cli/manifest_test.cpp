// Batch manifests: what an item gets from presets, defaults and its own
// fields, and errors that name the item and the field before any work.
#include "manifest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "presets.h"

namespace proctex::cli {
namespace {

// The message of the ManifestError that parsing `text` throws, or "" if none.
std::string errorOf(const std::string& text) {
    try {
        parseManifest(text);
    } catch (const ManifestError& e) {
        return e.what();
    }
    return "";
}

TEST(Manifest, ItemsTakePresetThenDefaultsThenTheirOwnFields) {
    const auto items = parseManifest(R"({
        "defaults": {"width": 256, "seed": 9, "preset": "marble"},
        "materials": [
            {"output": "a.png"},
            {"preset": "lava", "seed": 3, "output": "b.png"},
            {"preset": "granite", "pattern_param": 2.5, "seamless": true, "output": "c.png"}
        ]})");
    ASSERT_EQ(items.size(), 3u);
    const Options& marble = findPreset("marble")->options;
    const Options& lava = findPreset("lava")->options;

    // The defaults' preset, with the defaults on top.
    EXPECT_EQ(items[0].options.materialType, marble.materialType);
    EXPECT_EQ(items[0].options.overlayType, marble.overlayType);
    EXPECT_EQ(items[0].options.width, 256);
    EXPECT_EQ(items[0].options.height, marble.height);
    EXPECT_EQ(items[0].options.seed, 9);
    EXPECT_EQ(items[0].name, "a.png");

    // The item's own preset replaces the defaults' one; its fields win.
    EXPECT_EQ(items[1].options.materialType, lava.materialType);
    EXPECT_EQ(items[1].options.patternType, lava.patternType);
    EXPECT_EQ(items[1].options.width, 256);
    EXPECT_EQ(items[1].options.seed, 3);
    EXPECT_EQ(items[1].name, "lava");
    EXPECT_EQ(items[1].options.output, "b.png");

    // Python-style names and booleans for flags.
    EXPECT_EQ(items[2].options.patternParam, 2.5f);
    EXPECT_EQ(items[2].options.seamless, 1);
}

// The studio sends every field, the material among them: a ramp beside it
// still chooses the custom material, as --colors does on the command line.
TEST(Manifest, ARampWinsOverAMaterialGivenBesideIt) {
    const auto items = parseManifest(R"([{"output": "r.png", "material": "stone",
                                          "colors": "#ff0000@0,#0000ff@1"}])");
    ASSERT_EQ(items.size(), 1u);
    const Options& o = items[0].options;
    EXPECT_EQ(o.materialType, PROCTEX_MATERIAL_CUSTOM);
    ASSERT_EQ(o.colorStopCount, 2);
    EXPECT_EQ(o.colorStops[1][2], 1.0f);
    EXPECT_EQ(o.colorStops[1][3], 1.0f);
}

TEST(Manifest, APlainArrayStartsFromTheToolDefaults) {
    const auto items = parseManifest(R"([{"output": "x/y.png", "overlay-strength": 0.25}])");
    ASSERT_EQ(items.size(), 1u);
    const Options defaults;
    EXPECT_EQ(items[0].options.scale, defaults.scale);
    EXPECT_EQ(items[0].options.materialType, defaults.materialType);
    EXPECT_EQ(items[0].options.overlayStrength, 0.25f);
    EXPECT_TRUE(parseManifest("[]").empty());
}

TEST(Manifest, ErrorsNameTheItemAndTheField) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {R"([{"output": "a.png"}, {"output": "b.png", "sclae": 3}])",
         "item 2, field \"sclae\": unknown field"},
        {R"([{"output": "a.png", "width": "wide"}])",
         "item 1, field \"width\": must be a whole number from 1 to 2147483647, not \"wide\""},
        {R"([{"output": "a.png", "octaves": 4.5}])", "item 1, field \"octaves\": must be a whole"},
        {R"([{"output": "a.png", "seed": 4294967296}])",
         "item 1, field \"seed\": must be a whole number from -2147483648 to 2147483647 (got "
         "4294967296)"},
        {R"([{"output": "a.png", "pattern": 1}])",
         "item 1, field \"pattern\": unknown pattern '1'; choose one of none (0), rings (2)"},
        {R"([{"output": "a.png", "material": "Lava", "pattern": "egg_crate"}])", ""},
        {R"([{"output": "a.png", "scale": 1e300}])",
         "item 1, field \"scale\": must be a finite number (got 1e+300)"},
        {R"([{"output": "a.png", "scale": null}])",
         "item 1, field \"scale\": must be a finite number, not null"},
        {R"([{"output": "a.png"}, {"seed": 1}])", "item 2, field \"output\": missing"},
        {R"([{"output": ""}])", "item 1, field \"output\": must be a non-empty path"},
        {R"([{"output": "a.png", "preset": "plaid"}])",
         "item 1, field \"preset\": no preset is called 'plaid'"},
        {R"([{"output": "a.png", "pattern-param": 1, "pattern_param": 2}])",
         "item 1, field \"pattern_param\": \"pattern-param\" is given twice"},
        {R"([{"output": "a.png"}, "b.png"])", "item 2: must be an object, not \"b.png\""},
        {R"({"defaults": {"output": "a.png"}, "materials": []})",
         "defaults, field \"output\": each item names its own output"},
        {R"({"material": []})", "field \"material\": unknown"},
        {R"({"defaults": {}})", "field \"materials\": missing"},
        {R"({"materials": {}})", "must be an array, not an object"},
        {R"([{"output": "a.png"},)", "not valid JSON"},
        // Beyond a double: the JSON reader's own range error, not an abort.
        {R"([{"output": "a.png", "scale": 1e400}])", "not valid JSON"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        if (c.expected[0] == '\0') {
            EXPECT_EQ(error, "") << c.text;
            continue;
        }
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << c.text << "\n  gave: " << (error.empty() ? "no error" : error);
    }
}

TEST(Manifest, RejectsItemsThatWouldOverwriteEachOther) {
    EXPECT_NE(errorOf(R"([{"output": "out/a.png"}, {"output": "out/./a.png"}])")
                  .find("item 2, field \"output\": writes out/./a_diff.png, as item 1 does"),
              std::string::npos);
    // Everything after the last ".png" is dropped, so these two meet too.
    EXPECT_NE(errorOf(R"([{"output": "y.png"}, {"output": "y.png.tmp", "single-file": true}])")
                  .find("item 2, field \"output\": writes y_diff.png, as item 1 does"),
              std::string::npos);
    EXPECT_EQ(errorOf(R"([{"output": "y.png"}, {"output": "y.PNG", "single-file": 1},
                          {"output": "z/y.png"}])"),
              "");
}

TEST(Manifest, OneFileHoweverItsPathIsSpelledBelongsToOneItem) {
    const std::string here = std::filesystem::current_path().string();
    const std::string folder = std::filesystem::current_path().filename().string();
    for (const std::string& other :
         {here + "/out/a.png", "../" + folder + "/out/a.png", std::string("out//a.png")}) {
        EXPECT_NE(errorOf(R"([{"output": "out/a.png"}, {"output": ")" + other + R"("}])")
                      .find("item 2, field \"output\": writes"),
                  std::string::npos)
            << other;
    }
}

// Where names ignore case (Windows), outputs that differ only in case are
// one set, and each item's record counts as one of its files.
TEST(Manifest, OutputsDifferingInCaseMeetWhereNamesIgnoreCase) {
    const auto items = parseManifest(
        R"([{"output": "out/A.png"}, {"output": "out/a.png"}, {"output": "OUT/a.png"},
            {"output": "out/b.png"}, {"output": "out/B_diff.png", "sidecar": true}])");
    EXPECT_TRUE(overwriteFaults(items, {}, false).empty());
    const auto faults = overwriteFaults(items, {}, true);
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_EQ(faults[0].rfind("item 2, field \"output\": writes out/a_diff.png, as item 1", 0), 0u)
        << faults[0];
    const auto kept = overwriteFaults(items, {{"OUT/B_DIFF.json", "the report"}}, true);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_NE(kept[2].find("out/B_diff.json, as the report is"), std::string::npos) << kept[2];

    // A name no file can take is found before any item runs.
    const std::string tooLong =
        R"([{"output": "x.png"}, {"output": ")" + std::string(246, 'b') + R"(.png"}])";
    EXPECT_NE(errorOf(tooLong).find("item 2, field \"output\": cannot write bbb"),
              std::string::npos)
        << errorOf(tooLong);
}

TEST(Manifest, DuplicateKeysControlCharactersAndDeepNestingAreRefused) {
    const struct {
        std::string text, expected;
    } cases[] = {
        {R"({"materials": [{"output": "a.png"}], "materials": []})",
         "field \"materials\": given twice in one object"},
        {R"([{"output": "a.png", "seed": 1, "seed": 2}])", "field \"seed\": given twice"},
        {R"({"defaults": {"width": 8}, "defaults": {}, "materials": []})",
         "field \"defaults\": given twice"},
        {R"([{"output": "out/a\u0000b.png"}])", "must not hold control characters"},
        {R"([{"output": "out/a\u001fb.png"}])", "must not hold control characters"},
        {R"([{"output": "out/a\u007fb.png"}])", "must not hold control characters"},
        {std::string(65, '[') + std::string(65, ']'), "nested deeper than 64 levels"},
    };
    for (const auto& c : cases) {
        const std::string error = errorOf(c.text);
        EXPECT_NE(error.find(c.expected), std::string::npos)
            << c.text << "\n  gave: " << (error.empty() ? "no error" : error);
    }
    // The same key in two different objects is no duplicate; 64 levels pass
    // the depth check (and fail only as a list of items).
    EXPECT_EQ(errorOf(R"([{"output": "a.png", "seed": 1}, {"output": "b.png", "seed": 1}])"), "");
    EXPECT_EQ(errorOf(std::string(64, '[') + std::string(64, ']')).find("nested"),
              std::string::npos);
}

TEST(Manifest, TheShippedExamplesListEveryPresetOnceAndTwentyWalls) {
    const auto items = loadManifest(PROCTEX_SOURCE_DIR "/examples/presets.json");
    std::set<std::string> names;
    for (const auto& item : items) names.insert(item.name);
    EXPECT_EQ(names.size(), items.size());
    for (const Preset& p : presets()) EXPECT_TRUE(names.count(p.name)) << p.name;
    EXPECT_EQ(items.size(), presets().size());
    // Twenty seeds of one preset: twenty walls, each laid out anew.
    const auto bricks = loadManifest(PROCTEX_SOURCE_DIR "/examples/twenty-bricks.json");
    ASSERT_EQ(bricks.size(), 20u);
    std::set<int> seeds;
    for (const auto& item : bricks) seeds.insert(item.options.seed);
    EXPECT_EQ(seeds.size(), 20u);
}

}  // namespace
}  // namespace proctex::cli
