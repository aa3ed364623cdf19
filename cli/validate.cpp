#include "validate.h"

#include <proctex.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

#include "image.h"
#include "options.h"
#include "platform.h"

namespace proctex::cli {

namespace {

// Dielectrics reflect about 3 to 85 % of the light (30..240 in sRGB), bare
// metals 50 % and more (180 and up); two steps of slack for 8-bit rounding.
constexpr int kDielectricLow = 30 - 2;
constexpr int kDielectricHigh = 240 + 2;
constexpr double kMetalLuminanceLow = 180.0 - 2.0;
// Metallic between 0.1 and 0.9 is neither metal nor not: a little of it
// along the edges of rust or paint is fine, large areas are not.
constexpr int kMetallicLow = 26;    // 0.1
constexpr int kMetallicHigh = 229;  // 0.9
constexpr double kMetallicBetweenShare = 0.05;
constexpr double kAlbedoOutsideShare = 0.01;
constexpr double kMetalOutsideShare = 0.05;
constexpr double kBadNormalShare = 0.001;
constexpr double kOcclusionMeanLow = 0.5;
constexpr double kOcclusionDarkShare = 0.1;  // below 0.25

std::string percent(double share) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100.0);
    return text;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

struct LoadedMap {
    std::string file;
    Image image;
};

// A map that is not there is left out; one that is there but cannot be
// read whole (too large, a checksum wrong) fails the set.
struct Load {
    std::optional<LoadedMap> map;
    bool missing = true;
    std::string error;
};

Load load(const std::string& file) {
    Load result;
    std::error_code ec;
    if (!std::filesystem::exists(pathFromUtf8(file), ec)) return result;
    result.missing = false;
    LoadedMap map{file, {}};
    if (!std::filesystem::is_regular_file(pathFromUtf8(file), ec)) {
        result.error = "not a file";
    } else if (loadCheckedPng(pathFromUtf8(file), kMaxCheckedPixels, map.image, result.error)) {
        result.map = std::move(map);
    }
    return result;
}

std::size_t pixelCount(const Image& image) {
    return static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
}

std::string sizeText(int width, int height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

MapVerdict unreadable(const std::string& name, const std::string& file, const std::string& why) {
    return {name, file, false, why.empty() ? "missing or not a readable PNG" : why};
}

MapVerdict checkMetallic(const LoadedMap& map) {
    const std::size_t n = pixelCount(map.image);
    std::size_t between = 0, metal = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int m = map.image.pixels[i * 3];
        if (m >= kMetallicLow && m <= kMetallicHigh) ++between;
        if (m > kMetallicHigh) ++metal;
    }
    const double share = static_cast<double>(between) / static_cast<double>(n);
    MapVerdict v{"metallic", map.file, share <= kMetallicBetweenShare, {}};
    v.detail = percent(static_cast<double>(metal) / static_cast<double>(n)) + " metal, " +
               percent(share) + " between 0.1 and 0.9";
    if (!v.ok) v.detail += " (at most " + percent(kMetallicBetweenShare) + " may be)";
    return v;
}

MapVerdict checkDiffuse(const LoadedMap& map, const std::vector<uint8_t>* metallic) {
    const std::size_t n = pixelCount(map.image);
    std::size_t dielectric = 0, dielectricOutside = 0, metal = 0, metalOutside = 0;
    int lowest = 255, highest = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t* p = &map.image.pixels[i * 3];
        const int m = metallic != nullptr ? (*metallic)[i] : 0;
        if (m < kMetallicLow) {
            ++dielectric;
            const int lo = std::min({p[0], p[1], p[2]});
            const int hi = std::max({p[0], p[1], p[2]});
            lowest = std::min(lowest, lo);
            highest = std::max(highest, hi);
            if (lo < kDielectricLow || hi > kDielectricHigh) ++dielectricOutside;
        } else if (m > kMetallicHigh) {
            ++metal;
            const double luminance = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
            if (luminance < kMetalLuminanceLow) ++metalOutside;
        }
    }
    MapVerdict v{"diffuse", map.file, true, {}};
    if (dielectric > 0) {
        const double share =
            static_cast<double>(dielectricOutside) / static_cast<double>(dielectric);
        v.ok = share <= kAlbedoOutsideShare;
        v.detail = "dielectric " + std::to_string(lowest) + ".." + std::to_string(highest) + " (" +
                   percent(share) + " outside 30..240)";
    }
    if (metal > 0) {
        const double share = static_cast<double>(metalOutside) / static_cast<double>(metal);
        v.ok = v.ok && share <= kMetalOutsideShare;
        v.detail +=
            std::string(v.detail.empty() ? "" : ", ") + "metal " + percent(share) + " below 180";
    }
    return v;
}

// The length and the sign of z are the same in the DirectX and the OpenGL
// convention, so either normal map will do.
MapVerdict checkNormal(const LoadedMap& map) {
    const std::size_t n = pixelCount(map.image);
    std::size_t bad = 0;
    double shortest = 2.0, longest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        double length2 = 0.0;
        for (int c = 0; c < 3; ++c) {
            const double component = map.image.pixels[i * 3 + c] / 255.0 * 2.0 - 1.0;
            length2 += component * component;
        }
        const double z = map.image.pixels[i * 3 + 2] / 255.0 * 2.0 - 1.0;
        const double length = std::sqrt(length2);
        shortest = std::min(shortest, length);
        longest = std::max(longest, length);
        if (length < 0.95 || length > 1.05 || !(z > 0.0)) ++bad;
    }
    const double share = static_cast<double>(bad) / static_cast<double>(n);
    return {"normal", map.file, share <= kBadNormalShare,
            "length " + number(shortest) + ".." + number(longest) + ", " + percent(share) +
                " not unit length or not facing out"};
}

