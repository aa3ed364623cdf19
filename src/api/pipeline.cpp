#include "api/pipeline.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "api/call_threads.h"
#include "api/layers.h"
#include "api/map_images.h"
#include "api/output_paths.h"
#include "api/settings.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/parallel_jobs.h"
#include "core/progress.h"
#include "core/resample.h"
#include "material/ambient_occlusion.h"
#include "material/map_packing.h"
#include "material/pbr_maps.h"
#include "material/quantize.h"
#include "noise/texture_generator.h"
#include "output/file_set.h"
#include "output/gltf_material.h"
#include "output/png16.h"
#include "output/png_small.h"
#include "output/png_writer.h"

namespace proctex {

namespace {

bool wants(unsigned maps, int map) {
    return (maps & PROCTEX_MAP_BIT(map)) != 0;
}

// Base relief, pattern, overlay.
FloatField buildHeightField(const ProctexSettings& s) {
    const float unit = pixelsPerUnit(s);
    const TextureGenerator generator(s.width, s.height, s.scale * unit,
                                     sampledOctaves(s.octaves, s.lacunarity, unit), s.seed,
                                     s.seamless == 1, tiles(s));
    // A base field that the pattern replaces unread is not computed.
    FloatField textureData;
    progressStage("noise", 0.0f, 0.5f);
    if (patternReadsBase(s.patternType)) {
        textureData = s.baseType == PROCTEX_BASE_SINGLE_OCTAVE
                          ? generator.generateSingleOctaveBase()
                          : generator.generateFractalBase(s.persistence, s.lacunarity);
    }
    progressStage("pattern", 0.5f, 0.65f);
    applyPatternStage(textureData, s.width, s.height, patternRequest(s));
    progressStage("overlay", 0.65f, 0.75f);
    applyOverlayStage(textureData, s.width, s.height, overlayRequest(s));
    if (usesPbr(s)) makeRelief(textureData, s.invert == 1);
    progressStage("maps", 0.75f, 1.0f);
    return textureData;
}

// One map's file-to-be: its PNG bytes, once encoded.
struct PendingFile {
    bool wanted = false;
    EncodedBytes png;
};

using PendingFiles = std::array<PendingFile, kImageSlotCount>;

// The maps that have files, in the order they are written.
constexpr int kFileOrder[] = {PROCTEX_MAP_DIFFUSE,
                              PROCTEX_MAP_NORMAL,
                              PROCTEX_MAP_SPECULAR,
                              PROCTEX_MAP_ROUGHNESS,
                              PROCTEX_MAP_METALLIC,
                              PROCTEX_MAP_HEIGHT16,
                              PROCTEX_MAP_AO,
                              PROCTEX_MAP_NORMAL_GL,
                              PROCTEX_MAP_ORM,
                              PROCTEX_MAP_EMISSIVE,
                              PROCTEX_MAP_METALLIC_SMOOTHNESS,
                              PROCTEX_MAP_MASK,
                              PROCTEX_MAP_CURVATURE,
                              PROCTEX_MAP_ID};

PendingFiles pendingFiles(unsigned maps) {
    PendingFiles files;
    for (int map : kFileOrder) files[static_cast<std::size_t>(map)].wanted = wants(maps, map);
    return files;
}

// An encoder that runs out of memory fails the whole call, as an allocation
// anywhere else in it does, rather than passing for a failed optional write.
void encode(const ByteImage& image, PendingFile& file, bool small = false) {
    const int stride = image.width * image.channels;
    file.png =
        small
            ? encodePngSmall(image.pixels.get(), image.width, image.height, image.channels, stride)
            : encodePngBytes(image.pixels.get(), image.width, image.height, image.channels, stride);
    if (file.png.empty()) throw std::bad_alloc();
}

void encode16(const std::vector<uint16_t>& values, int width, int height, PendingFile& file) {
    file.png = encodeGrey16Png(values.data(), width, height);
    if (file.png.empty()) throw std::bad_alloc();
}

// The files of the maps a set holds, in the order they are written. Diffuse,
// normal and specular are the set's core: one of them failing leaves the
// folder as it was.
void addMapFiles(const PendingFiles& files, const std::string& path, std::vector<SetFile>& set) {
    for (int map : kFileOrder) {
        const PendingFile& pending = files[static_cast<std::size_t>(map)];
        if (!pending.wanted || pending.png.empty()) continue;
        set.push_back({deriveOutputPath(path, mapFileSuffix(map)),
                       pending.png.data(),
                       pending.png.size(),
                       map <= PROCTEX_MAP_SPECULAR,
                       {},
                       {}});
    }
}

SaveOutcome outcomeOf(const SetOutcome& set) {
    SaveOutcome outcome;
    outcome.coreWritten = set.requiredWritten;
    if (!set.failures.empty()) {
        outcome.status = PROCTEX_ERROR_WRITE;
        outcome.reason = describeFailures(set.failures);
        if (!set.requiredWritten) outcome.reason += " (no file of the set was replaced)";
    }
    // On success the reason carries what the folder's tidy-up left alone.
    for (const std::string& note : set.notes) {
        outcome.reason += (outcome.reason.empty() ? "" : "; ") + note;
    }
    return outcome;
}

// Runs the given jobs on the call's threads, the first one on the caller's;
// each job works for the caller's call, progress included, and reports its
// end.
// With `shared`, the jobs count towards `total` jobs of several runs.
void runAll(std::vector<std::function<void()>>& jobs, std::atomic<int>* shared = nullptr,
            long long total = 0) {
    if (CallProgress* progress = currentProgress()) {
        std::atomic<int> own{0};
        std::atomic<int>& finished = shared != nullptr ? *shared : own;
        if (shared == nullptr) total = static_cast<long long>(jobs.size());
        for (auto& job : jobs) {
            job = [progress, &finished, total, work = std::move(job)] {
                const ProgressScope scope(progress);
                work();
                progressCheckpoint(++finished, total);
            };
        }
        runJobs(jobs, threadsForCall(jobs.size()));
        return;
    }
    runJobs(jobs, threadsForCall(jobs.size()));
}

// One job per map in `maps` among the five of GenerateTexture, diffuse first.
template <typename Job>
void addMapJobs(std::vector<std::function<void()>>& jobs, unsigned maps, Job& job) {
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        if (wants(maps, map)) jobs.emplace_back([&job, map] { job(map); });
    }
}

template <typename Job>
void runMapJobs(unsigned maps, Job job) {
    std::vector<std::function<void()>> jobs;
    addMapJobs(jobs, maps, job);
    runAll(jobs);
}

// Fine grain is smoothed away before the PBR occlusion looks for walls.
constexpr int kOcclusionSmoothingPixels = 1;
// Horizons lower than about 9 degrees leave a pixel open.
constexpr float kOpenSkySine = 0.15f;
// Occlusion on the tile is found at no more than this many pixels per unit:
// it is a landform's shade, and finer sampling only lengthens the walks.
constexpr float kOcclusionPixelsPerUnit = 2.0f;

FloatField occlusionAtPixels(const FloatField& heights, const ProctexSettings& s) {
    const bool wrap = s.seamless == 1 || tiles(s);
    if (!usesPbr(s)) {
        return buildAmbientOcclusion(heights, s.width, s.height, s.aoRadius, s.aoStrength, wrap);
    }
    return buildAmbientOcclusion(
        smoothRelief(heights, s.width, s.height, kOcclusionSmoothingPixels, wrap), s.width,
        s.height, s.aoRadius, s.aoStrength, wrap, pbrLook(s).reliefPixels, kOpenSkySine);
}

// On the tile: the relief box-filtered to about kOcclusionPixelsPerUnit, the
// walks and the smoothing sized in units, and the result interpolated back.
FloatField occlusionOnTile(const FloatField& heights, const ProctexSettings& s) {
    const bool wrap = s.seamless == 1 || tiles(s);
    const float unit = pixelsPerUnit(s);
    const int factor =
        commonFactor(s.width, s.height, truncToInt32(ffloor(unit / kOcclusionPixelsPerUnit)));
    const int w = s.width / factor;
    const int h = s.height / factor;
    const float workUnit = unit / static_cast<float>(factor);
    const FloatField coarse =
        factor > 1 ? boxDown(heights, s.width, s.height, factor) : FloatField();
    const FloatField& relief = factor > 1 ? coarse : heights;
    FloatField occlusion;
    if (usesPbr(s)) {
        const int smoothing = std::max(kOcclusionSmoothingPixels, truncToInt32(fround(workUnit)));
        occlusion = buildAmbientOcclusion(
            smoothRelief(relief, w, h, smoothing, wrap), w, h, s.aoRadius * workUnit, s.aoStrength,
            wrap, pbrLook(s).reliefPixels / static_cast<float>(factor), kOpenSkySine);
    } else {
        occlusion = buildAmbientOcclusion(relief, w, h, s.aoRadius * workUnit, s.aoStrength, wrap,
                                          kOcclusionReliefPixels * workUnit);
    }
    if (factor == 1) return occlusion;
    return bilinearUp(occlusion, w, h, factor, wrap);
}

ByteImage occlusionImage(const FloatField& heights, const ProctexSettings& s) {
    const std::vector<uint8_t> bytes = occlusionBytes(occlusionField(heights, s));
    ByteImage image = makeByteImage(s.width, s.height, 1);
    std::copy(bytes.begin(), bytes.end(), image.pixels.get());
    return image;
}

// The extras made from finished maps: the OpenGL normal map and the packed
// occlusion, roughness and metallic.
void addPackedMaps(MapSet& set, const ProctexSettings& s, unsigned maps) {
    const std::size_t pixels = fieldSize(s.width, s.height);
    auto& images = set.images;
    if (wants(maps, PROCTEX_MAP_NORMAL_GL)) {
        ByteImage gl = makeByteImage(s.width, s.height, 3);
        flipGreen(images[PROCTEX_MAP_NORMAL].pixels.get(), pixels, gl.pixels.get());
        images[PROCTEX_MAP_NORMAL_GL] = std::move(gl);
    }
    if (wants(maps, PROCTEX_MAP_ORM)) {
        ByteImage orm = makeByteImage(s.width, s.height, 3);
        packOrm(images[PROCTEX_MAP_AO].pixels.get(), images[PROCTEX_MAP_ROUGHNESS].pixels.get(),
                images[PROCTEX_MAP_METALLIC].pixels.get(), pixels, 255, quantize(s.roughness), 0,
                orm.pixels.get());
        images[PROCTEX_MAP_ORM] = std::move(orm);
    }
    if (wants(maps, PROCTEX_MAP_METALLIC_SMOOTHNESS)) {
        ByteImage packed = makeByteImage(s.width, s.height, 4);
        packMetallicSmoothness(images[PROCTEX_MAP_METALLIC].pixels.get(),
                               images[PROCTEX_MAP_ROUGHNESS].pixels.get(), pixels,
                               packed.pixels.get());
        images[PROCTEX_MAP_METALLIC_SMOOTHNESS] = std::move(packed);
    }
    if (wants(maps, PROCTEX_MAP_MASK)) {
        ByteImage packed = makeByteImage(s.width, s.height, 4);
        packMaskMap(images[PROCTEX_MAP_METALLIC].pixels.get(), images[PROCTEX_MAP_AO].pixels.get(),
                    images[PROCTEX_MAP_ROUGHNESS].pixels.get(), pixels, packed.pixels.get());
        images[PROCTEX_MAP_MASK] = std::move(packed);
    }
}

// The maps the packed ones are made from, made too when not asked for (and
// dropped again afterwards).
unsigned withSources(unsigned maps) {
    unsigned made = maps;
    if (wants(maps, PROCTEX_MAP_NORMAL_GL)) made |= PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL);
    if (wants(maps, PROCTEX_MAP_METALLIC_SMOOTHNESS) || wants(maps, PROCTEX_MAP_MASK)) {
        made |= PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC) | PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS);
    }
    if (wants(maps, PROCTEX_MAP_MASK)) made |= PROCTEX_MAP_BIT(PROCTEX_MAP_AO);
    return made;
}

