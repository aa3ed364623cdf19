#include "api/settings.h"

#include <algorithm>
#include <cstring>

#include "api/ambient_occlusion.h"
#include "api/pipeline.h"
#include "core/number_text.h"
#include "overlays/overlay_stage.h"
#include "patterns/pattern_stage.h"

namespace proctex {

namespace {

// The first published struct ends with writeMetallic; no caller can be older.
constexpr std::size_t kFirstVersionSize =
    offsetof(ProctexSettings, writeMetallic) + sizeof(ProctexSettings::writeMetallic);

bool allZero(const unsigned char* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](unsigned char b) { return b == 0; });
}

}  // namespace

ProctexSettings defaultSettings() {
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
    s.tileable = 1;
    return s;
}

ProctexSettings legacySettings() {
    ProctexSettings s = defaultSettings();
    s.tileable = 0;  // older callers and GenerateTexture never tile
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
    }
    return reason.empty() ? PROCTEX_OK : PROCTEX_ERROR_SETTINGS;
}

}  // namespace proctex
