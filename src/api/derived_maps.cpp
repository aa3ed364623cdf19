#include "api/derived_maps.h"

#include "core/field_ops.h"
#include "core/fmath.h"

namespace proctex {

namespace {

// Neighbour index before and after i on an axis of length n. Without wrap a
// missing neighbour is the pixel itself.
int previousIndex(int i, int n, bool wrap) {
    return i > 0 ? i - 1 : (wrap ? n - 1 : 0);
}
int nextIndex(int i, int n, bool wrap) {
    return i < n - 1 ? i + 1 : (wrap ? 0 : n - 1);
}

template <typename Formula>
FloatField mapHeights(const FloatField& heightMap, Formula formula) {
    FloatField map(heightMap.size());
    for (std::size_t k = 0; k < heightMap.size(); ++k) {
        map[k] = clamp(formula(heightMap[k]), 0.0f, 1.0f);
    }
    return map;
}

}  // namespace

ColorField buildNormalMap(const FloatField& heightMap, int width, int height, float normalStrength,
                          bool wrap) {
    ColorField normalMap(fieldSize(width, height));
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * w;
        const std::size_t up = static_cast<std::size_t>(previousIndex(y, height, wrap)) * w;
        const std::size_t down = static_cast<std::size_t>(nextIndex(y, height, wrap)) * w;
        for (int x = 0; x < width; ++x) {
            const float hL = heightMap[row + previousIndex(x, width, wrap)];
            const float hR = heightMap[row + nextIndex(x, width, wrap)];
            const float hU = heightMap[up + x];
            const float hD = heightMap[down + x];
            const float dx = (hR - hL) * normalStrength;
            const float dy = (hD - hU) * normalStrength;

            float nx = -dx;
            float ny = -dy;
            float nz = 1.0f;
            const float len = fsqrt((nx * nx + ny * ny) + nz * nz);
            nx = nx / len;
            ny = ny / len;
            nz = nz / len;
            normalMap[row + x] = {(nx + 1.0f) * 0.5f, (ny + 1.0f) * 0.5f, (nz + 1.0f) * 0.5f};
        }
    }
    return normalMap;
}

FloatField buildSpecularMap(const FloatField& heightMap) {
    return mapHeights(heightMap, [](float h) { return 1.0f - (h * 0.7f); });
}

FloatField buildRoughnessMap(const FloatField& heightMap, float roughness) {
    const float lift = (1.0f - roughness) * 0.3f;
    return mapHeights(heightMap, [lift](float h) { return (h * 0.7f) + lift; });
}

FloatField buildMetallicMap(const FloatField& heightMap) {
    return mapHeights(heightMap, [](float h) { return (1.0f - h) * 0.5f; });
}

}  // namespace proctex
