// The maps derived from the finished (not tone-adjusted) height field.
#pragma once

#include <cstddef>

#include "core/field.h"

namespace proctex {

// Unit surface normals mapped to 0..1 from central differences of the height
// field; with `wrap` the neighbours of border pixels come from the far side.
ColorField buildNormalMap(const FloatField& heightMap, int width, int height, float normalStrength,
                          bool wrap);
// buildNormalMap's rows firstRow .. firstRow + rowCount - 1 into `out`
// (rowCount * width colours), so the map can be made a block at a time.
void normalRows(const FloatField& heightMap, int width, int height, float normalStrength, bool wrap,
                int firstRow, int rowCount, Color3* out);

// The three grey maps over `count` heights into `out`:
// specular clamp(1 - h * 0.7), low areas shine more;
// roughness clamp(h * 0.7 + (1 - roughness) * 0.3);
// metallic clamp((1 - h) * 0.5).
void specularValues(const float* heights, std::size_t count, float* out);
void roughnessValues(const float* heights, std::size_t count, float roughness, float* out);
void metallicValues(const float* heights, std::size_t count, float* out);

}  // namespace proctex
