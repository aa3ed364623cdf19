// proctex.dll as a Windows host program sees it: loading with LoadLibraryW,
// lookup by name and by ordinal, TestDLL, output naming, the limits of the
// wide-to-narrow path conversion and failures to create files, and the
// settings API: its struct as the DLL reads it, refusals, presets, maps in
// memory equal to the files, saving, naming and encoding. Runs under Wine.
//   proctex_windows_host [DLL]   (default: proctex.dll beside the program)
// Works in a fresh folder "host-work" under the current directory.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

#include "host_checks.h"

namespace host {

namespace {

// The file's name without its folders, for short messages.
const char* baseName(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || *p == '\\') name = p + 1;
    }
    return name;
}

// Every export with the ordinal the .def file gives it.
constexpr struct {
    const char* name;
    int ordinal;
} kExports[] = {
    {"GenerateTexture", 1},
    {"TestDLL", 2},
    {"proctex_settings_defaults", 3},
    {"proctex_settings_check", 4},
    {"proctex_preset_count", 5},
    {"proctex_preset_name", 6},
    {"proctex_preset_description", 7},
    {"proctex_preset_settings", 8},
    {"proctex_generate", 9},
    {"proctex_maps_pixels", 10},
    {"proctex_maps_height", 11},
    {"proctex_maps_free", 12},
    {"proctex_save", 13},
    {"proctex_map_path", 14},
    {"proctex_encode_png", 15},
    {"proctex_free", 16},
    {"proctex_version", 17},
    {"proctex_maps_height16", 18},
    {"proctex_save_files", 19},
    {"proctex_encode_png16", 20},
    {"proctex_option_count", 21},
    {"proctex_option_info", 22},
    {"proctex_option_find", 23},
    {"proctex_choice_parse", 24},
    {"proctex_settings_refusal", 25},
    {"proctex_map_count", 26},
    {"proctex_map_info", 27},
    {"proctex_generate_progress", 28},
    {"proctex_save_files_progress", 29},
    {"proctex_colors_parse", 30},
    {"proctex_colors_text", 31},
    {"proctex_naming_count", 32},
    {"proctex_naming_name", 33},
    {"proctex_naming_help", 34},
    {"proctex_naming_suffix", 35},
    {"proctex_layer_defaults", 36},
    {"proctex_layers_parse", 37},
    {"proctex_layers_text", 38},
    {"proctex_layer_option_count", 39},
    {"proctex_layer_option_info", 40},
    {"proctex_maps_layer_mask", 41},
};

// GetProcAddress hands out an untyped pointer; the call goes through the
// function's real type (void (*)() is the neutral step between the two).
template <typename Fn>
Fn as(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

}  // namespace

int passed = 0;
int failed = 0;

bool check(bool ok, const char* what, const char* file, int line) {
    ++(ok ? passed : failed);
    if (!ok) std::fprintf(stderr, "%s:%d: check failed: %s\n", baseName(file), line, what);
    return ok;
}

bool checkEqual(long long actual, long long expected, const char* what, const char* file,
                int line) {
    const bool ok = actual == expected;
    if (!ok) {
        std::fprintf(stderr, "%s:%d: %s is %lld, expected %lld\n", baseName(file), line, what,
                     actual, expected);
    }
    ++(ok ? passed : failed);
    return ok;
}

GenerateFn generateTexture = nullptr;
Api api;

int run(const Args& a, const std::wstring& path) {
    return generateTexture(a.width, a.height, a.baseType, a.scale, a.octaves, a.persistence,
                           a.lacunarity, a.materialType, a.patternType, a.patternParam,
                           a.overlayType, a.overlayParam, a.overlayStrength, a.seed, a.contrast,
                           a.brightness, a.invert, a.seamless, a.normalStrength, a.roughness,
                           a.writeRoughness, a.writeMetallic, path.c_str());
}

