// Renders for the studio: in memory through the settings API, never through
// files, and each map as the PNG bytes the library writes for it.
#pragma once

#include <proctex.h>

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "options.h"

namespace proctex::cli::studio {

// A map as the page names it, and how to read it: only the diffuse holds
// sRGB colours; the others are data.
struct StudioMap {
    std::string name;  // in URLs: /api/maps/ID/NAME.png
    int map;           // PROCTEX_MAP_*
    bool srgb;
};

// Every map a render holds, in the order the page shows them.
std::span<const StudioMap> studioMaps();
const StudioMap* findStudioMap(std::string_view name);

using MapsPtr = std::shared_ptr<const ProctexMaps>;

struct Render {
    MapsPtr maps;       // null when refused
    std::string error;  // why, naming the field
    double milliseconds = 0;
    bool dropped = false;  // stopped by keepGoing
};

// The reason the studio refuses these settings before any work; empty when
// they may go to the library. Beyond the library's rules, no option may ask
// for more work than its workMax in the table, so that no request holds a
// slot for long (a 4096 x 4096 set already takes half a gigabyte).
std::string studioRefusal(const Options& o);

// Every map (PROCTEX_MAPS_ALL) of the settings, and with `layerMasks` each
// layer's mask (PROCTEX_KEEP_LAYER_MASKS: a byte a pixel a layer more).
// `keepGoing` is asked while the maps are made; false stops the render (its
// error then says it was dropped).
Render renderMaps(const Options& o, const std::function<bool()>& keepGoing = {},
                  bool layerMasks = false);

// How a map's pixels become PNG bytes.
enum class PngEncoding {
    Library,  // the bytes of the library's files (and of the export)
    Quick,    // the same pixels, stored uncompressed: for the live page
};

// The map's PNG; nullopt when the render does not hold it.
std::optional<std::string> mapPng(const ProctexMaps& maps, const StudioMap& map,
                                  PngEncoding encoding = PngEncoding::Library);

// The longest side of a layer's mask as the page shows it, beside the layer.
constexpr int kMaskEdge = 128;

// A grey image box-averaged down by the smallest whole factor that brings
// its longer side to at most `edge` (a partial block at the right or bottom
// averages the pixels it has): thin joints stay visible, as grey.
struct GreyImage {
    std::vector<unsigned char> pixels;
    int width = 0;
    int height = 0;
};
GreyImage shrinkGrey(const unsigned char* pixels, int width, int height, int edge);

// The number of layers whose masks the maps kept (0 without KEEP_LAYER_MASKS).
int layerMaskCount(const ProctexMaps& maps);

// Layer `layer`'s mask shrunk to kMaskEdge as a quick grey PNG (white: the
// layer shows); nullopt when the maps hold no such mask.
std::optional<std::string> layerMaskPng(const ProctexMaps& maps, int layer);

// A zip of the files `proctex --height16 --ao --opengl-normal --orm --sidecar
// BASE.png` writes for these settings: the maps, the extra outputs and the
// sidecar record, under their file names.
std::string exportZip(const Options& o, const ProctexMaps& maps, const std::string& base);

}  // namespace proctex::cli::studio
