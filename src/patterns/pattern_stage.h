// The pattern stage: patternType 2..12 replace the base height field with a
// pattern built from it; every other value leaves the field as it is.
#pragma once

#include <cstdint>

#include "core/field.h"

namespace proctex {

struct PatternRequest {
    int32_t type;
    float param;
    int32_t seed;
    bool seamless;  // the call's seamless == 1
};

// False when the request cannot produce a meaningful field for a width x
// height image, or would need more memory than any image of that size
// justifies (the call then fails before doing any work).
bool patternRequestIsUsable(const PatternRequest& request, int width, int height);

// Replaces textureData with the requested pattern, if any.
void applyPatternStage(FloatField& textureData, int width, int height,
                       const PatternRequest& request);

}  // namespace proctex
