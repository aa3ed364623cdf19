// The option and map tables every front end is built from: they describe the
// struct exactly, their limits agree with the settings check, and choices
// read by name.
#include <gtest/gtest.h>
#include <proctex.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

ProctexOptionInfo optionInfo(int index) {
    ProctexOptionInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(proctex_option_info(index, &info), PROCTEX_OK) << index;
    return info;
}

int optionIndex(const char* name) {
    const int index = proctex_option_find(name);
    EXPECT_GE(index, 0) << name;
    return index;
}

void setValue(const ProctexOptionInfo& o, double v, ProctexSettings& s) {
    auto* at = reinterpret_cast<unsigned char*>(&s) + o.offset;
    if (o.kind == PROCTEX_KIND_NUMBER) {
        const float f = static_cast<float>(v);
        std::memcpy(at, &f, sizeof f);
    } else {
        const int i = static_cast<int>(v);
        std::memcpy(at, &i, sizeof i);
    }
}

int conventionIndex(const char* name) {
    for (int c = 0; c < proctex_naming_count(); ++c) {
        if (std::string(proctex_naming_name(c)) == name) return c;
    }
    return -1;
}

// The refused option's name, or "" for an accepted or unattributed refusal.
std::string refusedOption(const ProctexSettings& s) {
    int option = -2;
    char reason[PROCTEX_REASON_SIZE];
    const int status = proctex_settings_refusal(&s, &option, reason, sizeof reason);
    if (status == PROCTEX_OK) {
        EXPECT_EQ(option, -1);
    }
    return option >= 0 ? optionInfo(option).name : "";
}

TEST(OptionTable, DescribesEveryMemberOfTheStructOnceAndInOrder) {
    std::size_t next = offsetof(ProctexSettings, width);
    std::set<std::string> names;
    for (int i = 0; i < proctex_option_count(); ++i) {
        const ProctexOptionInfo o = optionInfo(i);
        EXPECT_EQ(o.offset, next) << o.name;  // a member left out or described twice
        next = o.offset +
               (o.kind == PROCTEX_KIND_COLORS ? offsetof(ProctexSettings, colorStops) -
                                                    offsetof(ProctexSettings, colorStopCount) +
                                                    sizeof(ProctexSettings::colorStops)
                : o.kind == PROCTEX_KIND_LAYERS ? offsetof(ProctexSettings, layerPalette) -
                                                      offsetof(ProctexSettings, layerCount) +
                                                      sizeof(ProctexSettings::layerPalette)
                                                : 4);
        EXPECT_TRUE(names.insert(o.name).second) << o.name;
        EXPECT_EQ(proctex_option_find(o.name), i);
        EXPECT_EQ(proctex_option_find(o.member), i);
        EXPECT_NE(std::string(o.help), "");
        // The default lies within the limits, the sliders within the limits.
        EXPECT_GE(o.defaultValue, o.limitMin) << o.name;
        EXPECT_LE(o.defaultValue, o.limitMax) << o.name;
        EXPECT_LE(o.limitMin, o.usefulMin) << o.name;
        EXPECT_GE(o.limitMax, o.usefulMax) << o.name;
        // A cap on one render's work never cuts into the sliders' range.
        EXPECT_GE(o.workMax, o.usefulMax) << o.name;
        EXPECT_LE(o.workMax, o.limitMax) << o.name;
    }
    // Only the struct's alignment may follow the last member.
    EXPECT_EQ(
        (next + alignof(ProctexSettings) - 1) / alignof(ProctexSettings) * alignof(ProctexSettings),
        sizeof(ProctexSettings));
    EXPECT_EQ(proctex_option_find("pattern_param"), optionIndex("pattern-param"));
    EXPECT_EQ(proctex_option_find("no-such-option"), -1);
    EXPECT_EQ(proctex_option_find(nullptr), -1);

    // The info struct is versioned like the settings: smaller than the first
    // version is refused, the first version gets what it holds, a larger
    // caller's bytes beyond ours are left alone.
    ProctexOptionInfo small{};
    small.size = offsetof(ProctexOptionInfo, workMax) - 1;
    EXPECT_EQ(proctex_option_info(0, &small), PROCTEX_ERROR_ARGUMENT);
    small.size = offsetof(ProctexOptionInfo, workMax);
    small.workMax = -7;
    ASSERT_EQ(proctex_option_info(optionIndex("width"), &small), PROCTEX_OK);
    EXPECT_EQ(small.workMax, -7);
    EXPECT_STREQ(small.name, "width");
    struct Larger {
        ProctexOptionInfo info;
        int tail;
    } larger{};
    larger.info.size = sizeof larger;
    larger.tail = 77;
    ASSERT_EQ(proctex_option_info(0, &larger.info), PROCTEX_OK);
    EXPECT_EQ(larger.info.size, sizeof larger);
    EXPECT_EQ(larger.tail, 77);
    EXPECT_EQ(proctex_option_info(proctex_option_count(), &larger.info), PROCTEX_ERROR_ARGUMENT);
}

