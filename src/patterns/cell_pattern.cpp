// Cell-border pattern (patternType 6): its points, and the borders between them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
#include "core/tiling.h"
#include "patterns/cell_search.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {

int32_t cellPointCount(int width, int height, float patternParam) {
    const float area = static_cast<float>(wrappingMul(width, height));
    const int32_t n = truncToInt32(area / ((patternParam * patternParam) * 2.0f));
    return std::max<int32_t>(10, n);
}

std::vector<FeaturePoint> drawCellPoints(int width, int height, int32_t count, int32_t seed) {
    Engine rng = makeEngine(wrappingAdd(seed, 500));
    const UniformReal distX(0.0f, static_cast<float>(width));
    const UniformReal distY(0.0f, static_cast<float>(height));
    std::vector<FeaturePoint> points;
    points.reserve(static_cast<std::size_t>(std::max<int32_t>(count, 0)));
    for (int32_t i = 0; i < count; ++i) {
        const float x = distX(rng);
        const float y = distY(rng);
        points.push_back({x, y});
    }
    return points;
}

float cellMaxDist(int width, int height) {
    const int64_t w = width;
    const int64_t h = height;
    return fsqrt(static_cast<float>(w * w + h * h));
}

NearestTwo nearestTwoDistances(const std::vector<FeaturePoint>& points, int width, int height,
                               float maxDist) {
    NearestTwo result;
    result.f1.assign(fieldSize(width, height), maxDist);
    result.f2.assign(fieldSize(width, height), maxDist);
    if (width <= 0 || height <= 0) return result;
    searchNearestTwo(
        PointGrid(points, width, height), width, height, maxDist,
        [&](int x0, int y0, int tw, int th, int stride, const float* f1, const float* f2) {
            for (int y = 0; y < th; ++y) {
                const std::size_t row = static_cast<std::size_t>(y0 + y) * width + x0;
                std::copy_n(f1 + y * stride, tw, result.f1.begin() + row);
                std::copy_n(f2 + y * stride, tw, result.f2.begin() + row);
            }
        });
    return result;
}

namespace {

// clamp(v, 0, 1) written as two selects so that loops over it vectorise; the
// same values as clamp, a NaN passing through.
inline float clampUnit(float v) {
    v = v < 0.0f ? 0.0f : v;
    return v > 1.0f ? 1.0f : v;
}

// The pattern value of `count` pixels from their f1, f2 and field values, in
// two passes: GCC keeps a loop with a clamp followed by more arithmetic
// scalar (it moves the arithmetic into branches it may not speculate), but
// vectorises each pass. Each value gets the same operations either way.
void shadeCells(const float* __restrict f1, const float* __restrict f2,
                const float* __restrict field, float* __restrict out, std::size_t count,
                float patternParam) {
    for (std::size_t i = 0; i < count; ++i) {
        const float e = (f2[i] - f1[i]) / patternParam;
        out[i] = clampUnit(e * 2.0f);
    }
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = clampUnit((1.0f - out[i]) * 0.8f + field[i] * 0.2f);
    }
}

}  // namespace

FloatField generateCellPattern(const FloatField& textureData, int width, int height,
                               float patternParam, int32_t seed) {
    const int32_t n = cellPointCount(width, height, patternParam);
    const float maxDist = cellMaxDist(width, height);
    // The drawn list is released once its points sit in the grid.
    const PointGrid grid(drawCellPoints(width, height, n, seed), width, height);

    FloatField pattern(fieldSize(width, height));
    searchNearestTwo(
        grid, width, height, maxDist,
        [&](int x0, int y0, int tw, int th, int stride, const float* f1, const float* f2) {
            for (int y = 0; y < th; ++y) {
                const std::size_t row = static_cast<std::size_t>(y0 + y) * width + x0;
                const float* d1 = f1 + y * stride;
                const float* d2 = f2 + y * stride;
                const float* h = textureData.data() + row;
                float* out = pattern.data() + row;
                shadeCells(d1, d2, h, out, static_cast<std::size_t>(tw), patternParam);
            }
        });
    return pattern;
}

namespace {

// The copies of the drawn points, repeated every width and height, that lie
// within `margin` of the image: the periodic point set as far as a pixel
// whose second-nearest point is at most `margin` away can see it.
std::vector<FeaturePoint> periodicPoints(const std::vector<FeaturePoint>& points, int width,
                                         int height, double margin) {
    const double w = width;
    const double h = height;
    const int64_t reachX = static_cast<int64_t>(std::ceil(margin / w));
    const int64_t reachY = static_cast<int64_t>(std::ceil(margin / h));
    std::vector<FeaturePoint> copies;
    for (const FeaturePoint& p : points) {
        for (int64_t j = -reachY; j <= reachY; ++j) {
            const double y = p.y + static_cast<double>(j) * h;
            if (y < -margin || y >= h + margin) continue;
            for (int64_t i = -reachX; i <= reachX; ++i) {
                const double x = p.x + static_cast<double>(i) * w;
                if (x < -margin || x >= w + margin) continue;
                copies.push_back({static_cast<float>(x), static_cast<float>(y)});
            }
        }
    }
    return copies;
}

// Margins start at six mean spacings: a disc of that radius holds about 56
// points on average, and the chance that one holds fewer than two is below
// 1e-20, so the search almost never runs twice.
constexpr double kMarginSpacings = 6.0;

}  // namespace

// The same points as the plain form, on the torus: each pixel's nearest two
// among all their copies. The copies within a margin of the image are
// searched; a pixel whose second-nearest distance reaches the margin could
// have missed a nearer copy outside it, and then the margin doubles and the
// search runs again. At half the image's diagonal every pixel has a copy of
// every point within reach, so that margin always suffices.
FloatField generateTiledCellPattern(const FloatField& textureData, int width, int height,
                                    float patternParam, int32_t seed) {
    const int32_t n = cellPointCount(width, height, patternParam);
    const float maxDist = cellMaxDist(width, height);
    const std::vector<FeaturePoint> points = drawCellPoints(width, height, n, seed);
    const double w = width;
    const double h = height;
    const double fullMargin = std::sqrt(w * w + h * h) / 2.0;
    const double spacing = std::sqrt(w * h / (2.0 * static_cast<double>(n)));
    double margin = std::min(fullMargin, std::ceil(kMarginSpacings * spacing));

    FloatField pattern(fieldSize(width, height));
    for (;;) {
        const PointGrid grid(periodicPoints(points, width, height, margin), -margin, -margin,
                             w + 2.0 * margin, h + 2.0 * margin);
        const float seen = static_cast<float>(margin * (1.0 - 1e-5));
        bool complete = true;
        searchNearestTwo(
            grid, width, height, maxDist,
            [&](int x0, int y0, int tw, int th, int stride, const float* f1, const float* f2) {
                for (int y = 0; y < th; ++y) {
                    const std::size_t row = static_cast<std::size_t>(y0 + y) * width + x0;
                    const float* d2 = f2 + y * stride;
                    for (int x = 0; x < tw; ++x) complete = complete && d2[x] < seen;
                    shadeCells(f1 + y * stride, d2, textureData.data() + row, pattern.data() + row,
                               static_cast<std::size_t>(tw), patternParam);
                }
            });
        if (complete || margin >= fullMargin) break;
        margin = std::min(fullMargin, 2.0 * margin);
    }
    return pattern;
}

}  // namespace proctex
