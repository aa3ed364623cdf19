// The sidecar record: every setting of a material by name, the outputs asked
// for, the library's version, and each file written with its size and
// SHA-256, so a material can be checked and made again (proctex --from).
#pragma once

#include <string>
#include <utility>
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

// What to tell a user who made a material from a record (proctex --from): a
// line when the record names a version that is not this one, then, when it
// lists files, for each of `files`
// (written for `output`) whether its SHA-256 equals the record's for the
// same map ("...: the same as the record's", "...: differs from ...", "...:
// not in the record"). The sidecar itself is left out.
std::vector<std::string> recordComparison(
    const std::string& recordVersion,
    const std::vector<std::pair<std::string, std::string>>& recorded, const std::string& output,
    const std::vector<std::string>& files);

}  // namespace proctex::cli
