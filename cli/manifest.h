// Batch manifests: the JSON list of materials `proctex batch` runs.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch_runner.h"

namespace proctex::cli {

// A manifest that cannot be run: every fault found, each naming its item and
// field; what() gives them one a line.
class ManifestError : public std::runtime_error {
public:
    explicit ManifestError(const std::string& fault);
    explicit ManifestError(std::vector<std::string> faults);
    const std::vector<std::string>& faults() const { return faults_; }

private:
    std::vector<std::string> faults_;
};

// One material read from a JSON object: the options, or the faults found.
struct MaterialRequest {
    Options options;
    std::vector<std::string> errors;  // each 'field "width": must be ...'; empty when usable
};

// One material from one JSON object with the keys of a manifest item but
// "output" (refused): optionally "preset", then any option by its long name.
// A pattern or overlay chosen without its parameters takes their starting
// values (see applyStartingValues). The settings are checked as the library
// would check them, so a request without errors can be generated.
MaterialRequest parseMaterial(const nlohmann::json& object);

// A manifest is a JSON array of items, or an object {"defaults": {...},
// "materials": [...]} whose defaults every item starts from. An item is an
// object with "output" (required), optionally "preset", and any option by its
// long name ("scale", "pattern-param" or "pattern_param"); a text option
// ("colors", "layers") takes its text or an array of its entries, one a
// string ("layers": ["mask=joints ...", "mask=noise ..."]). An item starts
// from its preset (or the defaults' preset), then takes the options of the
// defaults, then its own, then the starting values of a pattern or overlay
// chosen without its parameters. Before any work, throws a ManifestError
// with every fault: malformed fields, settings the library would refuse,
// outputs the tool refuses (see outputPathProblem; "single-file": true
// accepts a path without ".png") and files two items share
// (see overwriteFaults).
std::vector<BatchItem> parseManifest(const std::string& text);
std::vector<BatchItem> loadManifest(const std::filesystem::path& path);

// Whether this system's file names ignore case (out/A.png is out/a.png).
#if defined(_WIN32) || defined(__APPLE__)
constexpr bool kNamesIgnoreCase = true;
#else
constexpr bool kNamesIgnoreCase = false;
#endif

// What two paths naming one file have in common, however they are spelled
// (./out/a.png, $PWD/out/a.png, a folder reached through a symlink) and, with
// `ignoreCase`, whatever the case of their ASCII letters.
std::string sameFileKey(const std::string& file, bool ignoreCase);

// A file no item may write, such as the manifest, and what to call it.
struct KeptFile {
    std::string path;
    std::string what;  // "the manifest"
};

// A fault for each item that would write a file another item writes, or one
// of `kept`; it names the first such file. Empty when none would.
std::vector<std::string> overwriteFaults(const std::vector<BatchItem>& items,
                                         const std::vector<KeptFile>& kept, bool ignoreCase);

// The largest files read: a record is a few KiB, a manifest of thousands of
// items a few MiB.
constexpr std::size_t kMaxRecordBytes = std::size_t{1} << 20;
constexpr std::size_t kMaxManifestBytes = std::size_t{64} << 20;

// parseMaterial on a JSON file: a sidecar record written with --sidecar, or
// any manifest item (its output is ignored: the command line names one).
// Throws ManifestError with every fault. JSON read here, and by
// parseManifest, may not give a key twice in one object or nest deeper than
// 64 levels.
Options loadMaterial(const std::filesystem::path& path);

// What a sidecar record says beyond the settings: the version that wrote it
// and each file's name and SHA-256 (hex), in its order. Empty parts when the
// record lacks them. Throws ManifestError as loadMaterial does.
struct RecordFacts {
    std::string version;
    std::vector<std::pair<std::string, std::string>> files;
};
RecordFacts loadRecordFacts(const std::filesystem::path& path);
RecordFacts parseRecordFacts(const std::string& text);

// The same from JSON text already in memory (the studio's render requests).
// Throws ManifestError.
Options parseMaterial(const std::string& text, bool outputIgnored = false);

// One material file as `proctex render` reads it: the keys of a manifest
// item, "output" included; a non-empty `output` replaces the file's. Throws
// ManifestError with every fault, one for a material without an output.
BatchItem loadMaterialItem(const std::filesystem::path& path, const std::string& output);
BatchItem parseMaterialItem(const std::string& text, const std::string& output);

}  // namespace proctex::cli
