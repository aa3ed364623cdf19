// The grey maps of a whole height field in one call. The library fills them a
// block at a time (specularValues and its siblings); the tests pin the
// formulas on whole fields through these.
#pragma once

#include "core/field.h"

namespace proctex {

// clamp(1 - h * 0.7): low areas shine more.
FloatField buildSpecularMap(const FloatField& heightMap);
// clamp(h * 0.7 + (1 - roughness) * 0.3)
FloatField buildRoughnessMap(const FloatField& heightMap, float roughness);
// clamp((1 - h) * 0.5)
FloatField buildMetallicMap(const FloatField& heightMap);

}  // namespace proctex
