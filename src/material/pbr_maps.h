// The physically plausible maps (pbr == 1): one relief with its physical
// size behind every map, metallic from what the material is, colours within
// the ranges real surfaces reflect.
#pragma once

#include <proctex.h>

#include <cstddef>
#include <vector>

#include "core/field.h"
#include "material/palette.h"

namespace proctex {

// Physical size of a material whose caller left it open.
constexpr float kDefaultTileSizeMetres = 1.0f;
constexpr float kDefaultHeightRangeMetres = 0.02f;

// Dielectrics reflect between about 3 and 85 % of the light: 30..240 of 255
// in sRGB, the range PBR validators accept for non-metals. Half a step
// inside, so the truncating quantisation lands on 30 and 240 themselves.
constexpr float kDielectricLow = 30.5f / 255.0f;
constexpr float kDielectricHigh = 240.5f / 255.0f;

// Relief below which the metal mask counts a pixel as a pit, and the half
// width of the blend, narrow so that few pixels are neither metal nor not.
constexpr float kPitLevel = 0.4f;
constexpr float kPitBlend = 0.012f;

// The settings the PBR maps read, with the defaults for sizes left at 0.
struct PbrLook {
    float tileSizeMetres = kDefaultTileSizeMetres;
    float heightRangeMetres = kDefaultHeightRangeMetres;
    float normalStrength = 0.0f;  // slope factor of normalRows for the true slope
    float reliefPixels = 0.0f;    // pixels of rise a relief of 1 stands for
    float metal = 0.0f;
    int metalType = PROCTEX_METAL_TYPE_IRON;
    int metalMask = PROCTEX_METAL_MASK_NONE;
    float roughness = 0.5f;
    float emission = 0.0f;
    float emissionLevel = 0.3f;
};

PbrLook pbrLook(const ProctexSettings& settings);

bool usesPbr(const ProctexSettings& settings);

// The one relief every PBR map reads: the height field, turned over when
// `invert` is set.
void makeRelief(FloatField& heights, bool invert);

// The relief averaged over a (2 r + 1)^2 box, wrapping or clamping at the
// borders, so that occlusion sees landforms rather than single grains.
FloatField smoothRelief(const FloatField& relief, int width, int height, int radius, bool wrap);

// 0..1: how much of the metal shows at a relief height under the mask.
float metalShare(float relief, int metalMask);

// The grey maps over `count` relief values into `out`.
void pbrMetallicValues(const float* relief, std::size_t count, const PbrLook& look, float* out);
void pbrRoughnessValues(const float* relief, std::size_t count, const PbrLook& look, float* out);

// Base colours: `colors` holds the material's colours of the tones and is
// turned into the PBR base colours of the pixels with these relief values.
void pbrBaseColors(const float* relief, std::size_t count, const PbrLook& look, Color3* colors);

// The glow below emissionLevel, black above it.
void emissiveColors(const float* relief, std::size_t count, const PbrLook& look, Color3* colors);

// The stops of the settings' colour ramp (colorStops), in order.
std::vector<ColorStop> rampStops(const ProctexSettings& settings);

// The colour ramp of materialType PROCTEX_MATERIAL_CUSTOM; false (and
// nothing written) when the settings have no stops.
bool customRampInto(const float* tones, std::size_t count, const ProctexSettings& settings,
                    Color3* colors);

}  // namespace proctex
