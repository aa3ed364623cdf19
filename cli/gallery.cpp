#include "gallery.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "file_write.h"
#include "font.h"
#include "platform.h"
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
    std::string label;
    int pattern;
    int overlay;
};

// The base, then each pattern and each overlay of the option table alone, with
// the starting values a user gets choosing it. The number in a label is the
// patternType or overlayType.
std::vector<TypeSample> typeSampleList() {
    std::vector<TypeSample> samples{{"base", PROCTEX_PATTERN_NONE, PROCTEX_OVERLAY_NONE}};
    for (const char* option : {"pattern", "overlay"}) {
        const ProctexOptionInfo& info = findField(option)->info;
        for (int i = 0; i < info.choiceCount; ++i) {
            const ProctexChoice& c = info.choices[i];
            if (c.startCount == 0) continue;  // none
            const std::string label = std::string(c.label) + " (" + std::to_string(c.value) + ")";
            const bool isPattern = option == std::string_view("pattern");
            samples.push_back({label, isPattern ? c.value : PROCTEX_PATTERN_NONE,
                               isPattern ? PROCTEX_OVERLAY_NONE : c.value});
        }
    }
    return samples;
}

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
template <typename Labelled>
int labelScale(const std::vector<Labelled>& tiles, int tile) {
    for (int scale = 2; scale > 1; --scale) {
        bool fits = true;
        for (const auto& t : tiles) fits = fits && textWidth(t.label, scale) <= tile;
        if (fits) return scale;
    }
    return 1;
}

// The label centred in a band `tile` wide at (x, y); one too long even at
// scale 1 is clipped.
void drawLabel(Image& sheet, const std::string& text, int x, int y, int tile, int scale) {
    const int textX = std::max(0, (tile - textWidth(text, scale)) / 2);
    Image label(tile, kGlyphHeight * scale, kBackground);
    drawText(label, text, textX, 0, scale, kLabel);
    paste(sheet, label, x, y);
}

// The maps of the maps sheet, in its order.
constexpr int kSheetMaps[] = {PROCTEX_MAP_DIFFUSE,  PROCTEX_MAP_NORMAL,    PROCTEX_MAP_NORMAL_GL,
                              PROCTEX_MAP_SPECULAR, PROCTEX_MAP_ROUGHNESS, PROCTEX_MAP_METALLIC,
                              PROCTEX_MAP_AO,       PROCTEX_MAP_ORM,       PROCTEX_MAP_HEIGHT16};

// "_nmap_gl" for the normal GL map: its file name for "x.png" without the
// "x" and the ".png".
std::string fileSuffix(int map) {
    const std::string name = mapPath("x.png", map);
    return name.size() > 5 ? name.substr(1, name.size() - 5) : name;
}

// Whole or not at all, through a temporary renamed over the path: a symlink
// there is replaced, not written through, and a full disk is a failure.
bool writeSheet(const Image& sheet, const std::filesystem::path& file, std::string& error) {
    const std::string bytes = encodePng(sheet);
    const std::string why =
        bytes.empty() ? "the image cannot be encoded" : replaceFileWith(utf8FromPath(file), bytes);
    if (why.empty()) return true;
    error = "cannot write " + utf8FromPath(file) + ": " + why;
    return false;
}

}  // namespace

std::vector<BatchItem> typeSamples(const std::filesystem::path& dir) {
    std::vector<BatchItem> items;
    for (const TypeSample& s : typeSampleList()) {
        BatchItem item;
        item.name = s.label;
        Options& o = item.options;
        // A soft base rather than the default grain: rings, grooves and
        // knots follow the base's slopes and would drown in a fine one.
        if (const Preset* soft = findPreset("soft-stone"))
            o.ProctexSettings::operator=(soft->options);
        o.seed = 2024;
        o.patternType = s.pattern;
        o.overlayType = s.overlay;
        const Field* pattern = findField("pattern");
        const Field* overlay = findField("overlay");
        applyStartingValues(
            [&](std::string_view name) { return name == pattern->name || name == overlay->name; },
            o);
        o.writeRoughness = 0;
        o.writeMetallic = 0;
        o.output = utf8FromPath(dir / (sampleFileName(s) + ".png"));
        items.push_back(std::move(item));
    }
    return items;
}

bool composeSheet(const std::string& title, const std::vector<SheetTile>& tiles, int tile,
                  Image& sheet, std::string& error, int group) {
    const int n = static_cast<int>(tiles.size());
    // About as wide as tall: each tile is twice as high as it is wide; a
    // group of tiles keeps to one row.
    int columns = 1;
    while (columns * columns < 2 * n) ++columns;
    columns = std::max(1, std::min(columns, n));
    if (group > 1) columns = std::max(group, columns / group * group);
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
        drawLabel(sheet, tiles[i].label, x, y + 2 * tile + 6, tile, scale);
    }
    return true;
}

bool renderAllMaps(const ProctexSettings& settings, std::vector<LabelledImage>& maps,
                   std::string& error) {
    ProctexMaps* result = nullptr;
    char why[256] = "";
    if (proctex_generate(&settings, PROCTEX_MAPS_ALL, &result, why, sizeof why) != PROCTEX_OK) {
        error = why;
        return false;
    }
    maps.clear();
    for (int map : kSheetMaps) {
        int w = 0, h = 0, channels = 0;
        const unsigned short* values =
            map == PROCTEX_MAP_HEIGHT16 ? proctex_maps_height16(result, &w, &h) : nullptr;
        const uint8_t* pixels = map == PROCTEX_MAP_HEIGHT16
                                    ? nullptr
                                    : proctex_maps_pixels(result, map, &w, &h, &channels);
        if (values == nullptr && pixels == nullptr) {
            proctex_maps_free(result);
            error = "the library computed no " + fileSuffix(map) + " map";
            return false;
        }
        Image image;
        if (values != nullptr) {
            // 0..65535 to the nearest of 0..255.
            std::vector<uint8_t> bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
            for (std::size_t i = 0; i < bytes.size(); ++i) {
                bytes[i] = static_cast<uint8_t>((values[i] + 128u) / 257u);
            }
            image = fromPixels(bytes.data(), w, h, 1);
        } else {
            image = fromPixels(pixels, w, h, channels);
        }
        maps.push_back({fileSuffix(map), std::move(image)});
    }
    proctex_maps_free(result);
    return true;
}

