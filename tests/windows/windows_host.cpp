// proctex.dll as a Windows host program sees it: loading with LoadLibraryW,
// lookup by name and by ordinal, TestDLL, output naming, the limits of the
// wide-to-narrow path conversion and failures to create files, and the
// settings API: its struct as the DLL reads it, refusals, presets, maps in
// memory equal to the files, saving, naming and encoding. Runs under Wine.
//   proctex_windows_host [DLL]   (default: proctex.dll beside the program)
// Works in a fresh folder "host-work" under the current directory.
#define WIN32_LEAN_AND_MEAN
#include <proctex.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "battery.h"

namespace {

namespace fs = std::filesystem;

int passed = 0;
int failed = 0;

bool check(bool ok, const char* what, int line) {
    ++(ok ? passed : failed);
    if (!ok) std::fprintf(stderr, "windows_host.cpp:%d: check failed: %s\n", line, what);
    return ok;
}

bool checkEqual(long long actual, long long expected, const char* what, int line) {
    const bool ok = actual == expected;
    if (!ok) {
        std::fprintf(stderr, "windows_host.cpp:%d: %s is %lld, expected %lld\n", line, what, actual,
                     expected);
    }
    ++(ok ? passed : failed);
    return ok;
}

#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual, __LINE__)

using GenerateFn = decltype(&GenerateTexture);
using TestFn = decltype(&TestDLL);

GenerateFn generateTexture = nullptr;

// The settings API as loaded from the DLL, each function by its name.
struct Api {
    decltype(&proctex_settings_defaults) settingsDefaults = nullptr;
    decltype(&proctex_settings_check) settingsCheck = nullptr;
    decltype(&proctex_preset_count) presetCount = nullptr;
    decltype(&proctex_preset_name) presetName = nullptr;
    decltype(&proctex_preset_description) presetDescription = nullptr;
    decltype(&proctex_preset_settings) presetSettings = nullptr;
    decltype(&proctex_generate) generate = nullptr;
    decltype(&proctex_maps_pixels) mapsPixels = nullptr;
    decltype(&proctex_maps_height) mapsHeight = nullptr;
    decltype(&proctex_maps_free) mapsFree = nullptr;
    decltype(&proctex_save) save = nullptr;
    decltype(&proctex_map_path) mapPath = nullptr;
    decltype(&proctex_encode_png) encodePng = nullptr;
    decltype(&proctex_free) free = nullptr;
    decltype(&proctex_version) version = nullptr;
    bool complete = false;  // every function found
} api;

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
};

// GetProcAddress hands out an untyped pointer; the call goes through the
// function's real type (void (*)() is the neutral step between the two).
template <typename Fn>
Fn as(FARPROC proc) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

using Args = ProctexSettings;
using proctex::battery::batterySettings;

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

// Width, height and PNG colour type (0 grey, 2 RGB) from the IHDR chunk.
struct PngHeader {
    bool valid = false;
    long long width = 0, height = 0;
    int bitDepth = 0, colorType = -1;
};