bool glows(const ProctexSettings& s) {
    if (!usesPbr(s)) return false;
    const int layers = std::clamp(s.layerCount, 0, PROCTEX_MAX_LAYERS);
    return s.emission > 0.0f || std::any_of(s.layers, s.layers + layers, [](const ProctexLayer& l) {
               return l.emission > 0.0f;
           });
}

// The glow of the base (black where it has none), with the layers' painted over it.
ByteImage glowImage(const FloatField& relief, const ProctexSettings& s, const LayerCovers& covers) {
    ByteImage image;
    if (s.emission > 0.0f) {
        image = emissiveImage(relief, s);
    } else {
        image = makeByteImage(s.width, s.height, 3);
        std::fill(image.pixels.get(), image.pixels.get() + image.byteCount(), uint8_t{0});
    }
    paintEmission(image.pixels.get(), 0, fieldSize(s.width, s.height), covers);
    return image;
}

// A map's image with the layers painted over it: the colours, roughness and
// metal of the base relief take the layers' where they show.
void paintLayers(int map, ByteImage& image, const LayerCovers& covers) {
    if (covers.empty()) return;
    const std::size_t count = fieldSize(image.width, image.height);
    if (map == PROCTEX_MAP_DIFFUSE && image.channels == 3)
        paintDiffuse(image.pixels.get(), 0, count, covers);
    if (map == PROCTEX_MAP_ROUGHNESS) paintRoughness(image.pixels.get(), 0, count, covers);
    if (map == PROCTEX_MAP_METALLIC) paintMetallic(image.pixels.get(), 0, count, covers);
}

