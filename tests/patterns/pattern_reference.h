// Plain versions of the two costly patterns, written straight from their
// definitions with no search structure: every pixel against every
// point, every disc over every pixel. The tests and benchmarks compare the
// library's fast versions with them; they are kept out of the library.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "core/fmath.h"

namespace proctex::reference {

inline float clampf(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

inline int32_t trunc32(float v) {
    if (v >= -2147483648.0f && v < 2147483648.0f) return static_cast<int32_t>(v);
    return std::numeric_limits<int32_t>::min();
}

// One uniform real draw over [a, b): the top 24 bits of one engine output, scaled.
inline float uniform(std::mt19937& rng, float a, float b) {
    const float canonical = static_cast<float>(rng() >> 8) * 0x1p-24f;
    return canonical * (b - a) + a;
}

struct Point {
    float x;
    float y;
};

// The plain loop for one pixel: every point in order, strict comparisons, so
// a repeated nearest distance gives f2 == f1. f1 and f2 start at maxDist.
inline void plainNearestTwoAt(const std::vector<Point>& points, int x, int y, float& f1,
                              float& f2) {
    for (const Point& p : points) {
        const float dx = static_cast<float>(x) - p.x;
        const float dy = static_cast<float>(y) - p.y;
        const float d = proctex::fsqrt(dx * dx + dy * dy);
        if (d < f1) {
            f2 = f1;
            f1 = d;
        } else if (d < f2) {
            f2 = d;
        }
    }
}

// f1 and f2 of every pixel, rows outer and columns inner, each starting at
// maxDist and handed to nearestTwoAt(x, y, f1, f2).
template <typename NearestTwoAt>
void nearestTwoOfEveryPixel(int width, int height, float maxDist, std::vector<float>& f1Out,
                            std::vector<float>& f2Out, NearestTwoAt nearestTwoAt) {
    const std::size_t size = static_cast<std::size_t>(width) * height;
    f1Out.assign(size, 0.0f);
    f2Out.assign(size, 0.0f);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float f1 = maxDist;
            float f2 = maxDist;
            nearestTwoAt(x, y, f1, f2);
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            f1Out[index] = f1;
            f2Out[index] = f2;
        }
    }
}

// Step 4 of the cell-border pattern for every pixel: f1 and f2 of the plain loop.
inline void plainNearestTwo(const std::vector<Point>& points, int width, int height, float maxDist,
                            std::vector<float>& f1Out, std::vector<float>& f2Out) {
    nearestTwoOfEveryPixel(
        width, height, maxDist, f1Out, f2Out,
        [&](int x, int y, float& f1, float& f2) { plainNearestTwoAt(points, x, y, f1, f2); });
}

inline std::vector<Point> plainCellPoints(int width, int height, float patternParam, int32_t seed) {
    const float area = static_cast<float>(width * height);
    int32_t n = trunc32(area / ((patternParam * patternParam) * 2.0f));
    if (n < 10) n = 10;
    std::mt19937 rng(static_cast<uint32_t>(seed) + 500u);
    std::vector<Point> points;
    for (int32_t i = 0; i < n; ++i) {
        const float x = uniform(rng, 0.0f, static_cast<float>(width));
        const float y = uniform(rng, 0.0f, static_cast<float>(height));
        points.push_back({x, y});
    }
    return points;
}

inline float plainMaxDist(int width, int height) {
    const int64_t w = width;
    const int64_t h = height;
    return proctex::fsqrt(static_cast<float>(w * w + h * h));
}

// The whole cell-border pattern, rows outer and columns inner, every point
// for every pixel. `rows` limits the pixel rows computed (the rest stay 0), so
// a benchmark can time a strip of a large image.
inline std::vector<float> plainCellPattern(const std::vector<float>& textureData, int width,
                                           int height, float patternParam, int32_t seed,
                                           int rows = -1) {
    const std::vector<Point> points = plainCellPoints(width, height, patternParam, seed);
    const float maxDist = plainMaxDist(width, height);
    std::vector<float> pattern(static_cast<std::size_t>(width) * height, 0.0f);
    const int lastRow = rows < 0 ? height : rows;
    for (int y = 0; y < lastRow; ++y) {
        for (int x = 0; x < width; ++x) {
            float f1 = maxDist;
            float f2 = maxDist;
            plainNearestTwoAt(points, x, y, f1, f2);
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            float e = (f2 - f1) / patternParam;
            e = clampf(e * 2.0f, 0.0f, 1.0f);
            const float v = (1.0f - e) * 0.8f + textureData[index] * 0.2f;
            pattern[index] = clampf(v, 0.0f, 1.0f);
        }
    }
    return pattern;
}

// The nearest two by a per-pixel bucket search: the points sorted into
// square buckets of about two points each, and every pixel on its own visits
// rings of buckets around it until no bucket left can hold a point nearer than
// its f2. Nothing is shared between neighbouring pixels; the benchmarks set it
// beside the library's tiled search. Same distances and updates as the plain
// loop.
class PerPixelGrid {
public:
    PerPixelGrid(const std::vector<Point>& points, int width, int height) {
        const double count = points.empty() ? 1.0 : static_cast<double>(points.size());
        side_ = std::sqrt(static_cast<double>(width) * height * 2.0 / count);
        gridW_ = std::max(1, static_cast<int>(std::ceil(width / side_)));
        gridH_ = std::max(1, static_cast<int>(std::ceil(height / side_)));
        buckets_.resize(static_cast<std::size_t>(gridW_) * gridH_);
        for (const Point& p : points) buckets_[bucketOf(p.x, p.y)].push_back(p);
    }