PngHeader pngHeader(const fs::path& path) {
    const std::vector<char> bytes = readBytes(path);
    PngHeader h;
    if (bytes.size() < 33 || std::string(bytes.begin(), bytes.begin() + 8) != "\x89PNG\r\n\x1a\n" ||
        std::string(bytes.begin() + 12, bytes.begin() + 16) != "IHDR") {
        return h;
    }
    auto u32 = [&](std::size_t at) {
        long long v = 0;
        for (int i = 0; i < 4; ++i) v = v * 256 + static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    h.valid = true;
    h.width = u32(16);
    h.height = u32(20);
    h.bitDepth = static_cast<unsigned char>(bytes[24]);
    h.colorType = static_cast<unsigned char>(bytes[25]);
    return h;
}

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
        if (!check(byName != nullptr, e.name, __LINE__)) continue;
        check(byName == GetProcAddress(dll, MAKEINTRESOURCEA(e.ordinal)), e.name, __LINE__);
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
        api.complete = check(fn != nullptr, name, __LINE__) && api.complete;
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

const Args kStone = batterySettings([](ProctexSettings& s) {
    s.width = 40;
    s.height = 30;
    s.scale = 12.0f;
    s.octaves = 4;
});

void checkOutputNaming(const fs::path& work) {
    const fs::path dir = freshDir(work / "naming");
    CHECK_EQ(run(kStone, L"host-work\\naming\\stone.png"), 1);
    CHECK(filesIn(dir) ==
          std::vector<std::string>({"stone_diff.png", "stone_metal.png", "stone_nmap.png",
                                    "stone_rough.png", "stone_spec.png"}));
    // Material 4 gives an RGB diffuse image; the normal map is RGB, the rest grey.
    const struct {
        const char* file;
        int colorType;
    } formats[] = {{"stone_diff.png", 2},
                   {"stone_nmap.png", 2},
                   {"stone_spec.png", 0},
                   {"stone_rough.png", 0},
                   {"stone_metal.png", 0}};
    for (const auto& f : formats) {
        const PngHeader h = pngHeader(dir / f.file);
        CHECK(h.valid);
        CHECK_EQ(h.width, kStone.width);
        CHECK_EQ(h.height, kStone.height);
        CHECK_EQ(h.bitDepth, 8);
        CHECK_EQ(h.colorType, f.colorType);
    }

    // Everything after the last ".png" is dropped; forward slashes work too.
    const fs::path tmp = freshDir(work / "tmp");
    CHECK_EQ(run(kStone, L"host-work/tmp/out.png.tmp"), 1);
    CHECK(filesIn(tmp) == std::vector<std::string>({"out_diff.png", "out_metal.png", "out_nmap.png",
                                                    "out_rough.png", "out_spec.png"}));
    const fs::path nested = freshDir(work / "a.png");
    CHECK_EQ(run(kStone, L"host-work\\a.png\\b.png"), 1);
    CHECK_EQ(static_cast<long long>(filesIn(nested).size()), 5);
    CHECK(fs::is_regular_file(nested / "b_diff.png"));

    // Without a lower-case ".png" every image goes to the one path, and the
    // metallic map, written last, is what remains.
    const fs::path upper = freshDir(work / "upper");
    CHECK_EQ(run(kStone, L"host-work\\upper\\stone.PNG"), 1);
    CHECK(filesIn(upper) == std::vector<std::string>({"stone.PNG"}));
    CHECK(readBytes(upper / "stone.PNG") == readBytes(dir / "stone_metal.png"));
}

void checkPathConversion(const fs::path& work) {
    // 511 bytes convert; the text after ".png" is dropped, so the files have
    // short names whatever the platform's path length limit.
    const std::wstring head = L"host-work\\limit\\s.png";
    const std::wstring fits = head + std::wstring(511 - head.size(), L'x');
    const std::wstring tooLong = fits + L"x";
    CHECK_EQ(static_cast<long long>(fits.size()), 511);

    const fs::path limit = freshDir(work / "limit");
    CHECK_EQ(run(kStone, tooLong), 0);
    CHECK(filesIn(limit).empty());
    CHECK_EQ(run(kStone, fits), 1);
    CHECK(filesIn(limit) == std::vector<std::string>({"s_diff.png", "s_metal.png", "s_nmap.png",
                                                      "s_rough.png", "s_spec.png"}));

    // The C locale has no multibyte form for these: the narrow path is empty,
    // the call returns 0 and writes nothing.
    const fs::path unrepresentable = freshDir(work / "unrepresentable");
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\st\u4e2dne.png"), 0);
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\\U0001F600.png"), 0);
    CHECK_EQ(run(kStone, L"host-work\\unrepresentable\\\u20ac.png"), 0);
    CHECK(fs::is_empty(unrepresentable));

    CHECK_EQ(run(kStone, L""), 0);
    CHECK_EQ(generateTexture(8, 8, 0, 4.0f, 2, 0.5f, 2.0f, 4, 0, 0.0f, 0, 0.0f, 0.0f, 1, 1.0f, 0.0f,
                             0, 0, 1.0f, 0.5f, 0, 0, nullptr),
             0);
}

void checkFileCreation(const fs::path& work) {
    // A missing folder is not created: nothing is written and the result is 0.
    CHECK_EQ(run(kStone, L"host-work\\missing\\stone.png"), 0);
    CHECK(!fs::exists(work / "missing"));

    // A folder in the way of the diffuse image stops the call at once.
    const fs::path diffBlocked = freshDir(work / "diff-blocked");
    fs::create_directory(diffBlocked / "stone_diff.png");
    CHECK_EQ(run(kStone, L"host-work\\diff-blocked\\stone.png"), 0);
    CHECK(filesIn(diffBlocked).empty());

    // One in the way of the specular map gives 0 and replaces nothing: the
    // set is written whole or not at all.
    const fs::path specularBlocked = freshDir(work / "specular-blocked");
    fs::create_directory(specularBlocked / "stone_spec.png");
    CHECK_EQ(run(kStone, L"host-work\\specular-blocked\\stone.png"), 0);
    CHECK(filesIn(specularBlocked).empty());

    // A second call renames its files over the first call's (MoveFileEx) and
    // leaves no temporary behind.
    const fs::path again = freshDir(work / "again");
    CHECK_EQ(run(kStone, L"host-work\\again\\stone.png"), 1);
    const auto first = fs::file_size(again / "stone_diff.png");
    CHECK_EQ(run(kStone, L"host-work\\again\\stone.png"), 1);
    CHECK(filesIn(again) ==
          std::vector<std::string>({"stone_diff.png", "stone_metal.png", "stone_nmap.png",
                                    "stone_rough.png", "stone_spec.png"}));
    CHECK_EQ(fs::file_size(again / "stone_diff.png"), first);
}

// Calls on several threads at once share nothing but the file system: each
// writes what it writes alone.
void checkConcurrentCalls(const fs::path& work) {
    // clang-format off
    const Args sets[] = {
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 2; s.seed = 1; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.baseType = 1; s.materialType = 7; s.seed = 2; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 1; s.seed = 3; s.seamless = 1; }),
        batterySettings([](Args& s) {
            s.width = 64; s.height = 48; s.materialType = 3; s.seed = 4; s.invert = 1; }),
    };
    // clang-format on
    const auto name = [](int i) { return std::wstring(1, static_cast<wchar_t>(L'a' + i)); };
    const fs::path alone = freshDir(work / "alone");
    const fs::path together = freshDir(work / "together");
    for (int i = 0; i < 4; ++i) {
        CHECK_EQ(run(sets[i], L"host-work\\alone\\" + name(i) + L".png"), 1);
    }
    int results[4] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back(
            [&, i] { results[i] = run(sets[i], L"host-work\\together\\" + name(i) + L".png"); });
    }
    for (auto& t : threads) t.join();
    for (int r : results) CHECK_EQ(r, 1);
    const std::vector<std::string> names = filesIn(alone);
    CHECK_EQ(static_cast<long long>(names.size()), 20);
    CHECK(filesIn(together) == names);
    for (const std::string& name : names) {
        if (!CHECK(readBytes(together / name) == readBytes(alone / name))) {
            std::fprintf(stderr, "  differs: %s\n", name.c_str());
        }
    }
}

