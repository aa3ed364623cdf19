// Cell-border pattern (patternType 6) and its exact, fast nearest-two search.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {

namespace {

// Why the search is exact
// -----------------------
// The plain loop (every pixel against every point) keeps, for each pixel, the
// smallest and the second-smallest value of the multiset {maxDist, maxDist,
// d(p) for every point p}, where d is sqrt(dx * dx + dy * dy) in single
// precision: with its strict comparisons a repeated value counts twice, and
// the result does not depend on the order of the points. Leaving out a point
// whose d is at least the final f2 changes neither value. So it is enough to
// examine, for every pixel, a set of points that surely holds every point
// with a smaller d.
//
// Pixels are handled in square tiles. For the tile's centre c an upper bound
// B2 of the true (real-number) second-nearest distance is found by a ring
// search over a bucket grid; any two points give such a bound. Since the
// second-nearest distance is 1-Lipschitz, every pixel q of the tile has a
// true second-nearest distance of at most U = B2 + |q - c|max, and its
// computed f2 is at most min(U, maxDist) up to the rounding of d (relative
// error below 3e-7). The tile then takes every point whose true distance to
// the tile rectangle is at most R = min(U, maxDist) * (1 + 1e-5) + 1e-6. A
// point left out is farther than R from every pixel of the tile, so its
// computed d exceeds that pixel's computed f2 and it could not have changed
// f1 or f2. The distances themselves are computed with the plain loop's float
// operations, so the bits agree.
constexpr double kRelativeSlack = 1e-5;
constexpr double kAbsoluteSlack = 1e-6;

// Average number of points per bucket, tile side in units of the mean point
// spacing and the tile side limits; they only affect speed.
constexpr double kPointsPerBucket = 2.0;
constexpr double kTileSideFactor = 1.0;
constexpr int kMinTileSide = 8;
constexpr double kDenseSpacing = 4.0;
constexpr int kMaxTileSide = 32;
constexpr int64_t kMaxBucketsPerSide = int64_t{1} << 22;

// The points sorted into a uniform grid of buckets covering [0, width) x
// [0, height), row-major, with the points of each bucket stored contiguously.
class PointGrid {
public:
    PointGrid(const std::vector<FeaturePoint>& points, int width, int height) {
        const double count = std::max<double>(1.0, static_cast<double>(points.size()));
        const double w = width;
        const double h = height;
        const double side = std::sqrt(w * h * kPointsPerBucket / count);
        const double buckets = std::ceil(count / kPointsPerBucket);
        double gw = 0.0;
        double gh = 0.0;
        if (side >= h) {
            gh = 1.0;
            gw = buckets;
        } else if (side >= w) {
            gw = 1.0;
            gh = buckets;
        } else {
            gw = std::ceil(w / side);
            gh = std::ceil(h / side);
        }
        gridW_ = static_cast<int>(std::clamp<double>(gw, 1.0, kMaxBucketsPerSide));
        gridH_ = static_cast<int>(std::clamp<double>(gh, 1.0, kMaxBucketsPerSide));
        cellW_ = w / gridW_;
        cellH_ = h / gridH_;

        // Counting sort by bucket; the bucket of a point is recomputed rather
        // than stored, which keeps the memory per point low.
        const std::size_t cells = static_cast<std::size_t>(gridW_) * gridH_;
        start_.assign(cells + 1, 0);
        for (const FeaturePoint& p : points) ++start_[cellOf(p) + 1];
        for (std::size_t c = 0; c < cells; ++c) start_[c + 1] += start_[c];
        xs_.resize(points.size());
        ys_.resize(points.size());
        for (const FeaturePoint& p : points) {
            const std::size_t slot = start_[cellOf(p)]++;
            xs_[slot] = p.x;
            ys_[slot] = p.y;
        }
        // Each start_[c] now holds the end of bucket c: shift back.
        for (std::size_t c = cells; c > 0; --c) start_[c] = start_[c - 1];
        start_[0] = 0;
    }

    std::size_t pointCount() const { return xs_.size(); }
    int gridW() const { return gridW_; }
    int gridH() const { return gridH_; }
    double cellW() const { return cellW_; }
    double cellH() const { return cellH_; }

    // Bucket column / row of a coordinate, clamped to the grid. Monotone in
    // its argument, so a range of coordinates maps to a range of buckets.
    int cellX(double x) const { return clampIndex(std::floor(x / cellW_), gridW_); }
    int cellY(double y) const { return clampIndex(std::floor(y / cellH_), gridH_); }

    // The points of buckets (x0..x1, y) are the index range [begin, end).
    std::size_t rangeBegin(int x0, int y) const {
        return start_[static_cast<std::size_t>(y) * gridW_ + x0];
    }
    std::size_t rangeEnd(int x1, int y) const {
        return start_[static_cast<std::size_t>(y) * gridW_ + x1 + 1];
    }
    float x(std::size_t i) const { return xs_[i]; }
    float y(std::size_t i) const { return ys_[i]; }

private:
    std::size_t cellOf(const FeaturePoint& p) const {
        return static_cast<std::size_t>(cellY(p.y)) * gridW_ + static_cast<std::size_t>(cellX(p.x));
    }