TEST(OptionTable, LimitsAreWhatTheSettingsCheckAccepts) {
    ProctexSettings defaults;
    proctex_settings_init(&defaults);
    for (int i = 0; i < proctex_option_count(); ++i) {
        const ProctexOptionInfo o = optionInfo(i);
        const bool number = o.kind == PROCTEX_KIND_NUMBER;
        if (!(number || o.kind == PROCTEX_KIND_INTEGER)) continue;
        if (o.limitMax >= (number ? 3.0e38 : 2147483647.0)) continue;
        // Both ends accepted; the next value beyond either refused, naming it.
        for (double edge : {o.limitMin, o.limitMax}) {
            ProctexSettings s = defaults;
            setValue(o, edge, s);
            EXPECT_EQ(refusedOption(s), "") << o.name << " " << edge;
            const double away = edge == o.limitMin ? -1 : 1;
            const double beyond =
                number ? std::nextafter(static_cast<float>(edge), static_cast<float>(away * 1e30))
                       : edge + away;
            setValue(o, beyond, s);
            EXPECT_EQ(refusedOption(s), o.name) << o.name << " " << beyond;
        }
    }
    // Refusals of the stages name their option too.
    ProctexSettings s = defaults;
    s.width = 0;
    EXPECT_EQ(refusedOption(s), "width");
    s = defaults;
    s.patternType = PROCTEX_PATTERN_CELLS;
    EXPECT_EQ(refusedOption(s), "pattern-param");
    s = defaults;
    s.overlayType = PROCTEX_OVERLAY_BRICKS;
    s.overlayParam = 64.0f;
    EXPECT_EQ(refusedOption(s), "overlay-strength");
    s = defaults;
    s.size = 3;
    EXPECT_EQ(refusedOption(s), "");
}

// The caps of one render on request are the ones the studio's API documents
// (a size above 4096, more than 16 octaves, more than 10 000 scratches, an
// occlusion radius above 64 are refused): no row caps more, or less, quietly.
TEST(OptionTable, WorkCapsAreTheDocumentedOnes) {
    const std::map<std::string, double> documented = {{"width", 4096},
                                                      {"height", 4096},
                                                      {"octaves", 16},
                                                      {"overlay-param", 10000},
                                                      {"ao-radius", 64}};
    std::map<std::string, double> capped;
    for (int i = 0; i < proctex_option_count(); ++i) {
        const ProctexOptionInfo o = optionInfo(i);
        if (o.workMax < o.limitMax) capped[o.name] = o.workMax;
    }
    EXPECT_EQ(capped, documented);
}

