// The overlay stage: overlayType 1..4 build a depth field and carve it into the
// height field; every other value leaves the field as it is.
#pragma once

#include <cstdint>
#include <string>

#include "core/field.h"
#include "core/pieces.h"

namespace proctex {

struct OverlayRequest {
    int32_t type;
    float param;
    float strength;
    int32_t seed;
    bool seamless;  // the call's seamless == 1
    bool tiling;    // the call's tileable == 1: the overlay wraps at the edges
    // Pixels per unit of the sizes above: 1 in pixel units; on the tile, the
    // image's width over the tile's 512 units (see applying the stage).
    float unit = 1.0f;
    bool onTile = false;  // sizes and counts are meant per tile
};

// Empty when the request can produce a meaningful field; otherwise why not,
// as a sentence naming overlayParam or overlayStrength (the call then fails
// before doing any work).
std::string overlayRequestProblem(const OverlayRequest& request);

inline bool overlayRequestIsUsable(const OverlayRequest& request) {
    return overlayRequestProblem(request).empty();
}

// The pieces of the requested overlay (bricks, boards) and their joints;
// empty for overlays without pieces.
PieceField overlayPieces(const OverlayRequest& request, int width, int height);

// Builds the requested overlay, if any, and blends it into textureData.
void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request);

}  // namespace proctex
