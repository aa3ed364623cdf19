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
    // The material of the maps sheet; every map of cobblestone reads clearly.
    std::string mapsPreset = "cobblestone";
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

// Lays the tiles out in rows under a title, `group` tiles at a time in one
// row (the columns a multiple of it). False with a reason when an image
// cannot be read.
bool composeSheet(const std::string& title, const std::vector<SheetTile>& tiles, int tile,
                  Image& sheet, std::string& error, int group = 1);

// One map of a material in memory, with the file suffix it is saved under.
struct LabelledImage {
    std::string label;
    Image image;
};

// Every map of one material, computed in memory: diffuse, normal, normal GL,
// specular, roughness, metallic, AO, ORM and the 16-bit height as an 8-bit
// preview, grey maps as RGB, each labelled with its file suffix ("_nmap_gl").
// False with the library's reason when it refuses the settings.
bool renderAllMaps(const ProctexSettings& settings, std::vector<LabelledImage>& maps,
                   std::string& error);

// The images side by side in one row under a title, each shrunk to a
// tile x tile square with its label under it.
Image composeRow(const std::string& title, const std::vector<LabelledImage>& images, int tile);

// Writes dir/maps.png: every map of settings.mapsPreset side by side. False
// with a reason for an unknown preset or a file that cannot be written.
bool writeMapsSheet(const GallerySettings& settings, std::string& error);

// Renders the presets into dir/presets/ and the type samples into dir/types/,
// then writes dir/presets.png, dir/types.png and dir/maps.png. Returns the
// exit status.
int runGallery(const GallerySettings& settings, std::FILE* out, std::FILE* err);

}  // namespace proctex::cli
