// The tool's view of the library's presets: the same table, names a user can
// type and the sheets can draw, and values the library accepts.
#include "presets.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <string>

#include "font.h"
#include "test_support.h"

namespace proctex::cli {
namespace {

// The types sheet shows every pattern; the presets show most of them and
// every overlay and palette, each in a material that suits it.
TEST(Presets, TogetherUseEveryOverlayAndPaletteAndMostPatterns) {
    ASSERT_GE(presets().size(), 16u);
    std::set<int> patterns, overlays, materials;
    for (const Preset& p : presets()) {
        // The first kinds and the palettes show in the looks without the PBR
        // maps; with them many presets take the newer kinds and measured
        // colours instead.
        ProctexSettings plain;
        ASSERT_EQ(proctex_preset_settings(p.name, &plain, offsetof(ProctexSettings, pbr)),
                  PROCTEX_OK);
        if (plain.patternType >= 2 && plain.patternType <= 12) patterns.insert(plain.patternType);
        overlays.insert(plain.overlayType);
        materials.insert(plain.materialType);
    }
    EXPECT_GE(patterns.size(), 9u);
    for (int type = 1; type <= 4; ++type) EXPECT_TRUE(overlays.count(type)) << "overlay " << type;
    for (int type = 1; type <= 7; ++type) EXPECT_TRUE(materials.count(type)) << "material " << type;
}

// A slip gets the preset it was meant for; a far-off name gets no guess.
TEST(Presets, SuggestionsForSlipsOnlyAndNeverForAFarOffName) {
    EXPECT_NE(unknownPresetMessage("marbel").find("(did you mean marble?)"), std::string::npos)
        << unknownPresetMessage("marbel");
    EXPECT_NE(unknownPresetMessage("lvaa").find("(did you mean lava?)"), std::string::npos)
        << unknownPresetMessage("lvaa");
    for (const char* far : {"mxxx", "zzzzzz", "xq"}) {
        EXPECT_EQ(unknownPresetMessage(far).find("did you mean"), std::string::npos)
            << unknownPresetMessage(far);
    }
}

TEST(Presets, AreTheLibrarysInItsOrder) {
    ASSERT_EQ(presets().size(), static_cast<std::size_t>(proctex_preset_count()));
    for (int i = 0; i < proctex_preset_count(); ++i) {
        const Preset& p = presets()[static_cast<std::size_t>(i)];
        EXPECT_STREQ(p.name, proctex_preset_name(i));
        EXPECT_STREQ(p.description, proctex_preset_description(i));
        ProctexSettings expected;
        ASSERT_EQ(proctex_preset_settings(p.name, &expected, sizeof expected), PROCTEX_OK);
        for (const Field& f : fields()) {
            EXPECT_EQ(fieldText(f, p.options), fieldText(f, expected)) << p.name << " " << f.name;
        }
        EXPECT_TRUE(p.options.output.empty());
    }
}

TEST(Presets, NamesAreUniqueTypableAndDrawable) {
    std::set<std::string> seen;
    for (const Preset& p : presets()) {
        const std::string name = p.name;
        EXPECT_TRUE(seen.insert(name).second) << "twice: " << name;
        for (char c : name) {
            EXPECT_TRUE((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
                << name << " has '" << c << "'";
            EXPECT_TRUE(hasGlyph(c)) << name;
        }
        const std::string description = p.description;
        EXPECT_FALSE(description.empty()) << name;
        EXPECT_EQ(description.find('\n'), std::string::npos) << name;
        EXPECT_EQ(findPreset(name), &p);
    }
    EXPECT_EQ(findPreset("Granite"), findPreset("granite"));  // any case, '-' or '_'
    EXPECT_EQ(findPreset("BRICK_WALL"), findPreset("brick-wall"));
    EXPECT_NE(findPreset("brick-wall"), nullptr);
    EXPECT_EQ(findPreset(""), nullptr);
}

// A preset whose pattern or overlay parameter the library rejects would make
// every use of it fail.
TEST(Presets, EveryPresetGeneratesAtASmallSize) {
    test::TempDir dir;
    for (const Preset& p : presets()) {
        Options o = p.options;
        o.width = 48;
        o.height = 40;
        o.output = (dir / (std::string(p.name) + ".png")).string();
        const Outcome outcome = generate(o);
        EXPECT_TRUE(outcome.ok) << p.name << ": " << outcome.error;
        EXPECT_EQ(outcome.files.size(), 5u) << p.name;
    }
}

}  // namespace
}  // namespace proctex::cli
