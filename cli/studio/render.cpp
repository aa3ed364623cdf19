#include "render.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "quick_png.h"
#include "sha256.h"
#include "sidecar.h"
#include "zip.h"

namespace proctex::cli::studio {

namespace {

// Every map with a file of its own, in the library's order.
std::vector<StudioMap> readMaps() {
    std::vector<StudioMap> maps;
    for (int map = 0; map < proctex_map_count(); ++map) {
        const ProctexMapInfo info = mapInfo(map);
        if (info.suffix == nullptr || info.suffix[0] == '\0') continue;
        // The engines' RGBA packings (Unity, HDRP) are made from maps the page
        // already shows, and a browser premultiplies their alpha when drawn.
        if (info.channels == 4) continue;
        maps.push_back({info.name, map, info.srgb != 0});
    }
    return maps;
}

}  // namespace

std::span<const StudioMap> studioMaps() {
    static const std::vector<StudioMap> maps = readMaps();
    return maps;
}

const StudioMap* findStudioMap(std::string_view name) {
    for (const StudioMap& m : studioMaps()) {
        if (name == m.name) return &m;
    }
    return nullptr;
}

std::string studioRefusal(const Options& o) {
    for (const Field& f : fields()) {
        if (fieldNumber(f, o) > f.info.workMax) {
            char most[32];
            std::snprintf(most, sizeof most, "%g", f.info.workMax);
            return "field \"" + std::string(f.name) + "\": at most " + most + " in the studio";
        }
    }
    if (const auto refusal = settingsRefusal(o)) {
        return refusal->field != nullptr
                   ? "field \"" + std::string(refusal->field->name) + "\": " + refusal->reason
                   : refusal->reason;
    }
    return {};
}

namespace {

int PROCTEX_CALL askKeepGoing(float, const char*, void* user) {
    return (*static_cast<const std::function<bool()>*>(user))() ? 1 : 0;
}

}  // namespace

Render renderMaps(const Options& o, const std::function<bool()>& keepGoing, bool layerMasks) {
    Render render;
    render.error = studioRefusal(o);
    if (!render.error.empty()) return render;
    const auto start = std::chrono::steady_clock::now();
    ProctexMaps* maps = nullptr;
    char reason[PROCTEX_REASON_SIZE] = "";
    const int status = proctex_generate_progress(
        &o, PROCTEX_MAPS_ALL | (layerMasks ? PROCTEX_KEEP_LAYER_MASKS : 0u), &maps,
        keepGoing ? askKeepGoing : nullptr, const_cast<std::function<bool()>*>(&keepGoing), reason,
        sizeof reason);
    if (status != PROCTEX_OK) {
        render.dropped = status == PROCTEX_CANCELLED;
        render.error = render.dropped ? "the render was dropped" : reason;
        return render;
    }
    render.maps =
        MapsPtr(maps, [](const ProctexMaps* m) { proctex_maps_free(const_cast<ProctexMaps*>(m)); });
    render.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return render;
}

std::optional<std::string> mapPng(const ProctexMaps& maps, const StudioMap& map,
                                  PngEncoding encoding) {
    int width = 0;
    int height = 0;
    std::string png;
    unsigned char* bytes = nullptr;
    std::size_t length = 0;
    if (map.map == PROCTEX_MAP_HEIGHT16) {
        const unsigned short* samples = proctex_maps_height16(&maps, &width, &height);
        if (samples == nullptr) return std::nullopt;
        if (encoding == PngEncoding::Quick) {
            png = encodeQuickGrey16Png(samples, width, height);
        } else if (proctex_encode_png16(samples, width, height, &bytes, &length) != PROCTEX_OK) {
            return std::nullopt;
        }
    } else {
        int channels = 0;
        const unsigned char* pixels =
            proctex_maps_pixels(&maps, map.map, &width, &height, &channels);
        if (pixels == nullptr) return std::nullopt;
        if (encoding == PngEncoding::Quick) {
            png = encodeQuickPng(pixels, width, height, channels);
        } else if (proctex_encode_png(pixels, width, height, channels, 0, &bytes, &length) !=
                   PROCTEX_OK) {
            return std::nullopt;
        }
    }
    if (bytes != nullptr) {
        png.assign(reinterpret_cast<const char*>(bytes), length);
        proctex_free(bytes);
    }
    if (png.empty()) return std::nullopt;
    return png;
}

GreyImage shrinkGrey(const unsigned char* pixels, int width, int height, int edge) {
    const int longer = std::max(width, height);
    const int factor = std::max(1, (longer + edge - 1) / edge);
    GreyImage out;
    out.width = (width + factor - 1) / factor;
    out.height = (height + factor - 1) / factor;
    out.pixels.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    for (int by = 0; by < out.height; ++by) {
        for (int bx = 0; bx < out.width; ++bx) {
            const int x1 = std::min(width, (bx + 1) * factor);
            const int y1 = std::min(height, (by + 1) * factor);
            std::uint32_t sum = 0;
            for (int y = by * factor; y < y1; ++y) {
                const unsigned char* row = pixels + static_cast<std::size_t>(y) * width;
                for (int x = bx * factor; x < x1; ++x) sum += row[x];
            }
            const auto count = static_cast<std::uint32_t>((x1 - bx * factor) * (y1 - by * factor));
            out.pixels[static_cast<std::size_t>(by) * out.width + bx] =
                static_cast<unsigned char>((sum + count / 2) / count);
        }
    }
    return out;
}

int layerMaskCount(const ProctexMaps& maps) {
    int count = 0;
    while (count < PROCTEX_MAX_LAYERS &&
           proctex_maps_layer_mask(&maps, count, nullptr, nullptr) != nullptr) {
        ++count;
    }
    return count;
}

std::optional<std::string> layerMaskPng(const ProctexMaps& maps, int layer) {
    int width = 0;
    int height = 0;
    const unsigned char* mask = proctex_maps_layer_mask(&maps, layer, &width, &height);
    if (mask == nullptr) return std::nullopt;
    const GreyImage small = shrinkGrey(mask, width, height, kMaskEdge);
    std::string png = encodeQuickPng(small.pixels.data(), small.width, small.height, 1);
    if (png.empty()) return std::nullopt;
    return png;
}

std::string exportZip(const Options& o, const ProctexMaps& maps, const std::string& base) {
    Options recorded = o;
    for (const ExtraOutput& e : extraOutputs()) {
        setExtraOutput(e, e.map >= 0 || std::string_view(e.name) == "sidecar", recorded);
    }
    std::vector<ZipEntry> entries;
    auto files = nlohmann::ordered_json::array();
    for (const StudioMap& m : studioMaps()) {
        // The files of `proctex` itself: roughness and metallic as their flags say.
        if (m.map == PROCTEX_MAP_ROUGHNESS && o.writeRoughness != 1) continue;
        if (m.map == PROCTEX_MAP_METALLIC && o.writeMetallic != 1) continue;
        std::optional<std::string> png = mapPng(maps, m);
        if (!png) continue;
        ZipEntry entry{mapPath(base + ".png", m.map), std::move(*png)};
        files.push_back({{"name", entry.name},
                         {"bytes", entry.bytes.size()},
                         {"sha256", sha256Hex(reinterpret_cast<const uint8_t*>(entry.bytes.data()),
                                              entry.bytes.size())}});
        entries.push_back(std::move(entry));
    }
    // The sidecar as `proctex --sidecar` writes it, its file list from memory.
    auto record = nlohmann::ordered_json::parse(sidecarText(recorded, {}));
    record["files"] = files;
    entries.push_back({base + ".json", record.dump(2) + "\n"});
    return zipArchive(entries);
}

}  // namespace proctex::cli::studio
