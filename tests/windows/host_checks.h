// What the parts of the Windows host program share: the tally of checks, the
// functions loaded from proctex.dll, the files the calls write and the
// settings they use.
#pragma once

#define WIN32_LEAN_AND_MEAN
#include <proctex.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "battery.h"

namespace host {

namespace fs = std::filesystem;

extern int passed;
extern int failed;

// Each counts one check and reports a failure with its place.
bool check(bool ok, const char* what, const char* file, int line);
bool checkEqual(long long actual, long long expected, const char* what, const char* file, int line);

#define CHECK(cond) check((cond), #cond, __FILE__, __LINE__)
#define CHECK_EQ(actual, expected) checkEqual((actual), (expected), #actual, __FILE__, __LINE__)

using GenerateFn = decltype(&GenerateTexture);
using TestFn = decltype(&TestDLL);

extern GenerateFn generateTexture;

// The settings API as loaded from the DLL, each function by its name.
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
};
extern Api api;

using Args = ProctexSettings;
using proctex::battery::batterySettings;

// A small stone that most checks write.
extern const Args kStone;

// GenerateTexture with the members of `a` as its arguments.
int run(const Args& a, const std::wstring& path);
std::vector<char> readBytes(const fs::path& path);
// Regular files directly in `dir`, sorted; subfolders are not listed.
std::vector<std::string> filesIn(const fs::path& dir);
fs::path freshDir(const fs::path& dir);

// Loading, lookup by name and ordinal, TestDLL; fills generateTexture and api.
void checkExports(const wchar_t* dllPath);

// GenerateTexture's files: naming, path conversion, failures, threads.
void checkOutputNaming(const fs::path& work);
void checkPathConversion(const fs::path& work);
void checkFileCreation(const fs::path& work);
void checkConcurrentCalls(const fs::path& work);

}  // namespace host
