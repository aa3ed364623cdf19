#include "api/settings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "api/pipeline.h"
#include "core/number_text.h"
#include "material/ambient_occlusion.h"
#include "material/pbr_maps.h"
#include "overlays/overlay_stage.h"
#include "patterns/pattern_stage.h"
#include "settings/layer_text.h"
#include "settings/option_table.h"

namespace proctex {

namespace {

// The first published struct ends with writeMetallic; no caller can be older.
constexpr std::size_t kFirstVersionSize =
    offsetof(ProctexSettings, writeMetallic) + sizeof(ProctexSettings::writeMetallic);

bool allZero(const unsigned char* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

}  // namespace

ProctexSettings legacySettings() {
    ProctexSettings s{};
    s.size = sizeof(ProctexSettings);
    s.width = 512;
    s.height = 512;
    s.baseType = PROCTEX_BASE_FRACTAL;
    s.scale = 24.0f;
    s.octaves = 6;
    s.persistence = 0.72f;
    s.lacunarity = 2.0f;
    s.materialType = PROCTEX_MATERIAL_STONE;
    s.patternType = PROCTEX_PATTERN_NONE;
    s.patternParam = 0.0f;
    s.overlayType = PROCTEX_OVERLAY_NONE;
    s.overlayParam = 0.0f;
    s.overlayStrength = 0.0f;
    s.seed = 1234;
    s.contrast = 1.6f;
    s.brightness = 0.0f;
    s.invert = 0;
    s.seamless = 0;
    s.normalStrength = 6.0f;
    s.roughness = 0.5f;
    s.writeRoughness = 1;
    s.writeMetallic = 1;
    s.aoRadius = kDefaultOcclusionRadius;
    s.aoStrength = kDefaultOcclusionStrength;
    s.tileSize = 0.0f;
    s.heightRange = 0.0f;
    s.tileable = 0;  // older callers and GenerateTexture never tile
    s.pbr = 0;
    s.metal = 0.0f;
    s.metalType = PROCTEX_METAL_TYPE_IRON;
    s.metalMask = PROCTEX_METAL_MASK_NONE;
    s.emission = 0.0f;
    s.emissionLevel = 0.3f;
    s.colorStopCount = 0;
    s.units = PROCTEX_UNITS_PIXELS;
    return s;
}

bool sizeCoversPbr(std::size_t size) {
    return size >= offsetof(ProctexSettings, pbr) + sizeof(ProctexSettings::pbr);
}

ProctexSettings defaultSettings() {
    ProctexSettings s = legacySettings();
    s.tileable = 1;
    s.pbr = 1;
    s.tileSize = kDefaultTileSizeMetres;
    s.heightRange = kDefaultHeightRangeMetres;
    s.units = PROCTEX_UNITS_TILE;
    return s;
}

int readCallerSettings(const ProctexSettings* caller, ProctexSettings& settings,
                       std::string& reason) {
    if (caller == nullptr) {
        reason = "settings is a null pointer";
        return PROCTEX_ERROR_ARGUMENT;
    }
    const std::size_t size = caller->size;
    if (size < kFirstVersionSize) {
        reason = "settings.size must be sizeof(ProctexSettings) (got " + std::to_string(size) +
                 "; use proctex_settings_init)";
        return PROCTEX_ERROR_ARGUMENT;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(caller);
    if (size > sizeof(ProctexSettings) &&
        !allZero(bytes + sizeof(ProctexSettings), size - sizeof(ProctexSettings))) {
        reason = "settings come from a newer proctex (size " + std::to_string(size) +
                 ", this library knows " + std::to_string(sizeof(ProctexSettings)) +
                 ") and set members it does not know";
        return PROCTEX_ERROR_ARGUMENT;
    }
    // Members the caller's struct does not cover keep today's results.
    settings = legacySettings();
    std::memcpy(&settings, caller, std::min(size, sizeof(ProctexSettings)));
    settings.size = sizeof(ProctexSettings);
    return PROCTEX_OK;
}

int writeCallerSettings(const ProctexSettings& settings, ProctexSettings* caller,
                        std::size_t size) {
    if (caller == nullptr || size < kFirstVersionSize) return PROCTEX_ERROR_ARGUMENT;
    auto* bytes = reinterpret_cast<unsigned char*>(caller);
    const std::size_t known = std::min(size, sizeof(ProctexSettings));
    std::memcpy(bytes, &settings, known);
    if (size > known) std::memset(bytes + known, 0, size - known);
    caller->size = size;
    return PROCTEX_OK;
}

unsigned mapsAsSettings(const ProctexSettings& settings) {
    unsigned maps = PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) |
                    PROCTEX_MAP_BIT(PROCTEX_MAP_SPECULAR);
    if (settings.writeRoughness == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS);
    if (settings.writeMetallic == 1) maps |= PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC);
    return maps;
}

void copyReason(const std::string& reason, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return;
    const std::size_t n = std::min(reason.size(), size - 1);
    std::memcpy(buffer, reason.data(), n);
    buffer[n] = '\0';
}

}  // namespace proctex

