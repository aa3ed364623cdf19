// Layers over a material's maps: how much of each layer shows at every
// pixel, and what it does there to the relief, the colours, the roughness,
// the metal and the glow. The shares are made once (src/api/layers) and
// every map applies them to its own image, so the maps agree.
#pragma once

#include <proctex.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/field.h"
#include "material/palette.h"

namespace proctex {

// 0..1 of a layer at a mask value: a smooth step from threshold - softness
// to threshold + softness (a hard step at softness 0), so the layer shows
// above the threshold; with `invert` it shows below it (one minus the step).
// NaN values give 0.
float maskShare(float value, float threshold, float softness, bool invert);

// Two sources' shares met as PROCTEX_COMBINE_* says.
float combineShares(float a, float b, int combine);

// One layer over the image, per pixel in bytes (0..255): how much of it
// shows, how far its colour goes towards color2 or along its palette
// (empty: not at all), and its piece's random value (empty: the layer has no
// tint by piece; 128 where the material has no pieces).
struct LayerCover {
    ProctexLayer layer{};
    int palette = PROCTEX_LAYER_PALETTE_OWN;  // as ProctexSettings.layerPalette
    std::vector<ColorStop> stops;             // palette CUSTOM: the material's ramp
    std::vector<uint8_t> share;
    std::vector<uint8_t> mix;
    std::vector<uint8_t> piece;
};

using LayerCovers = std::vector<LayerCover>;

// The relief with every layer's height and detail where it shows:
// relief + share x (height + detail x (noise - 1/2)).
void raiseRelief(FloatField& relief, const LayerCovers& covers);

// The layers painted over `count` pixels from pixel `first` of a map's image.
// Colours (3 bytes a pixel, sRGB) take each layer's colour, brightened or
// darkened by its piece and turned towards its metal's colour by its metal;
// roughness and metallic bytes move towards the layer's values; the glow
// (3 bytes a pixel) towards the layer's colour times its emission.
void paintDiffuse(uint8_t* rgb, std::size_t first, std::size_t count, const LayerCovers& covers);
void paintRoughness(uint8_t* grey, std::size_t first, std::size_t count, const LayerCovers& covers);
void paintMetallic(uint8_t* grey, std::size_t first, std::size_t count, const LayerCovers& covers);
void paintEmission(uint8_t* rgb, std::size_t first, std::size_t count, const LayerCovers& covers);

// Whether any layer glows (the material then has an emissive map).
bool layersGlow(const LayerCovers& covers);

}  // namespace proctex
