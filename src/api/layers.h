// The layers of a material over its image: each layer's mask made from the
// base relief, the pattern's pieces and its own noise, as the shares every
// map paints with.
#pragma once

#include <proctex.h>

#include "api/map_set.h"
#include "core/field.h"
#include "core/pieces.h"
#include "material/layer_blend.h"

namespace proctex {

// Whether the settings' maps have layers to paint (pbr 1 and at least one).
bool hasLayers(const ProctexSettings& settings);

// The shares of every layer over the image of these settings, from the base
// relief (after pattern and overlay, before the layers). May throw.
LayerCovers buildLayerCovers(const FloatField& relief, const ProctexSettings& settings);

// The pieces of the settings' layout (the overlay's bricks or boards, else
// the pattern's cells) and their joints; empty when it has none.
PieceField materialPieces(const ProctexSettings& settings);

// The curvature map (PROCTEX_MAP_CURVATURE) of a relief.
ByteImage curvatureImage(const FloatField& relief, const ProctexSettings& settings);

// The id map (PROCTEX_MAP_ID): a flat colour per piece, black joints, and
// each layer's own colour where it covers more than half.
ByteImage idImage(const ProctexSettings& settings, const LayerCovers& covers);

// The relief's curvature on the tile (see reliefCurvature), found at no more
// than two pixels per unit and interpolated back, as occlusion is.
FloatField tileCurvature(const FloatField& relief, const ProctexSettings& settings);

}  // namespace proctex
