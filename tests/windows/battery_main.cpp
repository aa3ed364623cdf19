// Writes every material set of the battery into a directory, through the
// library's public interface only:
//   proctex_battery [DIR]      (DIR defaults to the current directory)
// Each set is written twice: by GenerateTexture as <name>.png, and by
// proctex_generate + proctex_save as <name>_api.png; the two must give the
// same files. Prints one line per set and exits non-zero when any call fails
// or the two differ.
#include <proctex.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "battery.h"

namespace {

// Set names and the directory argument are plain ASCII, so widening is a copy.
std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

int generate(const ProctexSettings& s, const std::wstring& path) {
    return GenerateTexture(s.width, s.height, s.baseType, s.scale, s.octaves, s.persistence,
                           s.lacunarity, s.materialType, s.patternType, s.patternParam,
                           s.overlayType, s.overlayParam, s.overlayStrength, s.seed, s.contrast,
                           s.brightness, s.invert, s.seamless, s.normalStrength, s.roughness,
                           s.writeRoughness, s.writeMetallic, path.c_str());
}

// The same set through the settings API; an empty string or the reason.
std::string generateAndSave(const ProctexSettings& s, const std::string& path) {
    char why[256] = "";
    ProctexMaps* maps = nullptr;
    if (proctex_generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, why, sizeof why) != PROCTEX_OK) {
        return std::string("generate: ") + why;
    }
    const int saved = proctex_save(maps, path.c_str(), why, sizeof why);
    proctex_maps_free(maps);
    return saved == PROCTEX_OK ? std::string() : std::string("save: ") + why;
}

std::optional<std::vector<char>> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first map whose file differs, exists for one path only, or (diffuse,
// normal, specular) is missing for both; "" when they all agree.
std::string firstDifference(const std::string& a, const std::string& b) {
    static const char* const kMaps[] = {"diffuse", "normal", "specular", "roughness", "metallic"};
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        char fileA[600];
        char fileB[600];
        if (proctex_map_path(a.c_str(), map, fileA, sizeof fileA) != PROCTEX_OK ||
            proctex_map_path(b.c_str(), map, fileB, sizeof fileB) != PROCTEX_OK) {
            return kMaps[map];
        }
        const auto bytes = readFile(fileA);
        if (bytes != readFile(fileB) || (map <= PROCTEX_MAP_SPECULAR && !bytes)) return kMaps[map];
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    int failed = 0;
    int count = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& set : proctex::battery::kMaterialSets) {
        const ProctexSettings settings = set.settings();
        const std::string path = dir + "/" + set.name + ".png";
        const std::string apiPath = dir + "/" + set.name + "_api.png";
        std::string problem;
        if (generate(settings, widen(path)) != 1) {
            problem = "GenerateTexture did not return 1";
        } else if (problem = generateAndSave(settings, apiPath); problem.empty()) {
            const std::string map = firstDifference(path, apiPath);
            if (!map.empty()) problem = "the " + map + " files of the two calls differ";
        }
        std::printf("%-30s %s%s\n", set.name,
                    problem.empty() ? "written" : "FAILED: ", problem.c_str());
        failed += problem.empty() ? 0 : 1;
        ++count;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("battery: %d sets, %d failed, %lld ms\n", count, failed,
                static_cast<long long>(elapsed.count()));
    return failed == 0 ? 0 : 1;
}
