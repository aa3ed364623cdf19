// Contact-sheet drawing: shrinking, the built-in font and the tile layout.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "font.h"
#include "gallery.h"
#include "image.h"
#include "test_support.h"

namespace proctex::cli {
namespace {

int lit(const Image& image, Rgb color) {
    int n = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb c = image.at(x, y);
            n += c.r == color.r && c.g == color.g && c.b == color.b;
        }
    }
    return n;
}

TEST(Sheet, ResizeAveragesTheCoveredPixels) {
    Image source(4, 2, {});
    // Left half: 0 and 255 alternating; right half: 10, 20 / 30, 41.
    source.set(0, 0, {0, 0, 0});
    source.set(1, 0, {255, 255, 255});
    source.set(0, 1, {255, 255, 255});
    source.set(1, 1, {0, 0, 0});
    source.set(2, 0, {10, 0, 0});
    source.set(3, 0, {20, 0, 0});
    source.set(2, 1, {30, 0, 0});
    source.set(3, 1, {41, 0, 0});
    const Image half = resize(source, 2, 1);
    EXPECT_EQ(half.at(0, 0).r, 128);  // 127.5 rounds up
    EXPECT_EQ(half.at(1, 0).r, 25);   // 101 / 4 = 25.25
    EXPECT_EQ(half.at(1, 0).g, 0);

    // Uneven ratios cover every source pixel exactly once: the mean survives.
    Image ramp(7, 1, {});
    for (int x = 0; x < 7; ++x) ramp.set(x, 0, {static_cast<uint8_t>(x * 10), 0, 0});
    const Image three = resize(ramp, 3, 1);
    EXPECT_EQ(three.at(0, 0).r, 5);   // pixels 0, 1
    EXPECT_EQ(three.at(1, 0).r, 25);  // pixels 2, 3
    EXPECT_EQ(three.at(2, 0).r, 50);  // pixels 4, 5, 6

    // Growing repeats pixels.
    const Image grown = resize(ramp, 14, 2);
    EXPECT_EQ(grown.at(13, 1).r, 60);
    EXPECT_EQ(grown.at(2, 0).r, 10);
}

TEST(Sheet, FontGlyphsAreDistinctAndTextIsClipped) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-+.,:/()_ ";
    std::set<Glyph> glyphs;
    for (char c : alphabet) {
        EXPECT_TRUE(hasGlyph(c)) << c;
        EXPECT_TRUE(glyphs.insert(glyph(c)).second) << "'" << c << "' repeats another glyph";
        for (uint8_t row : glyph(c)) EXPECT_LT(row, 1u << kGlyphWidth) << c;
    }
    EXPECT_EQ(glyph('q'), glyph('Q'));
    EXPECT_FALSE(hasGlyph('#'));
    EXPECT_EQ(glyph('#'), glyph('?'));

    EXPECT_EQ(textWidth("AB", 1), 11);
    EXPECT_EQ(textWidth("AB", 2), 22);
    EXPECT_EQ(textWidth("", 3), 0);

    // "I" has 3 + 5 + 3 pixels lit; at scale 2 each is a 2 x 2 square.
    const Rgb white{255, 255, 255};
    Image canvas(20, 20, {});
    drawText(canvas, "I", 1, 1, 2, white);
    EXPECT_EQ(lit(canvas, white), 11 * 4);
    EXPECT_EQ(canvas.at(3, 1).r, 255);  // top bar starts in column 1 of the glyph
    EXPECT_EQ(canvas.at(1, 1).r, 0);

    // Half off every border: only the inside is drawn, nothing outside touched.
    Image small(6, 6, {});
    drawText(small, "WW", -4, -3, 1, white);
    drawText(small, "WW", 3, 4, 1, white);
    EXPECT_GT(lit(small, white), 0);
    EXPECT_EQ(small.pixels.size(), 6u * 6 * 3);
}

TEST(Sheet, TilesShowDiffuseAboveNormalWithTheLabelUnder) {
    test::TempDir dir;
    // Flat materials: a red diffuse and a blue normal map.
    std::vector<SheetTile> tiles;
    for (const char* name : {"one", "two", "three"}) {
        Image diffuse(40, 40, {200, 10, 10});
        Image normal(40, 40, {128, 128, 255});
        const auto d = dir / (std::string(name) + "_diff.png");
        const auto n = dir / (std::string(name) + "_nmap.png");
        ASSERT_TRUE(savePng(diffuse, d));
        ASSERT_TRUE(savePng(normal, n));
        tiles.push_back({name, d, n});
    }
    Image sheet;
    std::string error;
    ASSERT_TRUE(composeSheet("title", tiles, 20, sheet, error)) << error;
    // Three tiles make a row of three (2 x 3 >= 6); 16 px margins, 12 px gaps.
    EXPECT_EQ(sheet.width, 2 * 16 + 3 * 20 + 2 * 12);
    for (int i = 0; i < 3; ++i) {
        const int x = 16 + i * 32;
        const int top = 16 + 7 * 2 + 16;
        EXPECT_EQ(sheet.at(x, top).r, 200) << i;
        EXPECT_EQ(sheet.at(x + 19, top + 19).r, 200) << i;
        EXPECT_EQ(sheet.at(x, top + 20).b, 255) << i;
        EXPECT_EQ(sheet.at(x + 19, top + 39).b, 255) << i;
        // The label: some light pixels in the band under the normal map.
        int light = 0;
        for (int y = top + 40; y < top + 40 + 7 + 12; ++y) {
            for (int dx = 0; dx < 20; ++dx) light += sheet.at(x + dx, y).r > 150;
        }
        EXPECT_GT(light, 0) << i;
    }

    tiles[1].normal = dir / "missing_nmap.png";
    EXPECT_FALSE(composeSheet("title", tiles, 20, sheet, error));
    EXPECT_NE(error.find("missing_nmap.png"), std::string::npos) << error;
}

