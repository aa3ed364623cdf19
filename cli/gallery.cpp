#include "gallery.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "font.h"
#include "presets.h"

namespace proctex::cli {

namespace {

constexpr Rgb kBackground{30, 30, 32};
constexpr Rgb kLabel{220, 220, 220};
constexpr Rgb kTitle{255, 255, 255};
constexpr int kMargin = 16;
constexpr int kGap = 12;
constexpr int kTitleScale = 2;

struct TypeSample {
    const char* label;
    int pattern;
    float patternParam;
    int overlay;
    float overlayParam;
    float overlayStrength;
};

// Parameters chosen so each type reads clearly on the shared stone base. The
// number in a label is the patternType or overlayType.
constexpr TypeSample kTypeSamples[] = {
    {"base", PROCTEX_PATTERN_NONE, 0.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"rings (2)", PROCTEX_PATTERN_RINGS, 24.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"grooves (3)", PROCTEX_PATTERN_GROOVES, 8.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"tone curve (4)", PROCTEX_PATTERN_TONE_CURVE, 2.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"damped (5)", PROCTEX_PATTERN_DAMPED_EXTREMES, 2.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"cells (6)", PROCTEX_PATTERN_CELLS, 24.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"brushed (7)", PROCTEX_PATTERN_BRUSHED, 200.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"discs (8)", PROCTEX_PATTERN_DISCS, 48.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"checker (9)", PROCTEX_PATTERN_CHECKER, 64.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"knots (10)", PROCTEX_PATTERN_KNOTS, 16.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"diamonds (11)", PROCTEX_PATTERN_DIAMONDS, 64.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"egg crate (12)", PROCTEX_PATTERN_EGG_CRATE, 10.0f, PROCTEX_OVERLAY_NONE, 0.0f, 0.0f},
    {"veins (1)", PROCTEX_PATTERN_NONE, 0.0f, PROCTEX_OVERLAY_VEINS, 24.0f, 0.5f},
    {"bricks (2)", PROCTEX_PATTERN_NONE, 0.0f, PROCTEX_OVERLAY_BRICKS, 96.0f, 40.0f},
    {"planks (3)", PROCTEX_PATTERN_NONE, 0.0f, PROCTEX_OVERLAY_PLANKS, 256.0f, 1.0f},
    {"scratches (4)", PROCTEX_PATTERN_NONE, 0.0f, PROCTEX_OVERLAY_SCRATCHES, 60.0f, 0.6f},
};

// "pattern-2", "overlay-4" or "base": plain file names for the samples.
std::string sampleFileName(const TypeSample& s) {
    if (s.pattern != PROCTEX_PATTERN_NONE) return "pattern-" + std::to_string(s.pattern);
    if (s.overlay != PROCTEX_OVERLAY_NONE) return "overlay-" + std::to_string(s.overlay);
    return "base";
}

SheetTile tileOf(const BatchItem& item, std::string label) {
    return {std::move(label), mapPath(item.options.output, PROCTEX_MAP_DIFFUSE),
            mapPath(item.options.output, PROCTEX_MAP_NORMAL)};
}

// The largest font scale, up to 2, at which every label fits under its tile.
int labelScale(const std::vector<SheetTile>& tiles, int tile) {
    for (int scale = 2; scale > 1; --scale) {
        bool fits = true;
        for (const auto& t : tiles) fits = fits && textWidth(t.label, scale) <= tile;
        if (fits) return scale;
    }
    return 1;
}

}  // namespace

std::vector<BatchItem> typeSamples(const std::filesystem::path& dir) {
    std::vector<BatchItem> items;
    for (const TypeSample& s : kTypeSamples) {
        BatchItem item;
        item.name = s.label;
        Options& o = item.options;
        o.seed = 2024;
        o.patternType = s.pattern;
        o.patternParam = s.patternParam;
        o.overlayType = s.overlay;
        o.overlayParam = s.overlayParam;
        o.overlayStrength = s.overlayStrength;
        o.writeRoughness = 0;
        o.writeMetallic = 0;
        o.output = (dir / (sampleFileName(s) + ".png")).string();
        items.push_back(std::move(item));
    }
    return items;
}

bool composeSheet(const std::string& title, const std::vector<SheetTile>& tiles, int tile,
                  Image& sheet, std::string& error) {
    const int n = static_cast<int>(tiles.size());
    // About as wide as tall: each tile is twice as high as it is wide.
    int columns = 1;
    while (columns * columns < 2 * n) ++columns;
    columns = std::max(1, std::min(columns, n));
    const int rows = (n + columns - 1) / columns;
    const int scale = labelScale(tiles, tile);
    const int labelHeight = kGlyphHeight * scale + 12;
    const int titleHeight = kGlyphHeight * kTitleScale + 16;
    const int cellHeight = 2 * tile + labelHeight;

    const int width = std::max(2 * kMargin + columns * tile + (columns - 1) * kGap,
                               2 * kMargin + textWidth(title, kTitleScale));
    const int height = kMargin + titleHeight + rows * cellHeight + (rows - 1) * kGap + kMargin;
    sheet = Image(width, height, kBackground);
    drawText(sheet, title, kMargin, kMargin, kTitleScale, kTitle);

    for (int i = 0; i < n; ++i) {
        const int x = kMargin + (i % columns) * (tile + kGap);
        const int y = kMargin + titleHeight + (i / columns) * (cellHeight + kGap);
        Image diffuse, normal;
        if (!loadPng(tiles[i].diffuse, diffuse, error) ||
            !loadPng(tiles[i].normal, normal, error)) {
            return false;
        }
        paste(sheet, resize(diffuse, tile, tile), x, y);
        paste(sheet, resize(normal, tile, tile), x, y + tile);
        // Centred under the tile; a label too long even at scale 1 is clipped.
        const int textX = x + std::max(0, (tile - textWidth(tiles[i].label, scale)) / 2);
        Image label(tile, kGlyphHeight * scale, kBackground);
        drawText(label, tiles[i].label, textX - x, 0, scale, kLabel);
        paste(sheet, label, x, y + 2 * tile + 6);
    }
    return true;
}

int runGallery(const GallerySettings& settings, std::FILE* out, std::FILE* err) {
    const auto presetDir = settings.dir / "presets";
    const auto typeDir = settings.dir / "types";
    std::vector<BatchItem> items;
    for (const Preset& p : presets()) {
        BatchItem item{p.name, p.options};
        item.options.writeRoughness = 0;  // the sheets show diffuse and normal only
        item.options.writeMetallic = 0;
        item.options.output = (presetDir / (std::string(p.name) + ".png")).string();
        items.push_back(std::move(item));
    }
    const std::size_t presetCount = items.size();
    for (auto& item : typeSamples(typeDir)) items.push_back(std::move(item));

    ProgressPrinter printer(out, settings.progress, settings.columns);
    const BatchSummary summary = runBatch(items, settings.jobs, &printer);
    if (summary.failed > 0) {
        std::fprintf(err, "proctex gallery: %zu material(s) failed; no sheet written\n",
                     summary.failed);
        return 1;
    }

    std::vector<SheetTile> presetTiles, typeTiles;
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto& tiles = i < presetCount ? presetTiles : typeTiles;
        tiles.push_back(tileOf(items[i], items[i].name));
    }
    const struct {
        const char* title;
        const std::vector<SheetTile>& tiles;
        std::filesystem::path file;
    } sheets[] = {
        {"proctex presets: diffuse above normal map", presetTiles, settings.dir / "presets.png"},
        {"patterns (2-12) and overlays (1-4) on one stone base", typeTiles,
         settings.dir / "types.png"},
    };
    for (const auto& s : sheets) {
        Image sheet;
        std::string error;
        if (!composeSheet(s.title, s.tiles, settings.tile, sheet, error)) {
            std::fprintf(err, "proctex gallery: %s\n", error.c_str());
            return 1;
        }
        if (!savePng(sheet, s.file)) {
            std::fprintf(err, "proctex gallery: cannot write %s\n", s.file.string().c_str());
            return 1;
        }
        std::fprintf(out, "%s\n", s.file.string().c_str());
    }
    return 0;
}

}  // namespace proctex::cli