// ---- The settings API ----

bool contains(const char* text, const char* part) {
    return text != nullptr && std::strstr(text, part) != nullptr;
}

// The struct as the DLL fills it (first, middle and last members, so a
// layout that differs between host and library shows), and refusals: each
// names the member, and GenerateTexture refuses the same settings without
// writing anything.
void checkSettings(const fs::path& work) {
    Args s{};
    CHECK_EQ(api.settingsDefaults(&s, sizeof s), PROCTEX_OK);
    CHECK_EQ(static_cast<long long>(s.size), static_cast<long long>(sizeof s));
    CHECK_EQ(s.width, 512);
    CHECK(s.persistence == 0.72f);
    CHECK_EQ(s.seed, 1234);
    CHECK_EQ(s.writeMetallic, 1);
    char why[256] = "x";
    CHECK_EQ(api.settingsCheck(&s, why, sizeof why), PROCTEX_OK);
    CHECK(why[0] == '\0');
    CHECK_EQ(api.settingsDefaults(nullptr, sizeof s), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.settingsCheck(nullptr, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "settings"));

    const struct {
        void (*apply)(Args&);
        const char* member;
    } refusals[] = {
        {[](Args& a) { a.width = 0; }, "width"},
        {[](Args& a) { a.height = -3; }, "height"},
        {[](Args& a) {
             a.patternType = 6;
             a.patternParam = 0.0f;
         },
         "patternParam"},
        {[](Args& a) {
             a.overlayType = 2;
             a.overlayParam = 24.0f;
             a.overlayStrength = NAN;
         },
         "overlayStrength"},
        {[](Args& a) {
             a.overlayType = 3;
             a.overlayParam = -40.0f;
         },
         "overlayParam"},
    };
    const fs::path dir = freshDir(work / "refused");
    for (const auto& r : refusals) {
        Args bad = kStone;
        r.apply(bad);
        why[0] = '\0';
        CHECK_EQ(api.settingsCheck(&bad, why, sizeof why), PROCTEX_ERROR_SETTINGS);
        if (!check(contains(why, r.member), r.member, __LINE__))
            std::fprintf(stderr, "  %s\n", why);
        CHECK_EQ(run(bad, L"host-work\\refused\\r.png"), 0);
    }
    CHECK(fs::is_empty(dir));
    Args old = kStone;
    old.size = 8;  // below the first version of the struct
    CHECK_EQ(api.settingsCheck(&old, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "size"));
}

