// Writes every material set of the battery into a directory, through the
// library's public interface only:
//   proctex_battery [DIR]      (DIR defaults to the current directory)
// Prints one line per set and exits non-zero when any call does not return 1.
#include <proctex.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "battery.h"

namespace {

// Set names and the directory argument are plain ASCII, so widening is a copy.
std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

int generate(const proctex::battery::MaterialSet& s, const std::wstring& path) {
    return GenerateTexture(s.width, s.height, s.baseType, s.scale, s.octaves, s.persistence,
                           s.lacunarity, s.materialType, s.patternType, s.patternParam,
                           s.overlayType, s.overlayParam, s.overlayStrength, s.seed, s.contrast,
                           s.brightness, s.invert, s.seamless, s.normalStrength, s.roughness,
                           s.writeRoughness, s.writeMetallic, path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";
    int failed = 0;
    int count = 0;
    const auto start = std::chrono::steady_clock::now();
    for (const auto& set : proctex::battery::kMaterialSets) {
        const int result = generate(set, widen(dir + "/" + set.name + ".png"));
        std::printf("%-30s %s\n", set.name, result == 1 ? "written" : "FAILED");
        failed += result == 1 ? 0 : 1;
        ++count;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("battery: %d sets, %d failed, %lld ms\n", count, failed,
                static_cast<long long>(elapsed.count()));
    return failed == 0 ? 0 : 1;
}
