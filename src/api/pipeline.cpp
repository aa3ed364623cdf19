#include "api/pipeline.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "api/call_threads.h"
#include "api/map_images.h"
#include "api/output_paths.h"
#include "api/settings.h"
#include "core/parallel_jobs.h"
#include "noise/texture_generator.h"
#include "output/file_output.h"
#include "output/png_writer.h"

namespace proctex {

namespace {

bool wants(unsigned maps, int map) {
    return (maps & PROCTEX_MAP_BIT(map)) != 0;
}

// The checker pattern replaces the base field without reading it.
bool patternReadsBaseField(int32_t patternType) {
    return patternType != PROCTEX_PATTERN_CHECKER;
}

// Base relief, pattern, overlay.
FloatField buildHeightField(const ProctexSettings& s) {
    const TextureGenerator generator(s.width, s.height, s.scale, s.octaves, s.seed,
                                     s.seamless == 1);
    // A base field that the pattern replaces unread is not computed.
    FloatField textureData;
    if (patternReadsBaseField(s.patternType)) {
        textureData = s.baseType == PROCTEX_BASE_SINGLE_OCTAVE
                          ? generator.generateSingleOctaveBase()
                          : generator.generateFractalBase(s.persistence, s.lacunarity);
    }
    applyPatternStage(textureData, s.width, s.height, patternRequest(s));
    applyOverlayStage(textureData, s.width, s.height, overlayRequest(s));
    return textureData;
}

struct PngFree {
    void operator()(uint8_t* bytes) const { freePngBytes(bytes); }
};

// One map's file-to-be: its PNG bytes, null when the encoder ran out of
// memory (then the file counts as not written, as a failed write does).
struct PendingFile {
    bool wanted = false;
    std::unique_ptr<uint8_t, PngFree> png;
    std::size_t length = 0;
};

using PendingFiles = std::array<PendingFile, kByteMapCount>;

PendingFiles pendingFiles(unsigned maps) {
    PendingFiles files;
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        files[static_cast<std::size_t>(map)].wanted = wants(maps, map);
    }
    return files;
}

void encode(const ByteImage& image, PendingFile& file) {
    int length = 0;
    file.png.reset(encodePngBytes(image.pixels.get(), image.width, image.height, image.channels,
                                  image.width * image.channels, &length));
    file.length = static_cast<std::size_t>(length);
}

// Creates the files one after the other, diffuse first, so a host sees them
// appear in that order and a failure stops the later ones as it always has.
SaveOutcome writeInOrder(const PendingFiles& files, const std::string& path) {
    SaveOutcome outcome;
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        const PendingFile& pending = files[static_cast<std::size_t>(map)];
        if (!pending.wanted) continue;
        const std::string file = deriveOutputPath(path, mapFileSuffix(map));
        const bool written =
            pending.png != nullptr && writeFileBytes(file, pending.png.get(), pending.length);
        if (written || map > PROCTEX_MAP_SPECULAR) continue;
        outcome.status = PROCTEX_ERROR_WRITE;
        outcome.reason =
            "could not write " + file + " (check that its folder exists and is writable)";
        if (map != PROCTEX_MAP_SPECULAR) break;  // diffuse and normal failures stop the call
    }
    return outcome;
}

// One job per map in `maps`, diffuse first, run on the call's threads.
template <typename Job>
void runMapJobs(unsigned maps, Job job) {
    std::vector<std::function<void()>> jobs;
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        if (wants(maps, map)) jobs.emplace_back([&job, map] { job(map); });
    }
    runJobs(jobs, threadsForCall(jobs.size()));
}

}  // namespace

bool imageSizeIsUsable(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return false;
    const int64_t bytes = static_cast<int64_t>(width) * height * 3;
    return bytes <= std::numeric_limits<int32_t>::max();
}

PatternRequest patternRequest(const ProctexSettings& s) {
    return {s.patternType, s.patternParam, s.seed, s.seamless == 1};
}

OverlayRequest overlayRequest(const ProctexSettings& s) {
    return {s.overlayType, s.overlayParam, s.overlayStrength, s.seed, s.seamless == 1};
}

ByteImage makeByteImage(int width, int height, int channels) {
    ByteImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.reset(new uint8_t[image.byteCount()]);
    return image;
}

MapSet computeMaps(const ProctexSettings& s, unsigned maps) {
    MapSet set;
    set.width = s.width;
    set.height = s.height;
    if ((maps & PROCTEX_MAPS_ALL) == 0) return set;

    FloatField heights = buildHeightField(s);
    runMapJobs(maps, [&](int map) {
        set.images[static_cast<std::size_t>(map)] = buildMapImage(map, heights, s);
    });
    if (wants(maps, PROCTEX_MAP_HEIGHT)) {
        set.heightField = std::move(heights);
        set.hasHeightField = true;
    }
    return set;
}

SaveOutcome saveMaps(const MapSet& maps, const std::string& path) {
    unsigned present = 0;
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        if (maps.images[static_cast<std::size_t>(map)].present()) present |= PROCTEX_MAP_BIT(map);
    }
    PendingFiles files = pendingFiles(present);
    runMapJobs(present, [&](int map) {
        const std::size_t index = static_cast<std::size_t>(map);
        encode(maps.images[index], files[index]);
    });
    return writeInOrder(files, path);
}

SaveOutcome generateAndSave(const ProctexSettings& s, const std::string& path) {
    const unsigned maps = mapsAsSettings(s);
    PendingFiles files = pendingFiles(maps);
    {
        const FloatField heights = buildHeightField(s);
        // Each image is encoded as soon as it is made and freed right after.
        runMapJobs(maps, [&](int map) {
            encode(buildMapImage(map, heights, s), files[static_cast<std::size_t>(map)]);
        });
    }
    return writeInOrder(files, path);
}

}  // namespace proctex