void checkPresets() {
    const int count = api.presetCount();
    CHECK(count > 0);
    for (int i = 0; i < count; ++i) {
        const char* name = api.presetName(i);
        Args s{};
        if (!CHECK(name != nullptr && api.presetDescription(i) != nullptr)) continue;
        check(api.presetSettings(name, &s, sizeof s) == PROCTEX_OK &&
                  api.settingsCheck(&s, nullptr, 0) == PROCTEX_OK,
              name, __LINE__);
    }
    CHECK(api.presetName(count) == nullptr && api.presetName(-1) == nullptr);
    CHECK(api.presetDescription(count) == nullptr);
    Args s = kStone;
    CHECK_EQ(api.presetSettings("no-such-material", &s, sizeof s), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(s.width, kStone.width);  // nothing written
    if (count > 0) {
        CHECK_EQ(api.presetSettings(api.presetName(0), nullptr, sizeof s), PROCTEX_ERROR_ARGUMENT);
    }
}

std::vector<char> pngOf(const unsigned char* pixels, int width, int height, int channels,
                        int stride = 0) {
    unsigned char* bytes = nullptr;
    size_t length = 0;
    if (!CHECK_EQ(api.encodePng(pixels, width, height, channels, stride, &bytes, &length),
                  PROCTEX_OK)) {
        return {};
    }
    std::vector<char> png(bytes, bytes + length);
    api.free(bytes);
    return png;
}

std::string mapPath(const std::string& path, int map) {
    char out[600];
    return api.mapPath(path.c_str(), map, out, sizeof out) == PROCTEX_OK ? out : "";
}

// Maps in memory against the files GenerateTexture writes for the same
// settings, and the files proctex_save writes from them.
void checkMapsMatchFiles(const fs::path& work, const char* name, const Args& s) {
    freshDir(work / "maps");
    const std::string base = std::string("host-work\\maps\\") + name;
    if (!CHECK_EQ(run(s, std::wstring(base.begin(), base.end()) + L".png"), 1)) return;
    ProctexMaps* maps = nullptr;
    char why[256];
    if (!CHECK_EQ(api.generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, why, sizeof why), PROCTEX_OK)) {
        return;
    }
    const int channels[] = {s.materialType == 1 || s.materialType == 8 ? 1 : 3, 3, 1, 1, 1};
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        int w = 0, h = 0, c = 0;
        const unsigned char* pixels = api.mapsPixels(maps, map, &w, &h, &c);
        const std::string file = mapPath(base + ".png", map);
        CHECK_EQ(pixels != nullptr, fs::exists(file));
        if (pixels == nullptr) continue;
        CHECK(w == s.width && h == s.height);
        CHECK_EQ(c, channels[map]);
        check(pngOf(pixels, w, h, c) == readBytes(file), file.c_str(), __LINE__);
    }
    CHECK(api.mapsHeight(maps, nullptr, nullptr) == nullptr);  // not asked for

    CHECK_EQ(api.save(maps, (base + "_saved.png").c_str(), why, sizeof why), PROCTEX_OK);
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        const std::string file = mapPath(base + ".png", map);
        check(readBytes(mapPath(base + "_saved.png", map)) == readBytes(file), file.c_str(),
              __LINE__);
    }
    api.mapsFree(maps);
}