    void nearestTwoAt(int x, int y, float& f1, float& f2) const {
        const double px = x;
        const double py = y;
        const int cx = column(px);
        const int cy = row(py);
        for (int r = 0;; ++r) {
            for (int by = std::max(cy - r, 0); by <= std::min(cy + r, gridH_ - 1); ++by) {
                const bool edgeRow = by == cy - r || by == cy + r;
                for (int bx = std::max(cx - r, 0); bx <= std::min(cx + r, gridW_ - 1); ++bx) {
                    if (!edgeRow && bx != cx - r && bx != cx + r) continue;
                    plainNearestTwoAt(buckets_[static_cast<std::size_t>(by) * gridW_ + bx], x, y,
                                      f1, f2);
                }
            }
            // Distance to the nearest bucket not yet visited; a computed d
            // falls short of the true distance by far less than the slack.
            double reach = std::numeric_limits<double>::infinity();
            if (cx - r > 0) reach = std::min(reach, px - (cx - r) * side_);
            if (cx + r < gridW_ - 1) reach = std::min(reach, (cx + r + 1) * side_ - px);
            if (cy - r > 0) reach = std::min(reach, py - (cy - r) * side_);
            if (cy + r < gridH_ - 1) reach = std::min(reach, (cy + r + 1) * side_ - py);
            if (reach == std::numeric_limits<double>::infinity()) return;
            if (static_cast<double>(f2) < reach * (1.0 - 1e-6) - 1e-9) return;
        }
    }

private:
    int column(double x) const { return std::clamp(static_cast<int>(x / side_), 0, gridW_ - 1); }
    int row(double y) const { return std::clamp(static_cast<int>(y / side_), 0, gridH_ - 1); }
    std::size_t bucketOf(float x, float y) const {
        return static_cast<std::size_t>(row(y)) * gridW_ + column(x);
    }

    double side_ = 1.0;
    int gridW_ = 1;
    int gridH_ = 1;
    std::vector<std::vector<Point>> buckets_;
};

// f1 and f2 of every pixel by the per-pixel bucket search.
inline void perPixelGridNearestTwo(const std::vector<Point>& points, int width, int height,
                                   float maxDist, std::vector<float>& f1Out,
                                   std::vector<float>& f2Out) {
    const PerPixelGrid grid(points, width, height);
    nearestTwoOfEveryPixel(
        width, height, maxDist, f1Out, f2Out,
        [&](int x, int y, float& f1, float& f2) { grid.nearestTwoAt(x, y, f1, f2); });
}

// The staggered-disc pattern in its defining form: every disc
// visits every pixel. `rows` limits the pixel rows visited (the rest stay
// 0.3), so a benchmark can time a strip of a large image.
inline std::vector<float> plainStaggeredDiscs(const std::vector<float>& textureData, int width,
                                              int height, float patternParam, int rows = -1) {
    std::vector<float> pattern(static_cast<std::size_t>(width) * height, 0.3f);
    const float radius = patternParam / 2.0f;
    const float rowStep = patternParam * 0.7f;
    const int32_t lastRow = trunc32(static_cast<float>(height) / rowStep) + 2;
    const int32_t lastCol = trunc32(static_cast<float>(width) / patternParam) + 2;
    for (int32_t row = -2; row <= lastRow; ++row) {
        for (int32_t col = -2; col <= lastCol; ++col) {
            float cx = static_cast<float>(col) * patternParam;
            const float cy = static_cast<float>(row) * rowStep;
            if (row % 2 != 0) cx = cx + patternParam / 2.0f;
            for (int y = 0; y < (rows < 0 ? height : rows); ++y) {
                for (int x = 0; x < width; ++x) {
                    const float dx = static_cast<float>(x) - cx;
                    const float dy = static_cast<float>(y) - cy;
                    const float d = proctex::fsqrt(dx * dx + dy * dy);
                    if (d < radius) {
                        const std::size_t index = static_cast<std::size_t>(y) * width + x;
                        const float r = d / radius;
                        float v = 1.0f - r * 0.5f;
                        if (r > 0.85f) v = v + (r - 0.85f) / 0.15f * 0.3f;
                        v = v + textureData[index] * 0.1f;
                        v = clampf(v, 0.0f, 1.0f);
                        if (pattern[index] < v) pattern[index] = v;
                    }
                }
            }
        }
    }
    return pattern;
}

// A deterministic stand-in for a base height field: values in [0, 1].
inline std::vector<float> testField(int width, int height, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<float> field(static_cast<std::size_t>(width) * height);
    for (float& v : field) v = static_cast<float>(rng() >> 8) * 0x1p-24f;
    return field;
}

}  // namespace proctex::reference