Image composeRow(const std::string& title, const std::vector<LabelledImage>& images, int tile) {
    const int n = static_cast<int>(images.size());
    const int scale = labelScale(images, tile);
    const int titleHeight = kGlyphHeight * kTitleScale + 16;
    const int labelHeight = kGlyphHeight * scale + 12;
    const int width = std::max(2 * kMargin + n * tile + std::max(0, n - 1) * kGap,
                               2 * kMargin + textWidth(title, kTitleScale));
    Image sheet(width, kMargin + titleHeight + tile + labelHeight + kMargin, kBackground);
    drawText(sheet, title, kMargin, kMargin, kTitleScale, kTitle);
    const int y = kMargin + titleHeight;
    for (int i = 0; i < n; ++i) {
        const int x = kMargin + i * (tile + kGap);
        paste(sheet, resize(images[i].image, tile, tile), x, y);
        drawLabel(sheet, images[i].label, x, y + tile + 6, tile, scale);
    }
    return sheet;
}

bool writeMapsSheet(const GallerySettings& settings, std::string& error) {
    const Preset* preset = findPreset(settings.mapsPreset);
    if (preset == nullptr) {
        error = "no preset is called \"" + settings.mapsPreset + "\"";
        return false;
    }
    std::vector<LabelledImage> maps;
    if (!renderAllMaps(preset->options, maps, error)) return false;
    const std::string title = settings.mapsPreset + ": every map by file suffix (_height as 8-bit)";
    const auto file = settings.dir / "maps.png";
    return writeSheet(composeRow(title, maps, settings.tile), file, error);
}

int runGallery(const GallerySettings& settings, std::FILE* out, std::FILE* err) {
    if (findPreset(settings.mapsPreset) == nullptr) {  // before the long part
        std::fprintf(err, "proctex gallery: no preset is called \"%s\"\n",
                     settings.mapsPreset.c_str());
        return 1;
    }
    const auto presetDir = settings.dir / "presets";
    const auto typeDir = settings.dir / "types";
    std::vector<BatchItem> items;
    for (const Preset& p : presets()) {
        BatchItem item{p.name, p.options};
        item.options.writeRoughness = 0;  // the sheets show diffuse and normal only
        item.options.writeMetallic = 0;
        item.options.output = utf8FromPath(presetDir / (std::string(p.name) + ".png"));
        items.push_back(std::move(item));
    }
    const std::size_t presetCount = items.size();
    for (auto& item : typeSamples(typeDir)) items.push_back(std::move(item));
    const std::size_t typeEnd = items.size();
    // Every preset at two more seeds: the same material, laid out anew.
    const auto seedDir = settings.dir / "seeds";
    for (std::size_t i = 0; i < presetCount; ++i) {
        for (int step : {0, 1, 2}) {
            BatchItem item = items[i];
            item.options.seed =
                static_cast<int32_t>(static_cast<uint32_t>(item.options.seed) + step);
            item.name += " seed " + std::to_string(item.options.seed);
            item.options.output = utf8FromPath(
                seedDir / (std::string(items[i].name) + "-" + std::to_string(step) + ".png"));
            items.push_back(std::move(item));
        }
    }

    ProgressPrinter printer(out, settings.progress, settings.columns);
    const BatchSummary summary = runBatch(items, settings.jobs, &printer);
    if (summary.failed > 0) {
        std::fprintf(err, "proctex gallery: %zu material(s) failed; no sheet written\n",
                     summary.failed);
        return 1;
    }

    std::vector<SheetTile> presetTiles, typeTiles, seedTiles;
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto& tiles = i < presetCount ? presetTiles : i < typeEnd ? typeTiles : seedTiles;
        tiles.push_back(tileOf(items[i], items[i].name));
    }
    const struct {
        const char* title;
        const std::vector<SheetTile>& tiles;
        std::filesystem::path file;
        int group;
    } sheets[] = {
        {"proctex presets: diffuse above normal map", presetTiles, settings.dir / "presets.png", 1},
        {"each pattern and overlay alone on one stone base", typeTiles, settings.dir / "types.png",
         1},
        {"each preset at three seeds: one material, laid out anew", seedTiles,
         settings.dir / "seeds.png", 3},
    };
    for (const auto& s : sheets) {
        Image sheet;
        std::string error;
        if (!composeSheet(s.title, s.tiles, settings.tile, sheet, error, s.group)) {
            std::fprintf(err, "proctex gallery: %s\n", error.c_str());
            return 1;
        }
        if (!writeSheet(sheet, s.file, error)) {
            std::fprintf(err, "proctex gallery: %s\n", error.c_str());
            return 1;
        }
        std::fprintf(out, "%s\n", utf8FromPath(s.file).c_str());
    }
    std::string error;
    if (!writeMapsSheet(settings, error)) {
        std::fprintf(err, "proctex gallery: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(out, "%s\n", utf8FromPath(settings.dir / "maps.png").c_str());
    return 0;
}

}  // namespace proctex::cli