// The maps of the relief's shape: the relief itself and what is derived
// from its slopes, which the layers' heights move.
bool followsShape(int map) {
    return map == PROCTEX_MAP_NORMAL || map == PROCTEX_MAP_SPECULAR;
}

std::vector<uint8_t> copyOf(const PendingFile& file) {
    return std::vector<uint8_t>(file.png.data(), file.png.data() + file.png.size());
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The glTF files of a set: <base>.gltf (with <base>.bin) and <base>.glb,
// made from the encoded diffuse, OpenGL normal and ORM images when the first
// of them is written (the maps' files come first, so theirs are encoded).
struct GltfFiles {
    bool made = false;
    GltfText text;
    std::vector<uint8_t> glb;
};

void makeGltfFiles(const PendingFiles& files, const ProctexSettings& s, const std::string& path,
                   unsigned flags, GltfFiles& gltf) {
    if (gltf.made) return;
    const std::size_t k = path.rfind(".png");
    const std::string base = k == std::string::npos ? path : path.substr(0, k);
    GltfImages images;
    images.baseColorPng = copyOf(files[PROCTEX_MAP_DIFFUSE]);
    images.normalGlPng = copyOf(files[PROCTEX_MAP_NORMAL_GL]);
    images.ormPng = copyOf(files[PROCTEX_MAP_ORM]);
    images.baseColorFileName =
        fileNameOf(deriveOutputPath(path, mapFileSuffix(PROCTEX_MAP_DIFFUSE)));
    images.normalGlFileName =
        fileNameOf(deriveOutputPath(path, mapFileSuffix(PROCTEX_MAP_NORMAL_GL)));
    images.ormFileName = fileNameOf(deriveOutputPath(path, mapFileSuffix(PROCTEX_MAP_ORM)));
    if (!files[PROCTEX_MAP_EMISSIVE].png.empty()) {
        images.emissivePng = copyOf(files[PROCTEX_MAP_EMISSIVE]);
        images.emissiveFileName =
            fileNameOf(deriveOutputPath(path, mapFileSuffix(PROCTEX_MAP_EMISSIVE)));
    }
    GltfOptions options;
    options.materialName = fileNameOf(base);
    options.tileable = s.seamless == 1 || tiles(s);
    options.tileSizeMetres = s.tileSize;
    options.heightRangeMetres = s.heightRange;
    if (usesPbr(s)) {
        // The sizes the maps were made with, defaults included.
        const PbrLook look = pbrLook(s);
        options.tileSizeMetres = look.tileSizeMetres;
        options.heightRangeMetres = look.heightRangeMetres;
        options.emissiveStrength = s.emission;
    }
    options.generator = std::string("proctex ") + PROCTEX_VERSION_TEXT;
    options.bufferFileName = fileNameOf(base) + ".bin";
    if ((flags & PROCTEX_SAVE_GLTF) != 0) gltf.text = makeGltf(images, options);
    if ((flags & PROCTEX_SAVE_GLB) != 0) gltf.glb = makeGlb(images, options);
    gltf.made = true;
}

void addGltfFiles(const PendingFiles& files, const ProctexSettings& s, const std::string& path,
                  unsigned flags, GltfFiles& gltf, std::vector<SetFile>& set) {
    const std::size_t k = path.rfind(".png");
    const std::string base = k == std::string::npos ? path : path.substr(0, k);
    auto file = [&](const std::string& name, auto bytesOf) {
        SetFile entry{name, nullptr, 0, false, {}, {}};
        entry.fetch = [&files, &s, path, flags, &gltf, bytesOf] {
            makeGltfFiles(files, s, path, flags, gltf);
            return bytesOf();
        };
        set.push_back(std::move(entry));
    };
    if ((flags & PROCTEX_SAVE_GLTF) != 0) {
        file(base + ".bin", [&gltf] { return std::span<const uint8_t>(gltf.text.bin); });
        file(base + ".gltf", [&gltf] {
            return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(gltf.text.json.data()),
                                            gltf.text.json.size());
        });
    }
    if ((flags & PROCTEX_SAVE_GLB) != 0) {
        file(base + ".glb", [&gltf] { return std::span<const uint8_t>(gltf.glb); });
    }
}

