// clamp and the in-place tone and blend operations on height fields.
#pragma once

#include "core/field.h"

namespace proctex {

// lo if v < lo, else hi if v > hi, else v. A NaN passes through unchanged.
inline float clamp(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

// v -> clamp((v - 0.5) * contrast + 0.5)
void applyContrast(FloatField& field, float contrast);
// v -> clamp(v + brightness)
void applyBrightness(FloatField& field, float brightness);
// v -> 1 - v, deliberately not clamped.
void applyInvert(FloatField& field);
// Carves the overlay into the field: v -> clamp(v - overlay * strength).
// The overlay must have at least as many elements as the field.
void blendOverlay(FloatField& field, const FloatField& overlay, float strength);

}  // namespace proctex