// Other masks, refusals and the null pointers of generate and save.
void checkGenerateAndSave(const fs::path& work) {
    ProctexMaps* maps = nullptr;
    char why[256];
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_OK);
    int w = 0, h = 0;
    const float* height = api.mapsHeight(maps, &w, &h);
    CHECK(height != nullptr && w == kStone.width && h == kStone.height);
    if (height != nullptr) CHECK(std::isfinite(height[w * h - 1]));
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_METALLIC, nullptr, nullptr, nullptr) != nullptr);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_HEIGHT, nullptr, nullptr, nullptr) == nullptr);

    // Saving: missing arguments, unusable paths, a missing folder.
    CHECK_EQ(api.save(nullptr, "host-work\\x.png", why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.save(maps, nullptr, why, sizeof why), PROCTEX_ERROR_ARGUMENT);
    CHECK(contains(why, "path"));
    CHECK_EQ(api.save(maps, "", why, sizeof why), PROCTEX_ERROR_PATH);
    CHECK_EQ(api.save(maps, std::string(512, 'x').c_str(), why, sizeof why), PROCTEX_ERROR_PATH);
    CHECK_EQ(api.save(maps, "host-work\\missing\\s.png", why, sizeof why), PROCTEX_ERROR_WRITE);
    CHECK(contains(why, "s_diff.png"));
    CHECK(!fs::exists(work / "missing"));
    api.mapsFree(maps);

    maps = nullptr;
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL), &maps, nullptr, 0),
             PROCTEX_OK);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_NORMAL, nullptr, nullptr, nullptr) != nullptr);
    CHECK(api.mapsPixels(maps, PROCTEX_MAP_DIFFUSE, nullptr, nullptr, nullptr) == nullptr);
    api.mapsFree(maps);
    api.mapsFree(nullptr);

    Args bad = kStone;
    bad.patternType = 9;
    bad.patternParam = INFINITY;
    int dummy = 0;
    maps = reinterpret_cast<ProctexMaps*>(&dummy);  // must be replaced by null
    CHECK_EQ(api.generate(&bad, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_ERROR_SETTINGS);
    CHECK(maps == nullptr && contains(why, "patternParam"));
    CHECK_EQ(api.generate(nullptr, PROCTEX_MAPS_ALL, &maps, why, sizeof why),
             PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.generate(&kStone, PROCTEX_MAPS_ALL, nullptr, why, sizeof why),
             PROCTEX_ERROR_ARGUMENT);
}

// Naming, encoding with and without row padding, and the version.
void checkHelpers() {
    CHECK(mapPath("dir\\a.png.tmp", PROCTEX_MAP_NORMAL) == "dir\\a_nmap.png");
    CHECK(mapPath("dir\\a.PNG", PROCTEX_MAP_METALLIC) == "dir\\a.PNG");
    char small[8] = "x";
    CHECK_EQ(api.mapPath("dir\\a.png", PROCTEX_MAP_DIFFUSE, small, sizeof small),
             PROCTEX_ERROR_ARGUMENT);
    CHECK(small[0] == '\0');
    CHECK_EQ(api.mapPath("a.png", PROCTEX_MAP_HEIGHT, small, sizeof small), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.mapPath(nullptr, PROCTEX_MAP_DIFFUSE, small, sizeof small),
             PROCTEX_ERROR_ARGUMENT);

    const unsigned char packed[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    const unsigned char padded[] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    const std::vector<char> png = pngOf(packed, 2, 2, 3);
    CHECK(png.size() > 8 && std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8) == 0);
    CHECK(pngOf(padded, 2, 2, 3, 8) == png);
    unsigned char sentinel = 0;
    unsigned char* bytes = &sentinel;  // must be replaced by null
    size_t length = 1;
    CHECK_EQ(api.encodePng(nullptr, 2, 2, 3, 0, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    CHECK(bytes == nullptr && length == 0);
    CHECK_EQ(api.encodePng(packed, 2, 2, 5, 0, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    CHECK_EQ(api.encodePng(packed, 2, 2, 3, 5, &bytes, &length), PROCTEX_ERROR_ARGUMENT);
    api.free(nullptr);

    const char* version = api.version();
    int major = -1, minor = -1, patch = -1, end = 0;
    CHECK(version != nullptr &&
          std::sscanf(version, "%d.%d.%d%n", &major, &minor, &patch, &end) == 3 &&
          version[end] == '\0' && major >= 0 && minor >= 0 && patch >= 0);
}

}  // namespace

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
    if (generateTexture != nullptr && api.complete) {
        const fs::path work = "host-work";
        checkSettings(work);
        checkPresets();
        checkMapsMatchFiles(work, "stone", kStone);
        checkMapsMatchFiles(work, "grey", batterySettings([](Args& s) {
                                s.materialType = 8;
                                s.patternType = 6;
                                s.patternParam = 6.0f;
                                s.overlayType = 2;
                                s.overlayParam = 20.0f;
                                s.overlayStrength = 8.0f;
                                s.writeRoughness = 0;
                            }));
        checkGenerateAndSave(work);
        checkHelpers();
    }
    std::printf("windows-host: %d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