    static int clampIndex(double q, int size) {
        if (!(q > 0.0)) return 0;
        if (q >= size - 1) return size - 1;
        return static_cast<int>(q);
    }

    int gridW_ = 1;
    int gridH_ = 1;
    double cellW_ = 1.0;
    double cellH_ = 1.0;
    std::vector<std::size_t> start_;
    std::vector<float> xs_;
    std::vector<float> ys_;
};

// Upper bound of the squared true distance from (cx, cy) to its second-nearest
// point (infinity with fewer than two points): the two nearest points found by
// searching rings of buckets until no unvisited bucket can hold a nearer one.
double secondNearestBoundSq(const PointGrid& grid, double cx, double cy) {
    double best1 = std::numeric_limits<double>::infinity();
    double best2 = best1;
    const auto visit = [&](int x0, int x1, int y) {
        const std::size_t end = grid.rangeEnd(x1, y);
        for (std::size_t i = grid.rangeBegin(x0, y); i < end; ++i) {
            const double dx = cx - grid.x(i);
            const double dy = cy - grid.y(i);
            const double d = dx * dx + dy * dy;
            if (d < best1) {
                best2 = best1;
                best1 = d;
            } else if (d < best2) {
                best2 = d;
            }
        }
    };
    const int gw = grid.gridW();
    const int gh = grid.gridH();
    const int ix = grid.cellX(cx);
    const int iy = grid.cellY(cy);
    for (int r = 0;; ++r) {
        const int xlo = ix - r;
        const int xhi = ix + r;
        const int ylo = iy - r;
        const int yhi = iy + r;
        for (int y = std::max(ylo, 0); y <= std::min(yhi, gh - 1); ++y) {
            if (y == ylo || y == yhi) {
                visit(std::max(xlo, 0), std::min(xhi, gw - 1), y);
            } else {
                if (xlo >= 0) visit(xlo, xlo, y);
                if (xhi <= gw - 1) visit(xhi, xhi, y);
            }
        }
        // Distance from the centre to the nearest bucket not yet visited.
        double reach = std::numeric_limits<double>::infinity();
        if (xlo > 0) reach = std::min(reach, cx - xlo * grid.cellW());
        if (xhi < gw - 1) reach = std::min(reach, (xhi + 1) * grid.cellW() - cx);
        if (ylo > 0) reach = std::min(reach, cy - ylo * grid.cellH());
        if (yhi < gh - 1) reach = std::min(reach, (yhi + 1) * grid.cellH() - cy);
        if (reach == std::numeric_limits<double>::infinity()) break;
        if (best2 <= reach * reach) break;
    }
    return best2;
}

}  // namespace

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

