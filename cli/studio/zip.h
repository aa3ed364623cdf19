// A zip archive in memory, entries stored as they are: the maps are PNGs,
// already compressed, so deflating them again would gain nothing.
#pragma once

#include <string>
#include <vector>

namespace proctex::cli::studio {

struct ZipEntry {
    std::string name;  // a plain file name, no folders
    std::string bytes;
};

// The archive's bytes. Throws std::length_error when an entry or the whole
// archive would pass the 4 GiB the plain zip format can describe.
std::string zipArchive(const std::vector<ZipEntry>& entries);

}  // namespace proctex::cli::studio