TEST(OptionTable, ChoicesReadByNameAndTheirStartingValuesAreAccepted) {
    const int pattern = optionIndex("pattern");
    int code = -1;
    for (const char* text : {"egg-crate", "EGG_CRATE", "Egg-Crate", "12"}) {
        code = -1;
        EXPECT_EQ(proctex_choice_parse(pattern, text, &code), PROCTEX_OK) << text;
        EXPECT_EQ(code, PROCTEX_PATTERN_EGG_CRATE) << text;
    }
    for (const char* text : {"eggcrate", "1", "99", "", "12x", " 12"}) {
        code = -1;
        EXPECT_EQ(proctex_choice_parse(pattern, text, &code), PROCTEX_ERROR_SETTINGS) << text;
        EXPECT_EQ(code, -1);
    }
    EXPECT_EQ(proctex_choice_parse(optionIndex("material"), "lava", &code), PROCTEX_OK);
    EXPECT_EQ(code, PROCTEX_MATERIAL_LAVA);
    EXPECT_EQ(proctex_choice_parse(optionIndex("base"), "single_octave", &code), PROCTEX_OK);
    EXPECT_EQ(code, PROCTEX_BASE_SINGLE_OCTAVE);
    EXPECT_EQ(proctex_choice_parse(optionIndex("width"), "64", &code), PROCTEX_ERROR_SETTINGS);

    // Every choice with starting values: the library takes them as they are.
    ProctexSettings defaults;
    proctex_settings_init(&defaults);
    int started = 0;
    for (int i = 0; i < proctex_option_count(); ++i) {
        const ProctexOptionInfo o = optionInfo(i);
        for (int c = 0; c < o.choiceCount; ++c) {
            const ProctexChoice& choice = o.choices[c];
            ProctexSettings s = defaults;
            setValue(o, choice.value, s);
            for (int k = 0; k < choice.startCount; ++k) {
                setValue(optionInfo(optionIndex(choice.startOption[k])), choice.startValue[k], s);
            }
            EXPECT_EQ(refusedOption(s), "") << o.name << " " << choice.name;
            started += choice.startCount > 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(started, 26);  // twenty-two patterns, four overlays
}

TEST(MapTable, NamesSuffixesAndPathsAgree) {
    std::set<std::string> names, suffixes;
    for (int map = 0; map < proctex_map_count(); ++map) {
        ProctexMapInfo m{};
        m.size = sizeof m;
        ASSERT_EQ(proctex_map_info(map, &m), PROCTEX_OK);
        EXPECT_EQ(m.map, map);
        EXPECT_TRUE(names.insert(m.name).second) << m.name;
        if (m.suffix[0] == '\0') {
            EXPECT_EQ(map, PROCTEX_MAP_HEIGHT);
            continue;
        }
        EXPECT_TRUE(suffixes.insert(m.suffix).second) << m.suffix;
        char path[64];
        ASSERT_EQ(proctex_map_path("out/a.png", map, path, sizeof path), PROCTEX_OK);
        EXPECT_EQ(std::string(path), std::string("out/a") + m.suffix);
        EXPECT_EQ(m.legacy, map <= PROCTEX_MAP_METALLIC ? 1 : 0) << m.name;
    }
    EXPECT_EQ(proctex_map_count(), PROCTEX_MAP_ID + 1);
    EXPECT_EQ(PROCTEX_MAPS_ALL, (1u << proctex_map_count()) - 1);
    ProctexMapInfo m{};
    m.size = sizeof m;
    EXPECT_EQ(proctex_map_info(-1, &m), PROCTEX_ERROR_ARGUMENT);
    EXPECT_EQ(proctex_map_info(0, nullptr), PROCTEX_ERROR_ARGUMENT);
}

// The colour ramp's text: read into the struct (choosing the custom
// material), written back the same, refused whole with a reason naming the
// stop, and never read beyond an older caller's struct.
TEST(OptionTable, ColourRampTextRoundTripsAndRefusesWhatIsNoRamp) {
    ProctexSettings s;
    proctex_settings_init(&s);
    char reason[PROCTEX_REASON_SIZE] = "";
    const char* ramp = "#2b1d0e@0,#8A5A2B@0.6, #d9b38c@1";
    ASSERT_EQ(proctex_colors_parse(ramp, &s, reason, sizeof reason), PROCTEX_OK) << reason;
    EXPECT_EQ(s.materialType, PROCTEX_MATERIAL_CUSTOM);
    ASSERT_EQ(s.colorStopCount, 3);
    EXPECT_FLOAT_EQ(s.colorStops[1][0], 0x8a / 255.0f);
    EXPECT_FLOAT_EQ(s.colorStops[1][3], 0.6f);
    char text[PROCTEX_COLORS_TEXT_SIZE];
    const std::size_t length = proctex_colors_text(&s, text, sizeof text);
    EXPECT_STREQ(text, "#2b1d0e@0,#8a5a2b@0.6,#d9b38c@1");
    EXPECT_EQ(length, std::strlen(text));
    char cut[5];
    EXPECT_EQ(proctex_colors_text(&s, cut, sizeof cut), length);
    EXPECT_STREQ(cut, "#2b1");

    // A hard edge is a ramp; channels set as floats print rounded.
    EXPECT_EQ(proctex_colors_parse("#ff0000@0.5,#0000ff@0.5", &s, reason, sizeof reason),
              PROCTEX_OK)
        << reason;
    s.colorStops[0][0] = s.colorStops[0][1] = s.colorStops[0][2] = 0.5f;
    proctex_colors_text(&s, text, sizeof text);
    EXPECT_STREQ(text, "#808080@0.5,#0000ff@0.5");
    ASSERT_EQ(proctex_colors_parse(ramp, &s, reason, sizeof reason), PROCTEX_OK);

    const ProctexSettings before = s;
    for (const char* bad : {"#2b1d0e", "#2b1d0e@1,#000000@0.5", "#2b1d0g@0", "#2b1d0e@1.5",
                            "#000000@0,#000000@0,#000000@0,#000000@0,#000000@0,#000000@0,"
                            "#000000@0,#000000@0,#000000@1"}) {
        reason[0] = '\0';
        EXPECT_EQ(proctex_colors_parse(bad, &s, reason, sizeof reason), PROCTEX_ERROR_SETTINGS)
            << bad;
        EXPECT_NE(std::string(reason), "") << bad;
        EXPECT_EQ(std::memcmp(&s, &before, sizeof s), 0) << bad;
    }
    // A refused ramp in the struct itself is attributed to the option.
    s.colorStops[2][3] = 0.1f;
    EXPECT_EQ(refusedOption(s), "colors");
    s.colorStopCount = 9;
    EXPECT_EQ(refusedOption(s), "colors");

    ASSERT_EQ(proctex_colors_parse("", &s, reason, sizeof reason), PROCTEX_OK);
    EXPECT_EQ(s.colorStopCount, 0);
    EXPECT_EQ(proctex_colors_text(&s, text, sizeof text), 0u);
    EXPECT_STREQ(text, "");

    ProctexSettings older = before;
    older.size = offsetof(ProctexSettings, colorStopCount);
    EXPECT_EQ(proctex_colors_parse(ramp, &older, reason, sizeof reason), PROCTEX_ERROR_ARGUMENT);
    EXPECT_EQ(proctex_colors_text(&older, text, sizeof text), 0u);
    EXPECT_EQ(proctex_colors_parse(nullptr, &s, reason, sizeof reason), PROCTEX_ERROR_ARGUMENT);
}

// Naming conventions: ours first and keeping every name; the others give
// each map at most one suffix of their own, never two maps the same name.
TEST(OptionTable, NamingConventionsNameEachMapOnce) {
    ASSERT_GE(proctex_naming_count(), 2);
    EXPECT_STREQ(proctex_naming_name(0), "proctex");
    for (int c = 0; c < proctex_naming_count(); ++c) {
        std::set<std::string> suffixes;
        int named = 0;
        for (int map = 0; map < proctex_map_count(); ++map) {
            const char* suffix = proctex_naming_suffix(c, map);
            if (suffix == nullptr) continue;
            ++named;
            EXPECT_EQ(suffix[0], '_') << proctex_naming_name(c) << " " << map;
            EXPECT_TRUE(suffixes.insert(suffix).second) << proctex_naming_name(c) << " " << suffix;
        }
        EXPECT_EQ(named > 0, c > 0) << proctex_naming_name(c);
        EXPECT_NE(std::string(proctex_naming_help(c)), "");
    }
    // A suffix that names a normal map's convention belongs to that map.
    for (int c = 1; c < proctex_naming_count(); ++c) {
        for (int map = 0; map < proctex_map_count(); ++map) {
            const char* suffix = proctex_naming_suffix(c, map);
            std::string upper = suffix == nullptr ? "" : suffix;
            for (char& ch : upper)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            if (upper.find("DX") != std::string::npos) {
                EXPECT_EQ(map, PROCTEX_MAP_NORMAL) << suffix;
            }
            if (upper.find("GL") != std::string::npos) {
                EXPECT_EQ(map, PROCTEX_MAP_NORMAL_GL) << suffix;
            }
        }
    }
    EXPECT_STREQ(proctex_naming_suffix(conventionIndex("unity"), PROCTEX_MAP_METALLIC_SMOOTHNESS),
                 "_MetallicSmoothness");
    EXPECT_EQ(proctex_naming_name(proctex_naming_count()), nullptr);
    EXPECT_EQ(proctex_naming_suffix(1, proctex_map_count()), nullptr);
    EXPECT_EQ(proctex_naming_suffix(-1, 0), nullptr);
}

}  // namespace