namespace {

// clamp(v, 0, 1) written as two selects so that loops over it vectorise; the
// same values as clamp, a NaN passing through.
inline float clampUnit(float v) {
    v = v < 0.0f ? 0.0f : v;
    return v > 1.0f ? 1.0f : v;
}

// Runs the search tile by tile and hands each tile's f1 and f2 (row-major,
// tw x th values) to sink(x0, y0, tw, th, f1, f2).
template <typename Sink>
void searchTiles(const PointGrid& grid, int width, int height, float maxDist, Sink&& sink) {
    if (width <= 0 || height <= 0) return;
    const double spacing = std::sqrt(static_cast<double>(width) * height /
                                     (2.0 * std::max<double>(1.0, grid.pointCount())));
    // Tiles of about one point spacing, but at least kMinTileSide wide (below
    // that the cost per tile outweighs the extra candidates) unless the points
    // lie closer than kDenseSpacing, where the candidates would dominate.
    const int minTile = spacing < kDenseSpacing ? 1 : kMinTileSide;
    const int tile = static_cast<int>(
        std::clamp<double>(std::round(spacing * kTileSideFactor), minTile, kMaxTileSide));

    constexpr std::size_t kTilePixels = std::size_t{kMaxTileSide} * kMaxTileSide;
    std::array<float, kTilePixels> px{};
    std::array<float, kTilePixels> py{};
    std::array<float, kTilePixels> s1{};
    std::array<float, kTilePixels> s2{};
    std::vector<float> candX;
    std::vector<float> candY;

    for (int y0 = 0; y0 < height; y0 += tile) {
        const int y1 = std::min(height - 1, y0 + tile - 1);
        for (int x0 = 0; x0 < width; x0 += tile) {
            const int x1 = std::min(width - 1, x0 + tile - 1);

            // Search radius around the tile rectangle.
            const double cx = 0.5 * (static_cast<double>(x0) + x1);
            const double cy = 0.5 * (static_cast<double>(y0) + y1);
            const double halfW = 0.5 * (x1 - x0);
            const double halfH = 0.5 * (y1 - y0);
            const double halfDiag = std::sqrt(halfW * halfW + halfH * halfH);
            const double bound =
                std::min(std::sqrt(secondNearestBoundSq(grid, cx, cy)) + halfDiag, double{maxDist});
            const double radius = bound * (1.0 + kRelativeSlack) + kAbsoluteSlack;
            const double radiusSq = radius * radius;

            // Every point within `radius` of the rectangle.
            std::size_t candidates = 0;
            const int bx0 = grid.cellX(x0 - radius);
            const int bx1 = grid.cellX(x1 + radius);
            const int by0 = grid.cellY(y0 - radius);
            const int by1 = grid.cellY(y1 + radius);
            std::size_t reserve = 0;
            for (int by = by0; by <= by1; ++by) {
                reserve += grid.rangeEnd(bx1, by) - grid.rangeBegin(bx0, by);
            }
            if (candX.size() < reserve) {
                candX.resize(reserve);
                candY.resize(reserve);
            }
            for (int by = by0; by <= by1; ++by) {
                const std::size_t end = grid.rangeEnd(bx1, by);
                for (std::size_t i = grid.rangeBegin(bx0, by); i < end; ++i) {
                    const double qx = grid.x(i);
                    const double qy = grid.y(i);
                    const double gx = std::max({0.0, x0 - qx, qx - x1});
                    const double gy = std::max({0.0, y0 - qy, qy - y1});
                    candX[candidates] = grid.x(i);
                    candY[candidates] = grid.y(i);
                    candidates += gx * gx + gy * gy <= radiusSq ? 1 : 0;
                }
            }

            // The two smallest squared distances s = dx * dx + dy * dy, with
            // the plain loop's float operations, candidates outer so that it
            // vectorises: s1' = min(s1, s), s2' = min(s2, max(s1, s)) keep the
            // two smallest values of the multiset. sqrt is monotone, so the
            // two smallest d = sqrt(s) are sqrt(s1) and sqrt(s2) (equal when
            // the plain loop sees a tie), and with the two maxDist starting
            // values the plain loop ends with f = min(maxDist, sqrt(s)).
            const int tw = x1 - x0 + 1;
            const int th = y1 - y0 + 1;
            const int count = tw * th;
            for (int y = y0, i = 0; y <= y1; ++y) {
                for (int x = x0; x <= x1; ++x, ++i) {
                    px[i] = static_cast<float>(x);
                    py[i] = static_cast<float>(y);
                }
            }
            std::fill_n(s1.begin(), count, std::numeric_limits<float>::infinity());
            std::fill_n(s2.begin(), count, std::numeric_limits<float>::infinity());
            for (std::size_t k = 0; k < candidates; ++k) {
                const float qx = candX[k];
                const float qy = candY[k];
                for (int i = 0; i < count; ++i) {
                    const float dx = px[i] - qx;
                    const float dy = py[i] - qy;
                    const float s = dx * dx + dy * dy;
                    const float a = s1[i];
                    const float b = s2[i];
                    const float hi = a < s ? s : a;
                    s1[i] = s < a ? s : a;
                    s2[i] = hi < b ? hi : b;
                }
            }
            for (int i = 0; i < count; ++i) {
                const float d1 = fsqrt(s1[i]);
                const float d2 = fsqrt(s2[i]);
                s1[i] = d1 < maxDist ? d1 : maxDist;
                s2[i] = d2 < maxDist ? d2 : maxDist;
            }
            sink(x0, y0, tw, th, s1.data(), s2.data());
        }
    }
}

}  // namespace

NearestTwo nearestTwoDistances(const std::vector<FeaturePoint>& points, int width, int height,
                               float maxDist) {
    NearestTwo result;
    result.f1.assign(fieldSize(width, height), maxDist);
    result.f2.assign(fieldSize(width, height), maxDist);
    if (width <= 0 || height <= 0) return result;
    searchTiles(PointGrid(points, width, height), width, height, maxDist,
                [&](int x0, int y0, int tw, int th, const float* f1, const float* f2) {
                    for (int y = 0; y < th; ++y) {
                        const std::size_t row = static_cast<std::size_t>(y0 + y) * width + x0;
                        std::copy_n(f1 + y * tw, tw, result.f1.begin() + row);
                        std::copy_n(f2 + y * tw, tw, result.f2.begin() + row);
                    }
                });
    return result;
}

namespace {

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
    searchTiles(grid, width, height, maxDist,
                [&](int x0, int y0, int tw, int th, const float* f1, const float* f2) {
                    for (int y = 0; y < th; ++y) {
                        const std::size_t row = static_cast<std::size_t>(y0 + y) * width + x0;
                        const float* d1 = f1 + y * tw;
                        const float* d2 = f2 + y * tw;
                        const float* h = textureData.data() + row;
                        float* out = pattern.data() + row;
                        shadeCells(d1, d2, h, out, static_cast<std::size_t>(tw), patternParam);
                    }
                });
    return pattern;
}

}  // namespace proctex
