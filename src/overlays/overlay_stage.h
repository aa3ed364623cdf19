// The overlay stage: overlayType 1..4 build a depth field and carve it into the
// height field; every other value leaves the field as it is.
#pragma once

#include <cstdint>

#include "core/field.h"

namespace proctex {

struct OverlayRequest {
    int32_t type;
    float param;
    float strength;
    int32_t seed;
    bool seamless;  // the call's seamless == 1
};

// False when the request cannot produce a meaningful field (the call then
// fails before doing any work).
bool overlayRequestIsUsable(const OverlayRequest& request);

// Builds the requested overlay, if any, and blends it into textureData.
void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request);

}  // namespace proctex
