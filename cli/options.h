// The settings of one material, by the names the tool and its manifests use.
#pragma once

#include <proctex.h>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace proctex::cli {

// The library's defaults (proctex_settings_init): a 512 x 512 grey stone.
ProctexSettings defaultSettings();

// The library's settings plus the path the files are named after. Deriving
// keeps the members where callers read them (o.width, o.seed) and lets an
// Options go to the library wherever a ProctexSettings* is taken.
struct Options : ProctexSettings {
    Options() : ProctexSettings(defaultSettings()) {}

    std::string output;
    unsigned extraMaps = 0;          // PROCTEX_MAP_BIT of the extra maps asked for
    unsigned saveFlags = 0;          // PROCTEX_SAVE_GLTF, PROCTEX_SAVE_GLB
    bool sidecar = false;            // a <base>.json record of the settings and files
    std::string naming = "proctex";  // see namingConventions()
    bool singleFile = false;         // every map to the one output path, as asked
};

// A file-naming convention of a tool or library: the suffix it expects for
// each map (null: no copy), written as extra copies beside our own files.
// A naming convention of the library's: the suffix of each map (by map
// number, without ".png"), null where it keeps ours.
struct NamingConvention {
    std::string name;
    std::string help;
    std::vector<const char*> suffix;
};

std::span<const NamingConvention> namingConventions();
const NamingConvention* findNamingConvention(std::string_view name);

// The files a call writes under its naming convention: (our file, its name).
// Ours is renamed, unless a .gltf names it (then it is copied).
std::vector<std::pair<std::string, std::string>> conventionCopies(const Options& o);
bool conventionKeepsOurs(const Options& o, const std::string& ours);

// An extra output asked for by name: `--height16`, or "height16": true in a
// manifest: a map (its number), a glTF file (its save flag) or the sidecar.
struct ExtraOutput {
    std::string name;
    std::string help;
    int map;            // -1: not a map
    unsigned saveFlag;  // 0: not a glTF file
};

std::span<const ExtraOutput> extraOutputs();
const ExtraOutput* findExtraOutput(std::string_view name);  // '_' may stand for '-'
bool extraOutputIsSet(const ExtraOutput& extra, const Options& o);
void setExtraOutput(const ExtraOutput& extra, bool on, Options& o);

// --compression small: PNGs compressed harder, the same pixels.
void setSmallFiles(bool small, Options& o);
bool smallFiles(const Options& o);

// The maps a call with these options computes and saves.
unsigned mapsToMake(const Options& o);

// Whether the library makes a glow map for these settings.
bool glows(const ProctexSettings& s);

// The sidecar record's path: the output's base (up to its last ".png")
// with ".json".
std::string sidecarPath(const std::string& output);

// One setting as the library's option table describes it: its long name
// (without "--", also its key in a batch manifest), kind, ranges, help and
// named choices. The tool keeps no list of its own.
struct Field {
    const char* name;
    const char* help;
    ProctexOptionInfo info;
};

// Every setting, in the order of GenerateTexture's arguments.
std::span<const Field> fields();

// The field of a name; '_' may stand for '-' (as in Python). Null if unknown.
const Field* findField(std::string_view name);

// Copies one field's value from `from` to `to`.
void copyField(const Field& field, const ProctexSettings& from, ProctexSettings& to);

// The value as the command line would spell it ("96", "0.55"; a choice's code;
// the text of a text option, "" without entries).
std::string fieldText(const Field& field, const ProctexSettings& settings);

// The value as a number (a flag 0 or 1, a choice its code, a text option its
// number of entries).
double fieldNumber(const Field& field, const ProctexSettings& settings);

// The value of a choice by its name ("cells"), "7" for others.
std::string fieldDisplayText(const Field& field, const ProctexSettings& settings);

// The flags: on or off, written 1/0 or true/false.
bool isFlag(const Field& field);
bool isChoice(const Field& field);
bool isNumber(const Field& field);  // a float member
bool isText(const Field& field);    // read and written as text by the library (see TextOption)

