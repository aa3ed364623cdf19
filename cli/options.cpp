#include "options.h"

#include <proctex.h>

#include <array>
#include <charconv>
#include <cwchar>
#include <filesystem>

#include "api/output_paths.h"

namespace proctex::cli {

namespace {

constexpr std::array<Field, 22> kFields = {{
    {"width", "Image width in pixels", &Options::width},
    {"height", "Image height in pixels", &Options::height},
    {"base", "1: single-octave noise; other: fractal", &Options::base},
    {"scale", "Pixels per noise cell", &Options::scale},
    {"octaves", "Noise layers of the fractal base", &Options::octaves},
    {"persistence", "Weight factor per octave", &Options::persistence},
    {"lacunarity", "Frequency factor per octave", &Options::lacunarity},
    {"material", "1/8 grey, 2 wood, 3 marble, 4 stone, 5 green, 6 blue, 7 lava, other b/w",
     &Options::material},
    {"pattern",
     "2 rings, 3 grooves, 4 tone curve, 5 damped extremes, 6 cells, 7 brushed, 8 discs, "
     "9 checker, 10 knots, 11 diamonds, 12 egg crate; other: none",
     &Options::pattern},
    {"pattern-param", "Parameter of the pattern", &Options::patternParam},
    {"overlay", "1 veins, 2 bricks, 3 planks, 4 scratches; other: none", &Options::overlay},
    {"overlay-param", "Vein scale, brick width, plank length or scratch count",
     &Options::overlayParam},
    {"overlay-strength", "Vein/scratch depth, brick height, plank grain when > 0.5",
     &Options::overlayStrength},
    {"seed", "Random seed", &Options::seed},
    {"contrast", "Diffuse contrast (1 = unchanged)", &Options::contrast},
    {"brightness", "Diffuse brightness offset (0 = unchanged)", &Options::brightness},
    {"invert", "1 inverts the diffuse tones", &Options::invert},
    {"seamless", "1 tileable; any non-zero value wraps the normal map", &Options::seamless},
    {"normal-strength", "Slope factor of the normal map", &Options::normalStrength},
    {"roughness", "Roughness parameter, 0..1", &Options::roughness},
    {"roughness-map", "1 writes the roughness map", &Options::roughnessMap},
    {"metallic-map", "1 writes the metallic map", &Options::metallicMap},
}};

}  // namespace

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

void copyField(const Field& field, const Options& from, Options& to) {
    std::visit([&](auto member) { to.*member = from.*member; }, field.member);
}

std::string fieldText(const Field& field, const Options& o) {
    char buffer[32];
    const auto end = std::visit(
        [&](auto member) {
            // Shortest text that reads back as the same value.
            return std::to_chars(buffer, buffer + sizeof buffer, o.*member).ptr;
        },
        field.member);
    return std::string(buffer, end);
}

std::string explainFailure(const Options& o) {
    if (o.width <= 0 || o.height <= 0) return "width and height must be positive";
    if (static_cast<long long>(o.width) * o.height * 3 > 2147483647LL) {
        return "the image is too large (width x height x 3 must stay below 2^31)";
    }
    if (o.output.empty()) return "the output path is empty";
    const std::filesystem::path dir = std::filesystem::path(o.output).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        return "output directory '" + dir.string() + "' does not exist";
    }
    return {};
}

bool widenPath(const std::string& path, std::wstring& wide) {
    std::mbstate_t state{};
    const char* source = path.c_str();
    const std::size_t length = std::mbsrtowcs(nullptr, &source, 0, &state);
    if (length == static_cast<std::size_t>(-1)) return false;
    wide.assign(length, L'\0');
    state = std::mbstate_t{};
    source = path.c_str();
    std::mbsrtowcs(wide.data(), &source, length, &state);
    return true;
}

std::vector<std::string> outputFiles(const Options& o) {
    std::vector<std::string> paths;
    auto add = [&](const char* suffix) {
        std::string p = deriveOutputPath(o.output, suffix);
        for (const auto& seen : paths) {
            if (seen == p) return;  // a path without ".png" takes every image
        }
        paths.push_back(std::move(p));
    };
    add("_diff.png");
    add("_nmap.png");
    add("_spec.png");
    if (o.roughnessMap == 1) add("_rough.png");
    if (o.metallicMap == 1) add("_metal.png");
    return paths;
}

Outcome generate(const Options& o) {
    Outcome outcome;
    outcome.error = explainFailure(o);
    if (!outcome.error.empty()) return outcome;
    std::wstring widePath;
    if (!widenPath(o.output, widePath)) {
        outcome.error = "the output path is not valid in the current locale";
        return outcome;
    }

    outcome.called = true;
    const int ok = GenerateTexture(o.width, o.height, o.base, o.scale, o.octaves, o.persistence,
                                   o.lacunarity, o.material, o.pattern, o.patternParam, o.overlay,
                                   o.overlayParam, o.overlayStrength, o.seed, o.contrast,
                                   o.brightness, o.invert, o.seamless, o.normalStrength,
                                   o.roughness, o.roughnessMap, o.metallicMap, widePath.c_str());
    for (auto& f : outputFiles(o)) {
        std::error_code ec;
        if (std::filesystem::exists(f, ec)) outcome.files.push_back(std::move(f));
    }
    outcome.ok = ok == 1;
    if (!outcome.ok) {
        outcome.error =
            "generation failed: the images could not all be written (check the output path, "
            "its length (at most 511 bytes) and the parameters)";
    }
    return outcome;
}

}  // namespace proctex::cli
