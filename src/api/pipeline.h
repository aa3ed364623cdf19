// The generation pipeline: settings in, maps in memory out, and the files.
#pragma once

#include <proctex.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "api/map_set.h"
#include "overlays/overlay_stage.h"
#include "patterns/pattern_stage.h"

namespace proctex {

// True when the sizes are positive and width * height * 3 fits in an int32, so
// every field and pixel buffer can be indexed without overflow.
bool imageSizeIsUsable(int32_t width, int32_t height);

// True when every stage is to wrap at the image edges (tileable == 1).
bool tiles(const ProctexSettings& settings);

// Runs the jobs side by side on the call's threads, each able to see the
// call's progress (and so its cancellation).
void runCallJobs(std::vector<std::function<void()>>& jobs);

// Pixels per unit of the settings' sizes: 1 in pixel units, the width over
// PROCTEX_TILE_UNITS on the tile.
float pixelsPerUnit(const ProctexSettings& settings);

// The occlusion of a relief, 1 open .. 0 hidden, as the occlusion map shows it.
FloatField occlusionField(const FloatField& relief, const ProctexSettings& settings);

PatternRequest patternRequest(const ProctexSettings& settings);
OverlayRequest overlayRequest(const ProctexSettings& settings);

// Runs every stage for settings that pass checkSettings and keeps the maps
// whose PROCTEX_MAP_BIT is set in `maps`. Once the height field exists the
// maps are made side by side on threadsForCall threads. May throw
// (allocation failures).
MapSet computeMaps(const ProctexSettings& settings, unsigned maps);

struct SaveOutcome {
    int status = PROCTEX_OK;
    std::string reason;  // names every file that could not be written, and why
    // The diffuse, normal and specular files the set holds are in place
    // (GenerateTexture's result), whatever became of the others.
    bool coreWritten = true;
};

// Writes the maps the set holds, in the order diffuse, normal, specular,
// roughness, metallic, then the extras, to the paths derived from `path`, as
// one set (replaceFileSet): a failed diffuse, normal or specular file leaves
// every old file in place; any other failed file is reported, and the rest
// of the set replaces the old one. The images are encoded side by side
// first; the files are then written one after the other on the calling thread.
// With PROCTEX_SAVE_GLTF / PROCTEX_SAVE_GLB in `flags` the glTF files follow,
// in the same set.
SaveOutcome saveMaps(const MapSet& maps, const std::string& path, unsigned flags = 0);

// computeMaps with the maps GenerateTexture writes, then saveMaps, with each
// image encoded as soon as it is made and released at once, so the encoding
// of one map overlaps the making of the others.
SaveOutcome generateAndSave(const ProctexSettings& settings, const std::string& path);

}  // namespace proctex