// The maps a glTF material is made of: their PNG bytes outlive their files.
bool feedsGltf(int map, unsigned flags) {
    if ((flags & (PROCTEX_SAVE_GLTF | PROCTEX_SAVE_GLB)) == 0) return false;
    return map == PROCTEX_MAP_DIFFUSE || map == PROCTEX_MAP_NORMAL_GL || map == PROCTEX_MAP_ORM ||
           map == PROCTEX_MAP_EMISSIVE;
}

}  // namespace

bool tiles(const ProctexSettings& settings) {
    return settings.tileable == 1;
}

bool imageSizeIsUsable(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return false;
    const int64_t bytes = static_cast<int64_t>(width) * height * 3;
    return bytes <= std::numeric_limits<int32_t>::max();
}

FloatField occlusionField(const FloatField& relief, const ProctexSettings& s) {
    return s.units == PROCTEX_UNITS_TILE ? occlusionOnTile(relief, s)
                                         : occlusionAtPixels(relief, s);
}

void runCallJobs(std::vector<std::function<void()>>& jobs) {
    if (CallProgress* progress = currentProgress()) {
        for (auto& job : jobs) {
            job = [progress, work = std::move(job)] {
                const ProgressScope scope(progress);
                work();
            };
        }
    }
    runJobs(jobs, threadsForCall(jobs.size()));
}