TEST(Sheet, MapsSheetShowsEveryMapOfOnePresetLabelled) {
    test::TempDir dir;
    GallerySettings settings;
    settings.dir = dir.path();
    std::string error;
    ASSERT_TRUE(writeMapsSheet(settings, error)) << error;
    Image sheet;
    ASSERT_TRUE(loadPng(dir / "maps.png", sheet, error)) << error;
    // Nine 128-pixel tiles in a row, 12 apart within 16-pixel margins; under
    // the 30-pixel title band, each tile has a 26-pixel label band.
    ASSERT_EQ(sheet.width, 2 * 16 + 9 * 128 + 8 * 12);
    ASSERT_EQ(sheet.height, 16 + 30 + 128 + 26 + 16);
    std::vector<std::vector<uint8_t>> tiles;
    for (int i = 0; i < 9; ++i) {
        const int x = 16 + i * (128 + 12);
        std::vector<uint8_t> tile;
        for (int y = 46; y < 46 + 128; ++y) {
            const auto row = sheet.pixels.begin() + (static_cast<long>(y) * sheet.width + x) * 3;
            tile.insert(tile.end(), row, row + 128 * 3);
        }
        for (int j = 0; j < i; ++j) EXPECT_NE(tile, tiles[j]) << "tiles " << j << " and " << i;
        tiles.push_back(std::move(tile));
        int light = 0;
        for (int y = 46 + 128; y < sheet.height - 16; ++y) {
            for (int dx = 0; dx < 128; ++dx) light += sheet.at(x + dx, y).r > 150;
        }
        EXPECT_GT(light, 0) << "no label under tile " << i;
    }

    settings.mapsPreset = "nope";
    settings.dir = dir / "other";
    EXPECT_FALSE(writeMapsSheet(settings, error));
    EXPECT_NE(error.find("nope"), std::string::npos) << error;
}

// The sheets go whole through a temporary: a symlink at the path is
// replaced (its target untouched), and a write cut short is a failure.
TEST(Sheet, ASheetReplacesASymlinkAndAFailedWriteIsReported) {
    test::TempDir dir;
    GallerySettings settings;
    settings.dir = dir.path();
    settings.tile = 16;
    std::ofstream(dir / "target") << "keep";
    std::filesystem::create_symlink(dir / "target", dir / "maps.png");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};  // smaller than the sheet
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
        std::string why;
        _exit(!writeMapsSheet(settings, why) && why.find("File too large") != std::string::npos
                  ? 0
                  : 91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "91: the failure was missed";
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "maps.png"));

    std::string error;
    ASSERT_TRUE(writeMapsSheet(settings, error)) << error;
    EXPECT_TRUE(
        std::filesystem::is_regular_file(std::filesystem::symlink_status(dir / "maps.png")));
    EXPECT_EQ(test::readBytes(dir / "target"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));
}

TEST(Sheet, TypeSamplesCoverEveryPatternAndOverlayOnOneBase) {
    const auto items = typeSamples("types");
    std::set<int> patterns, overlays;
    for (const auto& item : items) {
        EXPECT_EQ(item.options.materialType, items[0].options.materialType);
        EXPECT_EQ(item.options.seed, items[0].options.seed);
        EXPECT_EQ(item.options.scale, items[0].options.scale);
        // One type at a time.
        EXPECT_TRUE(item.options.patternType == PROCTEX_PATTERN_NONE ||
                    item.options.overlayType == PROCTEX_OVERLAY_NONE)
            << item.name;
        patterns.insert(item.options.patternType);
        overlays.insert(item.options.overlayType);
    }
    // Every choice of the option table, none included (the base).
    for (const auto& [option, seen] : {std::pair{"pattern", &patterns}, {"overlay", &overlays}}) {
        const ProctexOptionInfo& info = findField(option)->info;
        EXPECT_EQ(seen->size(), std::size_t(info.choiceCount)) << option;
        for (int i = 0; i < info.choiceCount; ++i)
            EXPECT_TRUE(seen->count(info.choices[i].value))
                << option << " " << info.choices[i].name;
    }
    EXPECT_EQ(items.size(), patterns.size() + overlays.size() - 1);
}

}  // namespace
}  // namespace proctex::cli