// An option the library reads and writes as text, a list of entries: the
// colour ramp's stops, the layers.
struct TextOption {
    int kind;              // PROCTEX_KIND_...
    const char* kindName;  // "colors", "layers"
    decltype(&proctex_colors_parse) parse;
    decltype(&proctex_colors_text) print;
    const char* typeName;   // in the help: --colors #RRGGBB@POS,...
    const char* separator;  // between the entries
    const char* fewest;     // "one to" 8 stops, "up to" 8 layers
    const char* entries;    // what the entries are, for messages
    const char* example;
};

// The text form of a field; null for options held as one number.
const TextOption* textOptionOf(const Field& field);

// How the help names a field's value: "NUMBER", "NAME", "#RRGGBB@POS,...".
const char* valueTypeName(const Field& field);

// Reads a value written as text (a number, a choice's name or code, true or
// false for a flag) into `settings`. Empty when it fits, else why not, in
// words that name the accepted values or range.
std::string setFieldFromText(const Field& field, std::string_view text, ProctexSettings& settings);

// Sets a number (from a manifest's JSON) after the same checks.
std::string setFieldFromNumber(const Field& field, double value, ProctexSettings& settings);

// The accepted values, for messages: "0 to 32", "rings, grooves, ...".
std::string acceptedValues(const Field& field);

// Fills in the starting values of a pattern or overlay chosen without its
// parameters: for every choice option `given` says was set, the options its
// choice starts with, unless `given` says they were set too.
void applyStartingValues(const std::function<bool(std::string_view name)>& given,
                         ProctexSettings& settings);

// The options the value of a choice field starts (none for other fields).
std::vector<std::string> startOptions(const Field& field, const ProctexSettings& settings);

// The starting values as help lines and as one JSON object.
std::string startingValuesHelp();
std::string startingValuesJson();

// What the library refuses in these settings: the field it names (or null)
// and its reason; nullopt when it takes them.
struct Refusal {
    const Field* field = nullptr;
    std::string reason;
};
std::optional<Refusal> settingsRefusal(const ProctexSettings& settings);

// A map's row of the library's table (PROCTEX_MAP_...).
ProctexMapInfo mapInfo(int map);

// Why the output path cannot be used (empty, or in a missing folder); empty
// when it can. The library cannot know about folders before writing.
std::string outputProblem(const std::string& output);

// The tool's own judgement, stricter than the library's: an output must not
// be an existing folder, and must end in ".png" (lower case: the library
// replaces only that with each map's suffix) unless `singleFile` accepts
// every map overwriting the one path. Empty when the path is fine.
std::string outputPathProblem(const std::string& output, bool singleFile);

// Makes the output's folder and its parents; empty, or why it could not.
std::string createOutputFolder(const std::string& output);

// Whether file names follow Windows' rules here.
#if defined(_WIN32)
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

// Why no file can be made at `path`, checked before any is: a name longer
// than 255 (bytes; with `windowsRules`, UTF-16 units), and with
// `windowsRules` a ':' past the drive (it would name a hidden stream of
// another file), one of < > " | ? * or a reserved device name as any part
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension). Empty
// when the name can be made.
std::string fileNameProblem(const std::string& path, bool windowsRules);

// Every file the options write: the maps, the copies a naming convention
// asks for, the glTF files and the record.
std::vector<std::string> itemFiles(const Options& o);

// fileNameProblem for every file of itemFiles; empty when all can be made.
std::string setNameProblem(const Options& o, bool windowsRules = kWindowsNames);

// The file the library names `map` (PROCTEX_MAP_DIFFUSE ..) for `output`.
std::string mapPath(const std::string& output, int map);

// The files a call with these options writes (each once, in writing order).
std::vector<std::string> outputFiles(const Options& o);

struct Outcome {
    bool ok = false;
    bool cancelled = false;          // stopped on request (Ctrl-C): nothing was written
    bool refused = false;            // refused before any work: a usage error
    std::string error;               // why it failed, when it did
    std::vector<std::string> files;  // the files that exist afterwards
};

class RenderProgress;

// Checks the settings and the output, then computes the maps and saves them,
// following the work with `progress` when given.
Outcome generate(const Options& o, RenderProgress* progress = nullptr);

}  // namespace proctex::cli