std::vector<char> readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Regular files directly in `dir`, sorted; subfolders are not listed.
std::vector<std::string> filesIn(const fs::path& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::path freshDir(const fs::path& dir) {
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

const Args kStone = batterySettings([](ProctexSettings& s) {
    s.width = 40;
    s.height = 30;
    s.scale = 12.0f;
    s.octaves = 4;
});

void checkExports(const wchar_t* dllPath) {
    HMODULE dll = LoadLibraryW(dllPath);
    if (!CHECK(dll != nullptr)) return;

    const FARPROC generateByName = GetProcAddress(dll, "GenerateTexture");
    const FARPROC generateByOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(1));
    const FARPROC testByName = GetProcAddress(dll, "TestDLL");
    const FARPROC testByOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(2));
    CHECK(generateByName != nullptr);
    CHECK(generateByName == generateByOrdinal);
    CHECK(testByName != nullptr);
    CHECK(testByName == testByOrdinal);
    CHECK(generateByName != testByName);
    for (const auto& e : kExports) {
        const FARPROC byName = GetProcAddress(dll, e.name);
        if (!check(byName != nullptr, e.name, __FILE__, __LINE__)) continue;
        check(byName == GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal)), e.name, __FILE__,
              __LINE__);
    }
    // No ordinal past the last, no decorated aliases, nothing else of ours visible.
    CHECK(GetProcAddress(dll, MAKEINTRESOURCEA(std::size(kExports) + 1)) == nullptr);
    CHECK(GetProcAddress(dll, "proctex_generate@32") == nullptr);
    CHECK(GetProcAddress(dll, "TestDLL@0") == nullptr);
    CHECK(GetProcAddress(dll, "_TestDLL@0") == nullptr);
    CHECK(GetProcAddress(dll, "GenerateTexture@92") == nullptr);
    CHECK(GetProcAddress(dll, "DllMain") == nullptr);

    if (testByName != nullptr && testByOrdinal != nullptr) {
        CHECK_EQ(as<TestFn>(testByName)(), 42);
        CHECK_EQ(as<TestFn>(testByOrdinal)(), 42);
    }
    // Unloading and loading again runs the detach and attach notifications.
    CHECK(FreeLibrary(dll) != 0);
    dll = LoadLibraryW(dllPath);
    if (!CHECK(dll != nullptr)) return;
    generateTexture = as<GenerateFn>(GetProcAddress(dll, MAKEINTRESOURCEA(1)));
    CHECK(generateTexture != nullptr);

    // A couple by ordinal, the rest by name.
    api.generate = as<decltype(api.generate)>(GetProcAddress(dll, MAKEINTRESOURCEA(9)));
    api.save = as<decltype(api.save)>(GetProcAddress(dll, MAKEINTRESOURCEA(13)));
    api.complete = CHECK(api.generate != nullptr) && CHECK(api.save != nullptr);
    auto load = [dll](auto& fn, const char* name) {
        fn = as<std::remove_reference_t<decltype(fn)>>(GetProcAddress(dll, name));
        api.complete = check(fn != nullptr, name, __FILE__, __LINE__) && api.complete;
    };
    load(api.settingsDefaults, "proctex_settings_defaults");
    load(api.settingsCheck, "proctex_settings_check");
    load(api.presetCount, "proctex_preset_count");
    load(api.presetName, "proctex_preset_name");
    load(api.presetDescription, "proctex_preset_description");
    load(api.presetSettings, "proctex_preset_settings");
    load(api.mapsPixels, "proctex_maps_pixels");
    load(api.mapsHeight, "proctex_maps_height");
    load(api.mapsFree, "proctex_maps_free");
    load(api.mapPath, "proctex_map_path");
    load(api.encodePng, "proctex_encode_png");
    load(api.free, "proctex_free");
    load(api.version, "proctex_version");
}

}  // namespace host

using namespace host;

int main(int argc, char** argv) {
    std::wstring dllPath = L"proctex.dll";
    if (argc > 1) dllPath.assign(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));

    checkExports(dllPath.c_str());
    if (generateTexture != nullptr) {
        const fs::path work = freshDir("host-work");
        checkOutputNaming(work);
        checkPathConversion(work);
        checkFileCreation(work);
        checkConcurrentCalls(work);
    }
    // The settings API's behaviour is checked by the library's own suites,
    // cross-built and run under Wine; here only that a host finds every
    // export by name (checkExports).
    CHECK(api.complete);
    std::printf("windows-host: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
