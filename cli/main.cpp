// proctex: generate a procedural material set from the command line.
#include <proctex.h>

#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "api/output_paths.h"

namespace {

// Every argument of GenerateTexture but the path; the defaults make a
// good-looking grey stone.
struct Options {
    int width = 512;
    int height = 512;
    int base = 0;
    float scale = 96.0f;
    int octaves = 7;
    float persistence = 0.55f;
    float lacunarity = 2.0f;
    int material = 4;
    int pattern = 0;
    float patternParam = 0.0f;
    int overlay = 0;
    float overlayParam = 0.0f;
    float overlayStrength = 0.0f;
    int seed = 1234;
    float contrast = 1.2f;
    float brightness = 0.0f;
    int invert = 0;
    int seamless = 0;
    float normalStrength = 6.0f;
    float roughness = 0.5f;
    int roughnessMap = 1;
    int metallicMap = 1;
    std::string output;
};

void addOptions(CLI::App& app, Options& o) {
    app.add_option("--width", o.width, "Image width in pixels")->capture_default_str();
    app.add_option("--height", o.height, "Image height in pixels")->capture_default_str();
    app.add_option("--base", o.base, "1: single-octave noise; other: fractal")
        ->capture_default_str();
    app.add_option("--scale", o.scale, "Pixels per noise cell")->capture_default_str();
    app.add_option("--octaves", o.octaves, "Noise layers of the fractal base")
        ->capture_default_str();
    app.add_option("--persistence", o.persistence, "Weight factor per octave")
        ->capture_default_str();
    app.add_option("--lacunarity", o.lacunarity, "Frequency factor per octave")
        ->capture_default_str();
    app.add_option("--material", o.material,
                   "1/8 grey, 2 wood, 3 marble, 4 stone, 5 green, 6 blue, 7 lava, other b/w")
        ->capture_default_str();
    app.add_option("--pattern", o.pattern,
                   "2 rings, 3 grooves, 4 tone curve, 5 damped extremes, 6 cells, 7 brushed, "
                   "8 discs, 9 checker, 10 knots, 11 diamonds, 12 egg crate; other: none")
        ->capture_default_str();
    app.add_option("--pattern-param", o.patternParam, "Parameter of the pattern")
        ->capture_default_str();
    app.add_option("--overlay", o.overlay, "1 veins, 2 bricks, 3 planks, 4 scratches; other: none")
        ->capture_default_str();
    app.add_option("--overlay-param", o.overlayParam,
                   "Vein scale, brick width, plank length or scratch count")
        ->capture_default_str();
    app.add_option("--overlay-strength", o.overlayStrength,
                   "Vein/scratch depth, brick height, plank grain when > 0.5")
        ->capture_default_str();
    app.add_option("--seed", o.seed, "Random seed")->capture_default_str();
    app.add_option("--contrast", o.contrast, "Diffuse contrast (1 = unchanged)")
        ->capture_default_str();
    app.add_option("--brightness", o.brightness, "Diffuse brightness offset (0 = unchanged)")
        ->capture_default_str();
    app.add_option("--invert", o.invert, "1 inverts the diffuse tones")->capture_default_str();
    app.add_option("--seamless", o.seamless, "1 tileable; any non-zero value wraps the normal map")
        ->capture_default_str();
    app.add_option("--normal-strength", o.normalStrength, "Slope factor of the normal map")
        ->capture_default_str();
    app.add_option("--roughness", o.roughness, "Roughness parameter, 0..1")->capture_default_str();
    app.add_option("--roughness-map", o.roughnessMap, "1 writes the roughness map")
        ->capture_default_str();
    app.add_option("--metallic-map", o.metallicMap, "1 writes the metallic map")
        ->capture_default_str();
    app.add_option("output", o.output, "Output path, e.g. out/stone.png")->required();
}

// Converts a command-line (locale-encoded) path to the wide form the library takes.
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

// Says why a call would fail when we can tell beforehand; empty when we cannot.
std::string explainFailure(const Options& o) {
    if (o.width <= 0 || o.height <= 0) return "width and height must be positive";
    if (static_cast<long long>(o.width) * o.height * 3 > 2147483647LL) {
        return "the image is too large (width x height x 3 must stay below 2^31)";
    }
    const std::filesystem::path dir = std::filesystem::path(o.output).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        return "output directory '" + dir.string() + "' does not exist";
    }
    return {};
}

std::vector<std::string> writtenFiles(const Options& o) {
    std::vector<std::string> paths = {proctex::deriveOutputPath(o.output, "_diff.png"),
                                      proctex::deriveOutputPath(o.output, "_nmap.png"),
                                      proctex::deriveOutputPath(o.output, "_spec.png")};
    if (o.roughnessMap == 1) paths.push_back(proctex::deriveOutputPath(o.output, "_rough.png"));
    if (o.metallicMap == 1) paths.push_back(proctex::deriveOutputPath(o.output, "_metal.png"));
    std::vector<std::string> existing;
    for (const auto& p : paths) {
        bool seen = false;
        for (const auto& e : existing) seen = seen || e == p;
        if (!seen && std::filesystem::exists(p)) existing.push_back(p);
    }
    return existing;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");

    CLI::App app{"proctex: procedural PBR material textures"};
    app.set_version_flag("--version", std::string("proctex ") + PROCTEX_VERSION);
    Options o;
    addOptions(app, o);
    CLI11_PARSE(app, argc, argv);

    if (const std::string why = explainFailure(o); !why.empty()) {
        std::cerr << "proctex: " << why << "\n";
        return 2;
    }
    std::wstring widePath;
    if (!widenPath(o.output, widePath)) {
        std::cerr << "proctex: the output path is not valid in the current locale\n";
        return 2;
    }

    const int ok = GenerateTexture(o.width, o.height, o.base, o.scale, o.octaves, o.persistence,
                                   o.lacunarity, o.material, o.pattern, o.patternParam, o.overlay,
                                   o.overlayParam, o.overlayStrength, o.seed, o.contrast,
                                   o.brightness, o.invert, o.seamless, o.normalStrength,
                                   o.roughness, o.roughnessMap, o.metallicMap, widePath.c_str());
    const std::vector<std::string> files = writtenFiles(o);
    for (const auto& f : files) std::cout << f << "\n";
    if (ok != 1) {
        std::cerr << "proctex: generation failed: the images could not all be written "
                     "(check the output path, its length (at most 511 bytes) and the parameters)\n";
        return 1;
    }
    return 0;
}
