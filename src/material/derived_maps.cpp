#include "material/derived_maps.h"

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/rgb_lanes.h"

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
void mapHeights(const float* heights, std::size_t count, float* out, Formula formula) {
    for (std::size_t k = 0; k < count; ++k) out[k] = clamp(formula(heights[k]), 0.0f, 1.0f);
}

}  // namespace

namespace {

Color3 normalColor(float hL, float hR, float hU, float hD, float normalStrength) {
    const float dx = (hR - hL) * normalStrength;
    const float dy = (hD - hU) * normalStrength;
    float nx = -dx;
    float ny = -dy;
    float nz = 1.0f;
    const float len = fsqrt((nx * nx + ny * ny) + nz * nz);
    nx = nx / len;
    ny = ny / len;
    nz = nz / len;
    return {(nx + 1.0f) * 0.5f, (ny + 1.0f) * 0.5f, (nz + 1.0f) * 0.5f};
}

// Columns 1 .. width - 2 of one row, where the horizontal neighbours are
// always x - 1 and x + 1; returns the first column left undone. Four pixels at
// a time with the same operations in the same order as normalColor (sqrtps
// and divps round like sqrtf and division; 1 * 1 is exactly 1).
int normalRowInterior(const float* row, const float* up, const float* down, int width,
                      float normalStrength, Color3* out) {
    int x = 1;
#if defined(__SSE2__)
    const __m128 strength = _mm_set1_ps(normalStrength);
    const __m128 sign = _mm_set1_ps(-0.0f);
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 half = _mm_set1_ps(0.5f);
    for (; x + 4 <= width - 1; x += 4) {
        const __m128 dx =
            _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(row + x + 1), _mm_loadu_ps(row + x - 1)), strength);
        const __m128 dy =
            _mm_mul_ps(_mm_sub_ps(_mm_loadu_ps(down + x), _mm_loadu_ps(up + x)), strength);
        const __m128 nx = _mm_xor_ps(dx, sign);
        const __m128 ny = _mm_xor_ps(dy, sign);
        const __m128 len = _mm_sqrt_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(nx, nx), _mm_mul_ps(ny, ny)), _mm_mul_ps(one, one)));
        const __m128 r = _mm_mul_ps(_mm_add_ps(_mm_div_ps(nx, len), one), half);
        const __m128 g = _mm_mul_ps(_mm_add_ps(_mm_div_ps(ny, len), one), half);
        const __m128 b = _mm_mul_ps(_mm_add_ps(_mm_div_ps(one, len), one), half);
        storeRgbLanes(out + x, r, g, b);
    }
#else
    (void)row, (void)up, (void)down, (void)width, (void)normalStrength, (void)out;
#endif
    return x;
}

}  // namespace

void normalRows(const FloatField& heightMap, int width, int height, float normalStrength, bool wrap,
                int firstRow, int rowCount, Color3* out) {
    const std::size_t w = static_cast<std::size_t>(width);
    for (int y = firstRow; y < firstRow + rowCount; ++y) {
        const float* row = heightMap.data() + static_cast<std::size_t>(y) * w;
        const float* up =
            heightMap.data() + static_cast<std::size_t>(previousIndex(y, height, wrap)) * w;
        const float* down =
            heightMap.data() + static_cast<std::size_t>(nextIndex(y, height, wrap)) * w;
        Color3* rowOut = out + static_cast<std::size_t>(y - firstRow) * w;
        auto pixel = [&](int x) {
            rowOut[x] = normalColor(row[previousIndex(x, width, wrap)],
                                    row[nextIndex(x, width, wrap)], up[x], down[x], normalStrength);
        };
        if (width > 0) pixel(0);
        for (int x = normalRowInterior(row, up, down, width, normalStrength, rowOut); x < width;
             ++x) {
            pixel(x);
        }
    }
}

ColorField buildNormalMap(const FloatField& heightMap, int width, int height, float normalStrength,
                          bool wrap) {
    static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");
    ColorField normalMap(fieldSize(width, height));
    normalRows(heightMap, width, height, normalStrength, wrap, 0, height, normalMap.data());
    return normalMap;
}

void specularValues(const float* heights, std::size_t count, float* out) {
    mapHeights(heights, count, out, [](float h) { return 1.0f - (h * 0.7f); });
}

void roughnessValues(const float* heights, std::size_t count, float roughness, float* out) {
    const float lift = (1.0f - roughness) * 0.3f;
    mapHeights(heights, count, out, [lift](float h) { return (h * 0.7f) + lift; });
}

void metallicValues(const float* heights, std::size_t count, float* out) {
    mapHeights(heights, count, out, [](float h) { return (1.0f - h) * 0.5f; });
}

}  // namespace proctex