float pixelsPerUnit(const ProctexSettings& s) {
    if (s.units != PROCTEX_UNITS_TILE) return 1.0f;
    return static_cast<float>(s.width) / static_cast<float>(PROCTEX_TILE_UNITS);
}

PatternRequest patternRequest(const ProctexSettings& s) {
    const bool onTile = s.units == PROCTEX_UNITS_TILE;
    return {s.patternType, s.patternParam,   s.seed, s.seamless == 1,
            tiles(s),      pixelsPerUnit(s), onTile};
}

OverlayRequest overlayRequest(const ProctexSettings& s) {
    const bool onTile = s.units == PROCTEX_UNITS_TILE;
    return {s.overlayType,   s.overlayParam, s.overlayStrength, s.seed,
            s.seamless == 1, tiles(s),       pixelsPerUnit(s),  onTile};
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
    set.settings = s;
    if ((maps & PROCTEX_MAPS_ALL) == 0) return set;

    // The base relief colours the maps; with layers, their heights make the
    // surface whose shape the normal, occlusion and height maps show.
    FloatField base = buildHeightField(s);
    LayerCovers covers = buildLayerCovers(base, s);
    FloatField surface;
    if (!covers.empty()) {
        surface = base;
        raiseRelief(surface, covers);
    }
    FloatField& heights = covers.empty() ? base : surface;
    const unsigned made = withSources(maps);
    auto buildImage = [&](int map) {
        ByteImage image = buildMapImage(map, followsShape(map) ? heights : base, s);
        paintLayers(map, image, covers);
        set.images[static_cast<std::size_t>(map)] = std::move(image);
    };
    std::vector<std::function<void()>> jobs;
    addMapJobs(jobs, made, buildImage);
    if (wants(made, PROCTEX_MAP_AO)) {
        jobs.emplace_back([&] { set.images[PROCTEX_MAP_AO] = occlusionImage(heights, s); });
    }
    if (wants(maps, PROCTEX_MAP_EMISSIVE) && glows(s)) {
        jobs.emplace_back([&] { set.images[PROCTEX_MAP_EMISSIVE] = glowImage(base, s, covers); });
    }
    if (wants(maps, PROCTEX_MAP_HEIGHT16)) {
        jobs.emplace_back([&] { set.height16 = heightTo16Bit(heights); });
    }
    if (wants(maps, PROCTEX_MAP_CURVATURE)) {
        jobs.emplace_back([&] { set.images[PROCTEX_MAP_CURVATURE] = curvatureImage(heights, s); });
    }
    if (wants(maps, PROCTEX_MAP_ID)) {
        jobs.emplace_back([&] { set.images[PROCTEX_MAP_ID] = idImage(s, covers); });
    }
    runAll(jobs);
    addPackedMaps(set, s, maps);
    for (int map :
         {PROCTEX_MAP_NORMAL, PROCTEX_MAP_ROUGHNESS, PROCTEX_MAP_METALLIC, PROCTEX_MAP_AO}) {
        if (!wants(maps, map)) set.images[static_cast<std::size_t>(map)] = ByteImage();
    }
    if (wants(maps, PROCTEX_MAP_HEIGHT)) {
        set.heightField = std::move(heights);
        set.hasHeightField = true;
    }
    if ((maps & PROCTEX_KEEP_LAYER_MASKS) != 0) {
        for (LayerCover& cover : covers) set.layerMasks.push_back(std::move(cover.share));
    }
    return set;
}

