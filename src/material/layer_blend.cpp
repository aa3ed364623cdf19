#include "material/layer_blend.h"

#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/numeric.h"
#include "material/metal_colors.h"
#include "material/pbr_maps.h"

namespace proctex {

namespace {

constexpr float kByte = 1.0f / 255.0f;

float unitOf(uint8_t b) {
    return static_cast<float>(b) * kByte;
}

uint8_t byteOf(float v) {
    const float clamped = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;  // NaN too
    return static_cast<uint8_t>(truncToInt32(clamped * 255.0f + 0.5f));
}

float mix(float a, float b, float t) {
    return a + (b - a) * t;
}

// The layer's colour at one pixel, 0..1 sRGB per channel: its two colours
// (or its palette) by its noise, its piece's brightness, then its metal.
Color3 layerColor(const LayerCover& cover, std::size_t i) {
    const ProctexLayer& l = cover.layer;
    const float t = cover.mix.empty() ? 0.0f : unitOf(cover.mix[i]);
    const float brightness =
        cover.piece.empty() ? 1.0f : 1.0f + l.pieceTint * (unitOf(cover.piece[i]) - 0.5f);
    Color3 c{mix(l.color[0], l.color2[0], t), mix(l.color[1], l.color2[1], t),
             mix(l.color[2], l.color2[2], t)};
    if (cover.palette == PROCTEX_MATERIAL_CUSTOM && !cover.stops.empty()) {
        colorStopRampInto(&t, 1, cover.stops.data(), static_cast<int>(cover.stops.size()), &c);
    } else if (cover.palette != PROCTEX_LAYER_PALETTE_OWN) {
        colorizeInto(&t, 1, cover.palette, &c);
    }
    c = {c.r * brightness, c.g * brightness, c.b * brightness};
    // Dielectrics stay within the range real surfaces reflect: 31..240 as bytes.
    constexpr float kHigh = 240.0f / 255.0f;
    c = {clamp(c.r, kDielectricLow, kHigh), clamp(c.g, kDielectricLow, kHigh),
         clamp(c.b, kDielectricLow, kHigh)};
    if (l.metal > 0.0f) {
        const Color3 m = metalColor(l.metalType);
        c = {mix(c.r, m.r, l.metal), mix(c.g, m.g, l.metal), mix(c.b, m.b, l.metal)};
    }
    return c;
}

template <typename Paint>
void eachShown(std::size_t first, std::size_t count, const LayerCovers& covers, Paint paint) {
    for (const LayerCover& cover : covers) {
        for (std::size_t k = 0; k < count; ++k) {
            const uint8_t share = cover.share[first + k];
            if (share != 0) paint(cover, first + k, k, unitOf(share));
        }
    }
}

}  // namespace

float maskShare(float value, float threshold, float softness, bool invert) {
    if (!(value == value)) return 0.0f;
    float share = value >= threshold ? 1.0f : 0.0f;
    if (softness > 0.0f) {
        const float t = clamp((value - (threshold - softness)) / (2.0f * softness), 0.0f, 1.0f);
        share = t * t * (3.0f - 2.0f * t);
    }
    return invert ? 1.0f - share : share;
}

float combineShares(float a, float b, int combine) {
    if (combine == PROCTEX_COMBINE_MIN) return std::min(a, b);
    if (combine == PROCTEX_COMBINE_MAX) return std::max(a, b);
    return a * b;
}

void raiseRelief(FloatField& relief, const LayerCovers& covers) {
    for (const LayerCover& cover : covers) {
        const float height = cover.layer.height;
        const float detail = cover.layer.detail;
        if (height == 0.0f && detail == 0.0f) continue;
        for (std::size_t i = 0; i < relief.size(); ++i) {
            const uint8_t share = cover.share[i];
            if (share == 0) continue;
            const float noise = cover.mix.empty() ? 0.5f : unitOf(cover.mix[i]);
            relief[i] += unitOf(share) * (height + detail * (noise - 0.5f));
        }
    }
}

void paintDiffuse(uint8_t* rgb, std::size_t first, std::size_t count, const LayerCovers& covers) {
    eachShown(first, count, covers,
              [&](const LayerCover& cover, std::size_t i, std::size_t k, float s) {
                  const Color3 c = layerColor(cover, i);
                  uint8_t* p = rgb + k * 3;
                  p[0] = byteOf(mix(unitOf(p[0]), c.r, s));
                  p[1] = byteOf(mix(unitOf(p[1]), c.g, s));
                  p[2] = byteOf(mix(unitOf(p[2]), c.b, s));
              });
}

void paintRoughness(uint8_t* grey, std::size_t first, std::size_t count,
                    const LayerCovers& covers) {
    eachShown(first, count, covers,
              [&](const LayerCover& cover, std::size_t, std::size_t k, float s) {
                  grey[k] = byteOf(mix(unitOf(grey[k]), cover.layer.roughness, s));
              });
}

void paintMetallic(uint8_t* grey, std::size_t first, std::size_t count, const LayerCovers& covers) {
    eachShown(first, count, covers,
              [&](const LayerCover& cover, std::size_t, std::size_t k, float s) {
                  grey[k] = byteOf(mix(unitOf(grey[k]), cover.layer.metal, s));
              });
}

void paintEmission(uint8_t* rgb, std::size_t first, std::size_t count, const LayerCovers& covers) {
    eachShown(first, count, covers,
              [&](const LayerCover& cover, std::size_t i, std::size_t k, float s) {
                  const float glow = std::min(cover.layer.emission, 1.0f);
                  const Color3 c = layerColor(cover, i);
                  uint8_t* p = rgb + k * 3;
                  p[0] = byteOf(mix(unitOf(p[0]), c.r * glow, s));
                  p[1] = byteOf(mix(unitOf(p[1]), c.g * glow, s));
                  p[2] = byteOf(mix(unitOf(p[2]), c.b * glow, s));
              });
}

bool layersGlow(const LayerCovers& covers) {
    return std::any_of(covers.begin(), covers.end(),
                       [](const LayerCover& c) { return c.layer.emission > 0.0f; });
}

}  // namespace proctex
