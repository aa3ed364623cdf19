#include "material/pbr_maps.h"

#include <algorithm>
#include <vector>

#include "core/field_ops.h"
#include "core/progress.h"
#include "material/metal_colors.h"

namespace proctex {

namespace {

float positiveOr(float value, float fallback) {
    return value > 0.0f ? value : fallback;  // false for NaN
}

// 0 at or below lo, 1 at or above hi, smooth between.
float smoothStep(float lo, float hi, float v) {
    const float t = clamp((v - lo) / (hi - lo), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

float mix(float a, float b, float t) {
    return a + (b - a) * t;
}

Color3 mixColor(Color3 a, Color3 b, float t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

// 0..1, with NaN as 0: a base colour must never leave its range, not even
// for a height that is not a number.
float unitOrZero(float v) {
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;
}

float toDielectric(float channel) {
    return kDielectricLow + unitOrZero(channel) * (kDielectricHigh - kDielectricLow);
}

// Molten rock from its coolest visible glow to its hottest: deep red, orange,
// yellow-white, by how far below the level a pixel lies.
constexpr ColorStop kGlowRamp[] = {
    {{0.0f, 0.0f, 0.0f}, 0.0f},
    {{0.55f, 0.04f, 0.0f}, 0.25f},
    {{1.0f, 0.33f, 0.02f}, 0.65f},
    {{1.0f, 0.72f, 0.25f}, 1.0f},
};
// Relief below the level over which the glow reaches full heat.
constexpr float kGlowDepth = 0.15f;

// Bare metal keeps a little of the relief's shading, never enough to leave
// the range of measured metal reflectances (180..255 in sRGB).
constexpr float kMetalShadeFloor = 0.94f;

}  // namespace

bool usesPbr(const ProctexSettings& s) {
    return s.pbr == 1;
}

PbrLook pbrLook(const ProctexSettings& s) {
    PbrLook look;
    look.tileSizeMetres = positiveOr(s.tileSize, kDefaultTileSizeMetres);
    look.heightRangeMetres = positiveOr(s.heightRange, kDefaultHeightRangeMetres);
    // One pixel is tile / width metres; a height of 1 rises heightRange.
    look.reliefPixels = look.heightRangeMetres * static_cast<float>(s.width) / look.tileSizeMetres;
    // normalRows takes the difference over two pixels without halving it.
    look.normalStrength = look.reliefPixels * 0.5f;
    look.metal = clamp(s.metal, 0.0f, 1.0f);
    look.metalType = s.metalType;
    look.metalMask = s.metalMask;
    look.roughness = s.roughness;
    look.emission = s.emission;
    look.emissionLevel = s.emissionLevel;
    return look;
}

void makeRelief(FloatField& heights, bool invert) {
    if (!invert) return;
    for (float& h : heights) h = 1.0f - h;
}

FloatField smoothRelief(const FloatField& relief, int width, int height, int radius, bool wrap) {
    const std::size_t w = static_cast<std::size_t>(width);
    const float weight = 1.0f / static_cast<float>(2 * radius + 1);
    auto index = [wrap](int i, int n) {
        if (wrap) return ((i % n) + n) % n;
        return std::clamp(i, 0, n - 1);
    };
    FloatField across(relief.size());
    for (int y = 0; y < height; ++y) {
        progressStillWorking();  // a cancelled call stops within a row
        const float* row = relief.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int k = -radius; k <= radius; ++k) sum += row[index(x + k, width)];
            across[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = sum * weight;
        }
    }
    FloatField smooth(relief.size());
    for (int y = 0; y < height; ++y) {
        progressStillWorking();
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int k = -radius; k <= radius; ++k) {
                sum += across[static_cast<std::size_t>(index(y + k, height)) * w +
                              static_cast<std::size_t>(x)];
            }
            smooth[static_cast<std::size_t>(y) * w + static_cast<std::size_t>(x)] = sum * weight;
        }
    }
    return smooth;
}

float metalShare(float relief, int metalMask) {
    const float tops = smoothStep(kPitLevel - kPitBlend, kPitLevel + kPitBlend, relief);
    if (metalMask == PROCTEX_METAL_MASK_TOPS) return tops;
    if (metalMask == PROCTEX_METAL_MASK_PITS) return 1.0f - tops;
    return 1.0f;
}

void pbrMetallicValues(const float* relief, std::size_t count, const PbrLook& look, float* out) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = look.metal * metalShare(relief[i], look.metalMask);
    }
}