SaveOutcome saveMaps(const MapSet& maps, const std::string& path, unsigned flags) {
    std::vector<int> order;  // the maps with files, in the order they are written
    for (int map : kFileOrder) {
        const bool has = map == PROCTEX_MAP_HEIGHT16
                             ? !maps.height16.empty()
                             : maps.images[static_cast<std::size_t>(map)].present();
        if (has) order.push_back(map);
    }
    unsigned present = 0;
    for (int map : order) present |= PROCTEX_MAP_BIT(map);
    PendingFiles files = pendingFiles(present);
    const bool small = (flags & PROCTEX_SAVE_SMALL) != 0;

    // The files are encoded a group at a time, side by side, as the writes
    // reach them, and each one's bytes are released once written: a large
    // set holds a group's bytes, not the whole set's.
    const std::size_t group =
        std::max<std::size_t>(2, 2 * std::size_t(threadsForCall(order.size())));
    std::size_t encoded = 0;
    std::atomic<int> finished{0};
    auto encodeThrough = [&](std::size_t index) {
        while (encoded <= index) {
            const std::size_t end = std::min(order.size(), encoded + group);
            std::vector<std::function<void()>> jobs;
            for (std::size_t k = encoded; k < end; ++k) {
                const int map = order[k];
                const std::size_t slot = static_cast<std::size_t>(map);
                if (map == PROCTEX_MAP_HEIGHT16) {
                    jobs.emplace_back([&, slot] {
                        encode16(maps.height16, maps.width, maps.height, files[slot]);
                    });
                } else {
                    jobs.emplace_back([&, slot] { encode(maps.images[slot], files[slot], small); });
                }
            }
            runAll(jobs, &finished, static_cast<long long>(order.size()));
            encoded = end;
            // The last chance to stop: from here on, files are replaced.
            if (encoded == order.size()) progressStage("write", 0.9f, 1.0f);
        }
    };
    progressStage("encode", 0.0f, 0.9f);
    // Missing folders are made, as the tool makes them; one that cannot be
    // made fails the writes below with the system's reason.
    makeFoldersFor(path);
    std::vector<SetFile> set;
    for (std::size_t k = 0; k < order.size(); ++k) {
        const int map = order[k];
        const std::size_t slot = static_cast<std::size_t>(map);
        SetFile file{deriveOutputPath(path, mapFileSuffix(map)),
                     nullptr,
                     0,
                     map <= PROCTEX_MAP_SPECULAR,
                     {},
                     {}};
        file.fetch = [&, k, slot] {
            encodeThrough(k);
            return std::span<const uint8_t>(files[slot].png.data(), files[slot].png.size());
        };
        if (!feedsGltf(map, flags)) file.release = [&, slot] { files[slot].png = EncodedBytes(); };
        set.push_back(std::move(file));
    }
    GltfFiles gltf;
    if ((flags & (PROCTEX_SAVE_GLTF | PROCTEX_SAVE_GLB)) != 0) {
        addGltfFiles(files, maps.settings, path, flags, gltf, set);
    }
    if (order.empty()) progressStage("write", 0.9f, 1.0f);
    return outcomeOf(replaceFileSet(set));
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
    std::vector<SetFile> set;
    addMapFiles(files, path, set);
    return outcomeOf(replaceFileSet(set));
}

}  // namespace proctex
