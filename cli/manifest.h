// Batch manifests: the JSON list of materials `proctex batch` runs.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "batch_runner.h"

namespace proctex::cli {

// A manifest that cannot be run; the message names the item and the field.
class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A manifest is a JSON array of items, or an object {"defaults": {...},
// "materials": [...]} whose defaults every item starts from. An item is an
// object with "output" (required), optionally "preset", and any option by its
// long name ("scale", "pattern-param" or "pattern_param"). An item starts
// from its preset (or the defaults' preset), then takes the options of the
// defaults, then its own. Throws ManifestError, before any work. Settings the
// library refuses are left for the run, where only their item fails.
std::vector<BatchItem> parseManifest(const std::string& text);
std::vector<BatchItem> loadManifest(const std::filesystem::path& path);

// One material from a JSON object with the keys of a manifest item but
// "output": a sidecar record written with --sidecar, for instance. Throws
// ManifestError.
Options loadMaterial(const std::filesystem::path& path);

// The same from JSON text already in memory (the studio's render requests).
// Throws ManifestError.
Options parseMaterial(const std::string& text);

}  // namespace proctex::cli
