// The maps derived from the finished (not tone-adjusted) height field.
#pragma once

#include "core/field.h"

namespace proctex {

// Unit surface normals mapped to 0..1 from central differences of the height
// field; with `wrap` the neighbours of border pixels come from the far side.
ColorField buildNormalMap(const FloatField& heightMap, int width, int height, float normalStrength,
                          bool wrap);
// clamp(1 - h * 0.7): low areas shine more.
FloatField buildSpecularMap(const FloatField& heightMap);
// clamp(h * 0.7 + (1 - roughness) * 0.3)
FloatField buildRoughnessMap(const FloatField& heightMap, float roughness);
// clamp((1 - h) * 0.5)
FloatField buildMetallicMap(const FloatField& heightMap);

}  // namespace proctex
