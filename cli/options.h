// The options of one material, by the names the tool and its manifests use.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace proctex::cli {

// Every argument of GenerateTexture but the path; the defaults make a
// good-looking grey stone. Presets list only what they change.
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
    std::string output = {};
};

// One of the 22 numeric options: its long name (without "--"), which is also
// its key in a batch manifest, a one-line help text and where it lives.
struct Field {
    const char* name;
    const char* help;
    std::variant<int Options::*, float Options::*> member;
};

// In the order of GenerateTexture's arguments.
std::span<const Field> fields();

// The field of a name; '_' may stand for '-' (as in Python). Null if unknown.
const Field* findField(std::string_view name);

// Copies one field's value from `from` to `to`.
void copyField(const Field& field, const Options& from, Options& to);

// The value as the command line would spell it ("96", "0.55").
std::string fieldText(const Field& field, const Options& o);

// Says why a call would fail when we can tell beforehand; empty when we cannot.
std::string explainFailure(const Options& o);

// Converts a locale-encoded path to the wide form the library takes; false
// when the path is not valid in the current locale.
bool widenPath(const std::string& path, std::wstring& wide);

// The files a call with these options writes (each once, in writing order).
std::vector<std::string> outputFiles(const Options& o);

struct Outcome {
    bool ok = false;
    bool called = false;             // false: refused before calling the library
    std::string error;               // why it failed, when it did
    std::vector<std::string> files;  // the files that exist afterwards
};

// Checks the options, then makes one GenerateTexture call.
Outcome generate(const Options& o);

}  // namespace proctex::cli
