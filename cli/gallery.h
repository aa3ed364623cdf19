// Contact sheets: every preset, and every pattern and overlay on one base.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch_runner.h"
#include "image.h"
#include "progress.h"

namespace proctex::cli {

struct GallerySettings {
    std::filesystem::path dir;
    int tile = 128;  // thumbnail edge in pixels on the sheets
    int jobs = 0;    // 0: one per core
    ProgressStyle progress = ProgressStyle::Lines;
    int columns = 80;  // terminal width for the progress bar
};

// The materials of the pattern-and-overlay sheet: one base, then each of the
// eleven patterns and four overlays alone, written into `dir`.
std::vector<BatchItem> typeSamples(const std::filesystem::path& dir);

// One thumbnail of a sheet: the diffuse image above the normal map, the label
// under both.
struct SheetTile {
    std::string label;
    std::filesystem::path diffuse;
    std::filesystem::path normal;
};

// Lays the tiles out in rows under a title. False with a reason when an image
// cannot be read.
bool composeSheet(const std::string& title, const std::vector<SheetTile>& tiles, int tile,
                  Image& sheet, std::string& error);

// Renders the presets into dir/presets/ and the type samples into dir/types/,
// then writes dir/presets.png and dir/types.png. Returns the exit status.
int runGallery(const GallerySettings& settings, std::FILE* out, std::FILE* err);

}  // namespace proctex::cli