void pbrRoughnessValues(const float* relief, std::size_t count, const PbrLook& look, float* out) {
    const bool masked = look.metal > 0.0f && look.metalMask != PROCTEX_METAL_MASK_NONE;
    for (std::size_t i = 0; i < count; ++i) {
        // Worn tops smoother, crevices rougher; rust and dirt rougher still.
        float r = look.roughness + (0.5f - clamp(relief[i], 0.0f, 1.0f)) * 0.3f;
        if (masked) r += (1.0f - metalShare(relief[i], look.metalMask)) * 0.35f;
        out[i] = clamp(r, 0.0f, 1.0f);
    }
}

void pbrBaseColors(const float* relief, std::size_t count, const PbrLook& look, Color3* colors) {
    const Color3 metal = metalColor(look.metalType);
    for (std::size_t i = 0; i < count; ++i) {
        const Color3 c = colors[i];
        const Color3 dielectric = {toDielectric(c.r), toDielectric(c.g), toDielectric(c.b)};
        const float share = look.metal * metalShare(relief[i], look.metalMask);
        if (!(share > 0.0f)) {
            colors[i] = dielectric;
            continue;
        }
        // The tone's grey shades the metal a little.
        const float tone = unitOrZero((c.r + c.g + c.b) / 3.0f);
        const float shade = kMetalShadeFloor + (1.0f - kMetalShadeFloor) * tone;
        const Color3 bare = {metal.r * shade, metal.g * shade, metal.b * shade};
        // The colour turns within the band where metallic does, so that
        // what reads as metal (0.9 and up) has a metal's colour and what
        // reads as not (0.1 and below) a dielectric's.
        colors[i] = mixColor(dielectric, bare, clamp((share - 0.1f) / 0.8f, 0.0f, 1.0f));
    }
}

void emissiveColors(const float* relief, std::size_t count, const PbrLook& look, Color3* colors) {
    const float strength = clamp(look.emission, 0.0f, 1.0f);
    std::vector<float> heat(count);
    for (std::size_t i = 0; i < count; ++i) {
        // NaN and everything at or above the level stay black.
        const float below = look.emissionLevel - relief[i];
        heat[i] = below > 0.0f ? clamp(below / kGlowDepth, 0.0f, 1.0f) : 0.0f;
    }
    colorStopRampInto(heat.data(), count, kGlowRamp, 4, colors);
    for (std::size_t i = 0; i < count; ++i) {
        colors[i] = {colors[i].r * strength, colors[i].g * strength, colors[i].b * strength};
    }
}

std::vector<ColorStop> rampStops(const ProctexSettings& s) {
    std::vector<ColorStop> stops;
    for (int i = 0; i < std::clamp(s.colorStopCount, 0, 8); ++i) {
        stops.push_back(
            {{s.colorStops[i][0], s.colorStops[i][1], s.colorStops[i][2]}, s.colorStops[i][3]});
    }
    return stops;
}

bool customRampInto(const float* tones, std::size_t count, const ProctexSettings& s,
                    Color3* colors) {
    if (s.materialType != PROCTEX_MATERIAL_CUSTOM || s.colorStopCount < 1) return false;
    const std::vector<ColorStop> stops = rampStops(s);
    const int n = static_cast<int>(stops.size());
    colorStopRampInto(tones, count, stops.data(), n, colors);
    return true;
}

}  // namespace proctex