namespace proctex {

namespace {

// Members read only for the extra maps and records: a bounded, finite range
// keeps the occlusion's cost and the files' numbers sane.
std::string rangeProblem(const char* member, float v, float lo, float hi) {
    if (v >= lo && v <= hi) return {};  // false for NaN
    return std::string(member) + " must be a number from " + numberText(lo) + " to " +
           numberText(hi) + " (got " + numberText(v) + ")";
}

std::string recordedValueProblem(const ProctexSettings& s) {
    std::string reason = rangeProblem("aoRadius", s.aoRadius, 0.0f, 256.0f);
    if (reason.empty()) reason = rangeProblem("aoStrength", s.aoStrength, 0.0f, 16.0f);
    if (reason.empty()) reason = rangeProblem("tileSize", s.tileSize, 0.0f, 1e6f);
    if (reason.empty()) reason = rangeProblem("heightRange", s.heightRange, 0.0f, 1e6f);
    return reason;
}

std::string choiceProblem(const char* member, int v, int lo, int hi) {
    if (v >= lo && v <= hi) return {};
    return std::string(member) + " must be a whole number from " + std::to_string(lo) + " to " +
           std::to_string(hi) + " (got " + std::to_string(v) + ")";
}

std::string colorStopProblem(const ProctexSettings& s) {
    std::string reason = choiceProblem("colorStopCount", s.colorStopCount, 0, 8);
    for (int i = 0; reason.empty() && i < s.colorStopCount; ++i) {
        const std::string stop = "colorStops[" + std::to_string(i) + "]";
        for (int c = 0; reason.empty() && c < 4; ++c) {
            reason = rangeProblem((stop + "[" + std::to_string(c) + "]").c_str(),
                                  s.colorStops[i][c], 0.0f, 1.0f);
        }
        if (reason.empty() && i > 0 && s.colorStops[i][3] < s.colorStops[i - 1][3]) {
            reason = "colorStops must rise in position (stop " + std::to_string(i) + " at " +
                     numberText(s.colorStops[i][3]) + " comes after " +
                     numberText(s.colorStops[i - 1][3]) + ")";
        }
    }
    return reason;
}

// The 0.3 members, checked whether or not pbr is on, so a setting that is
// wrong is reported before someone turns it on.
std::string materialValueProblem(const ProctexSettings& s) {
    std::string reason = rangeProblem("metal", s.metal, 0.0f, 1.0f);
    if (reason.empty()) {
        reason = choiceProblem("metalType", s.metalType, PROCTEX_METAL_TYPE_IRON,
                               PROCTEX_METAL_TYPE_CHROME);
    }
    if (reason.empty()) {
        reason = choiceProblem("metalMask", s.metalMask, PROCTEX_METAL_MASK_NONE,
                               PROCTEX_METAL_MASK_PITS);
    }
    if (reason.empty()) reason = rangeProblem("emission", s.emission, 0.0f, 100.0f);
    if (reason.empty()) reason = rangeProblem("emissionLevel", s.emissionLevel, 0.0f, 1.0f);
    if (reason.empty()) reason = colorStopProblem(s);
    if (reason.empty()) {
        reason = choiceProblem("units", s.units, PROCTEX_UNITS_PIXELS, PROCTEX_UNITS_TILE);
    }
    if (reason.empty()) reason = layersProblem(s);
    return reason;
}

}  // namespace

int checkSettings(const ProctexSettings& s, std::string& reason) {
    if (s.width <= 0) {
        reason = "width must be positive (got " + std::to_string(s.width) + ")";
    } else if (s.height <= 0) {
        reason = "height must be positive (got " + std::to_string(s.height) + ")";
    } else if (!imageSizeIsUsable(s.width, s.height)) {
        reason = "width x height x 3 must stay below 2^31 (got " + std::to_string(s.width) + " x " +
                 std::to_string(s.height) + ")";
    } else {
        reason = patternRequestProblem(patternRequest(s), s.width, s.height);
        if (reason.empty()) reason = overlayRequestProblem(overlayRequest(s));
        if (reason.empty()) reason = recordedValueProblem(s);
        if (reason.empty()) reason = materialValueProblem(s);
    }
    return reason.empty() ? PROCTEX_OK : PROCTEX_ERROR_SETTINGS;
}

int checkApiSettings(const ProctexSettings& s, std::string& reason) {
    if (checkSettings(s, reason) != PROCTEX_OK) return PROCTEX_ERROR_SETTINGS;
    for (const OptionSpec& o : optionTable()) {
        if (o.kind != PROCTEX_KIND_INTEGER) continue;
        const double value = optionValue(o, s);
        if (value < o.limitMin || value > o.limitMax) {
            char text[160];
            std::snprintf(text, sizeof text, "%s must be from %.0f to %.0f (got %.0f)", o.member,
                          o.limitMin, o.limitMax, value);
            reason = text;
            return PROCTEX_ERROR_SETTINGS;
        }
    }
    return PROCTEX_OK;
}

}  // namespace proctex
