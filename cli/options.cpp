#include "options.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <memory>

namespace proctex::cli {

namespace {

using S = ProctexSettings;

constexpr std::array<Field, 26> kFields = {{
    {"width", "Image width in pixels", &S::width},
    {"height", "Image height in pixels", &S::height},
    {"base", "1: single-octave noise; other: fractal", &S::baseType},
    {"scale", "Pixels per noise cell", &S::scale},
    {"octaves", "Noise layers of the fractal base", &S::octaves},
    {"persistence", "Weight factor per octave", &S::persistence},
    {"lacunarity", "Frequency factor per octave", &S::lacunarity},
    {"material", "1/8 grey, 2 wood, 3 marble, 4 stone, 5 green, 6 blue, 7 lava, other b/w",
     &S::materialType},
    {"pattern",
     "2 rings, 3 grooves, 4 tone curve, 5 damped extremes, 6 cells, 7 brushed, 8 discs, "
     "9 checker, 10 knots, 11 diamonds, 12 egg crate; other: none",
     &S::patternType},
    {"pattern-param", "Parameter of the pattern", &S::patternParam},
    {"overlay", "1 veins, 2 bricks, 3 planks, 4 scratches; other: none", &S::overlayType},
    {"overlay-param", "Vein scale, brick width, plank length or scratch count", &S::overlayParam},
    {"overlay-strength", "Vein/scratch depth, brick height, plank grain when > 0.5",
     &S::overlayStrength},
    {"seed", "Random seed", &S::seed},
    {"contrast", "Diffuse contrast (1 = unchanged)", &S::contrast},
    {"brightness", "Diffuse brightness offset (0 = unchanged)", &S::brightness},
    {"invert", "1 inverts the diffuse tones", &S::invert},
    {"seamless", "1 tileable; any non-zero value wraps the normal map", &S::seamless},
    {"normal-strength", "Slope factor of the normal map", &S::normalStrength},
    {"roughness", "Roughness parameter, 0..1", &S::roughness},
    {"roughness-map", "1 writes the roughness map", &S::writeRoughness},
    {"metallic-map", "1 writes the metallic map", &S::writeMetallic},
    {"ao-radius", "Ambient occlusion: pixels searched around each pixel, 0..256", &S::aoRadius},
    {"ao-strength", "Ambient occlusion: darkening, 0..16", &S::aoStrength},
    {"tile-size", "Metres one tile covers (recorded for importers; 0: not given)", &S::tileSize},
    {"height-range", "Metres between height 0 and 1 (recorded; 0: not given)", &S::heightRange},
}};

// Long enough for a reason naming a 511-byte path.
constexpr std::size_t kReasonSize = 1024;

struct MapsDeleter {
    void operator()(ProctexMaps* maps) const { proctex_maps_free(maps); }
};
using MapsPtr = std::unique_ptr<ProctexMaps, MapsDeleter>;

}  // namespace

ProctexSettings defaultSettings() {
    ProctexSettings settings;
    proctex_settings_init(&settings);
    return settings;
}

std::span<const Field> fields() {
    return kFields;
}

const Field* findField(std::string_view name) {
    std::string dashed(name);
    for (char& c : dashed) {
        if (c == '_') c = '-';
    }
    for (const Field& f : kFields) {
        if (dashed == f.name) return &f;
    }
    return nullptr;
}

void copyField(const Field& field, const ProctexSettings& from, ProctexSettings& to) {
    std::visit([&](auto member) { to.*member = from.*member; }, field.member);
}

std::string fieldText(const Field& field, const ProctexSettings& settings) {
    char buffer[32];
    const auto end = std::visit(
        [&](auto member) {
            // Shortest text that reads back as the same value.
            return std::to_chars(buffer, buffer + sizeof buffer, settings.*member).ptr;
        },
        field.member);
    return std::string(buffer, end);
}

std::string outputProblem(const std::string& output) {
    if (output.empty()) return "the output path is empty";
    const std::filesystem::path dir = std::filesystem::path(output).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        return "output directory '" + dir.string() + "' does not exist";
    }
    return {};
}

std::string mapPath(const std::string& output, int map) {
    // The name is the path with a suffix of at most 10 bytes put in its place.
    std::string name(output.size() + 16, '\0');
    if (proctex_map_path(output.c_str(), map, name.data(), name.size()) != PROCTEX_OK) return {};
    name.resize(name.find('\0'));
    return name;
}

std::vector<std::string> outputFiles(const Options& o) {
    std::vector<std::string> paths;
    auto add = [&](int map) {
        std::string p = mapPath(o.output, map);
        for (const auto& seen : paths) {
            if (seen == p) return;  // a path without ".png" takes every image
        }
        paths.push_back(std::move(p));
    };
    add(PROCTEX_MAP_DIFFUSE);
    add(PROCTEX_MAP_NORMAL);
    add(PROCTEX_MAP_SPECULAR);
    if (o.writeRoughness == 1) add(PROCTEX_MAP_ROUGHNESS);
    if (o.writeMetallic == 1) add(PROCTEX_MAP_METALLIC);
    return paths;
}

Outcome generate(const Options& o) {
    Outcome outcome;
    char reason[kReasonSize] = "";
    if (proctex_settings_check(&o, reason, sizeof reason) != PROCTEX_OK) {
        outcome.refused = true;
        outcome.error = reason;
        return outcome;
    }
    outcome.error = outputProblem(o.output);
    if (!outcome.error.empty()) {
        outcome.refused = true;
        return outcome;
    }

    ProctexMaps* computed = nullptr;
    if (proctex_generate(&o, PROCTEX_MAPS_AS_SETTINGS, &computed, reason, sizeof reason) !=
        PROCTEX_OK) {
        outcome.error = reason;
        return outcome;
    }
    const MapsPtr maps(computed);
    outcome.ok = proctex_save(maps.get(), o.output.c_str(), reason, sizeof reason) == PROCTEX_OK;
    if (!outcome.ok) outcome.error = reason;
    for (auto& f : outputFiles(o)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(f, ec)) outcome.files.push_back(std::move(f));
    }
    return outcome;
}

}  // namespace proctex::cli