MapVerdict checkOcclusion(const LoadedMap& map) {
    const std::size_t n = pixelCount(map.image);
    double sum = 0.0;
    std::size_t dark = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double v = map.image.pixels[i * 3] / 255.0;
        sum += v;
        if (v < 0.25) ++dark;
    }
    const double mean = sum / static_cast<double>(n);
    const double share = static_cast<double>(dark) / static_cast<double>(n);
    return {"occlusion", map.file, mean >= kOcclusionMeanLow && share <= kOcclusionDarkShare,
            "mean " + number(mean) + ", " + percent(share) + " below 0.25"};
}

MapVerdict describeRange(const std::string& name, const LoadedMap& map) {
    int lo = 255, hi = 0;
    const std::size_t n = pixelCount(map.image);
    std::size_t lit = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const uint8_t* p = &map.image.pixels[i * 3];
        lo = std::min<int>(lo, std::min({p[0], p[1], p[2]}));
        hi = std::max<int>(hi, std::max({p[0], p[1], p[2]}));
        if (p[0] > 0 || p[1] > 0 || p[2] > 0) ++lit;
    }
    std::string detail = "values " + std::to_string(lo) + ".." + std::to_string(hi);
    if (name == "emissive")
        detail += ", " + percent(static_cast<double>(lit) / static_cast<double>(n)) + " glowing";
    return {name, map.file, true, detail};
}

}  // namespace

std::vector<MapVerdict> validateSet(const std::string& base) {
    // One map in memory at a time: of the metallic map only its first
    // channel is kept, to tell the diffuse's metal pixels from the others.
    std::vector<MapVerdict> verdicts;
    const std::string diffuseFile = mapPath(base, PROCTEX_MAP_DIFFUSE);
    std::error_code ec;
    if (!std::filesystem::exists(pathFromUtf8(diffuseFile), ec)) {
        verdicts.push_back(unreadable("diffuse", diffuseFile, {}));
        return verdicts;
    }
    const std::string metallicFile = mapPath(base, PROCTEX_MAP_METALLIC);
    Load metallic = load(metallicFile);
    std::optional<MapVerdict> metallicVerdict;
    std::vector<uint8_t> metal;
    int metalWidth = 0, metalHeight = 0;
    if (metallic.map) {
        metallicVerdict = checkMetallic(*metallic.map);
        const Image& image = metallic.map->image;
        metalWidth = image.width;
        metalHeight = image.height;
        metal.resize(pixelCount(image));
        for (std::size_t i = 0; i < metal.size(); ++i) metal[i] = image.pixels[i * 3];
        metallic.map.reset();
    } else if (!metallic.missing) {
        metallicVerdict = unreadable("metallic", metallicFile, metallic.error);
    }

    Load diffuse = load(diffuseFile);
    if (!diffuse.map) {
        verdicts.push_back(unreadable("diffuse", diffuseFile, diffuse.error));
        return verdicts;
    }
    const int width = diffuse.map->image.width, height = diffuse.map->image.height;
    const std::string diffuseSize = sizeText(width, height);
    const bool metalUsable = !metal.empty() && metalWidth == width && metalHeight == height;
    verdicts.push_back(checkDiffuse(*diffuse.map, metalUsable ? &metal : nullptr));
    diffuse.map.reset();
    metal = {};

    auto sized = [&](int w, int h, MapVerdict verdict) {
        if (w != width || h != height) {
            verdict = {verdict.map, verdict.file, false,
                       sizeText(w, h) + ", the diffuse map is " + diffuseSize};
        }
        return verdict;
    };
    if (metallicVerdict) {
        if (metalWidth > 0) metallicVerdict = sized(metalWidth, metalHeight, *metallicVerdict);
        verdicts.push_back(*metallicVerdict);
    }
    auto add = [&](const char* name, const std::string& file,
                   MapVerdict (*check)(const char*, const LoadedMap&)) {
        const Load map = load(file);
        if (map.map) {
            const Image& image = map.map->image;
            verdicts.push_back(sized(image.width, image.height, check(name, *map.map)));
        } else if (!map.missing) {
            verdicts.push_back(unreadable(name, file, map.error));
        }
        return !map.missing;
    };
    const auto normal = [](const char*, const LoadedMap& m) { return checkNormal(m); };
    const auto occlusion = [](const char*, const LoadedMap& m) { return checkOcclusion(m); };
    const auto range = [](const char* name, const LoadedMap& m) { return describeRange(name, m); };
    if (!add("normal", mapPath(base, PROCTEX_MAP_NORMAL), normal)) {
        add("normal", mapPath(base, PROCTEX_MAP_NORMAL_GL), normal);
    }
    add("roughness", mapPath(base, PROCTEX_MAP_ROUGHNESS), range);
    add("occlusion", mapPath(base, PROCTEX_MAP_AO), occlusion);
    add("emissive", mapPath(base, PROCTEX_MAP_EMISSIVE), range);
    return verdicts;
}

int printVerdicts(const std::vector<MapVerdict>& verdicts, std::FILE* out) {
    bool ok = true;
    for (const MapVerdict& v : verdicts) {
        std::fprintf(out, "%-10s %-4s  %s  (%s)\n", v.map.c_str(), v.ok ? "ok" : "FAIL",
                     v.detail.c_str(), v.file.c_str());
        ok = ok && v.ok;
    }
    std::fprintf(out, "%s\n", ok ? "passes" : "fails");
    return ok ? 0 : 1;
}

}  // namespace proctex::cli
