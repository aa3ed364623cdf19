// The sidecar record: every setting of a material by name, the outputs asked
// for, the library's version, and each file written with its size and
// SHA-256, so a material can be checked and made again (proctex --from).
#pragma once

#include <string>
#include <vector>

#include "options.h"

namespace proctex::cli {

// The record as JSON text; `files` are the paths written, in order.
std::string sidecarText(const Options& o, const std::vector<std::string>& files);

// Writes the record to `path` whole (see replaceFileWith); the empty string,
// or why it could not be written (the system's reason, or a setting no JSON
// number can hold).
std::string writeSidecar(const std::string& path, const Options& o,
                         const std::vector<std::string>& files);

}  // namespace proctex::cli
