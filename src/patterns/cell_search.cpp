// The cell pattern's nearest-two search: exact, but examining only the points
// near each tile of pixels.
#include "patterns/cell_search.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "core/fmath.h"

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
// Pixels are handled in square tiles, a band of tiles at a time from left to
// right. For the tile's centre c (a float) an upper bound B2 of the true
// (real-number) second-nearest distance is taken from any two points: the two
// nearest to c among the previous tile's candidates, else those found by a
// ring search over a bucket grid. The float squared distances behind the
// first kind err by less than 3e-7 relative (or, if they underflow, by a
// tiny absolute amount far inside kAbsoluteSlack), so their square root times
// (1 + kFloatSlack) is a true bound. Since the second-nearest distance is
// 1-Lipschitz, every pixel q of the tile has a true second-nearest distance of
// at most U = B2 + |q - c|max, and its computed f2 is at most min(U, maxDist)
// up to the rounding of d (relative error below 3e-7). The tile then takes
// every point whose true distance to the tile rectangle is at most
// R = min(U, maxDist) * (1 + 1e-5) + 1e-6. A point left out is farther than R
// from every pixel of the tile, so its computed d exceeds that pixel's
// computed f2 and it could not have changed f1 or f2. The test that picks the
// points runs in float: it compares squared distances, which err by less than
// 3e-7 relative, with (R * (1 + kFloatSlack))^2 rounded to float, so it keeps
// every point within R (and perhaps a few more, which is harmless). The
// distances themselves are computed with the plain loop's float operations,
// so the bits agree.
constexpr double kRelativeSlack = 1e-5;
constexpr double kAbsoluteSlack = 1e-6;
constexpr double kFloatSlack = 1e-6;

// Average number of points per bucket, the tile side in units of the mean
// point spacing and its limits in chunks, and how loose (in mean spacings) a
// bound from the previous tile may be before the ring search is tried; they
// only affect speed.
constexpr double kPointsPerBucket = 4.0;
constexpr double kTileFactor = 1.0;
constexpr double kMinTileChunks = 2.0;
constexpr double kDenseSpacing = 4.0;
constexpr double kMaxTileChunks = 8.0;
constexpr double kMaxReuseFactor = 4.0;
constexpr int64_t kMaxBucketsPerSide = int64_t{1} << 22;

}  // namespace

PointGrid::PointGrid(const std::vector<FeaturePoint>& points, double originX, double originY,
                     double width, double height)
    : originX_(originX), originY_(originY), areaW_(width), areaH_(height) {
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
    invCellW_ = gridW_ / w;
    invCellH_ = gridH_ / h;

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

double PointGrid::spacing() const {
    return std::sqrt(areaW_ * areaH_ / (2.0 * std::max(1.0, static_cast<double>(pointCount()))));
}

namespace {

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
        if (xlo > 0) reach = std::min(reach, cx - (grid.originX() + xlo * grid.cellW()));
        if (xhi < gw - 1) reach = std::min(reach, (grid.originX() + (xhi + 1) * grid.cellW()) - cx);
        if (ylo > 0) reach = std::min(reach, cy - (grid.originY() + ylo * grid.cellH()));
        if (yhi < gh - 1) reach = std::min(reach, (grid.originY() + (yhi + 1) * grid.cellH()) - cy);
        if (reach == std::numeric_limits<double>::infinity()) break;
        if (best2 <= reach * reach) break;
    }
    return best2;
}

// The two smallest values of a multiset, updated one value at a time.
inline void keepTwoSmallest(float s, float& a, float& b) {
    const float hi = a < s ? s : a;
    a = s < a ? s : a;
    b = hi < b ? hi : b;
}

// Four floats operated on lane by lane (IEEE single precision per lane).
using Float4 = float __attribute__((vector_size(16)));

// The float limit of squared distances that keeps every point within `radius`
// (true distance) of a rectangle: the float test below errs by less than
// 3e-7 relative, and the limit is radius * (1 + kFloatSlack), squared.
float floatLimitSq(double radius) {
    const double r = radius * (1.0 + kFloatSlack);
    return static_cast<float>(r * r);
}

// Appends to (outX, outY) from index `kept` every point i < n of (xs, ys)
// whose float squared distance to the rectangle [fx0, fx1] x [fy0, fy1] is at
// most limitSq, and returns the new count. Each point is written before the
// test, so the outputs need room for kept + n values.
std::size_t keepNear(const float* xs, const float* ys, std::size_t n, float fx0, float fx1,
                     float fy0, float fy1, float limitSq, float* outX, float* outY,
                     std::size_t kept) {
    const Float4 x0 = {fx0, fx0, fx0, fx0};
    const Float4 x1 = {fx1, fx1, fx1, fx1};
    const Float4 y0 = {fy0, fy0, fy0, fy0};
    const Float4 y1 = {fy1, fy1, fy1, fy1};
    const Float4 zero = {0.0f, 0.0f, 0.0f, 0.0f};
    const Float4 limit = {limitSq, limitSq, limitSq, limitSq};
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        Float4 qx;
        Float4 qy;
        std::memcpy(&qx, xs + i, sizeof(Float4));
        std::memcpy(&qy, ys + i, sizeof(Float4));
        Float4 gx = x0 - qx;
        const Float4 ex = qx - x1;
        gx = gx < ex ? ex : gx;
        gx = gx < zero ? zero : gx;
        Float4 gy = y0 - qy;
        const Float4 ey = qy - y1;
        gy = gy < ey ? ey : gy;
        gy = gy < zero ? zero : gy;
        const auto keep = gx * gx + gy * gy <= limit;
        for (int l = 0; l < 4; ++l) {
            outX[kept] = qx[l];
            outY[kept] = qy[l];
            kept += keep[l] != 0 ? 1 : 0;
        }
    }
    for (; i < n; ++i) {
        const float qx = xs[i];
        const float qy = ys[i];
        float gx = fx0 - qx;
        gx = gx < qx - fx1 ? qx - fx1 : gx;
        gx = gx < 0.0f ? 0.0f : gx;
        float gy = fy0 - qy;
        gy = gy < qy - fy1 ? qy - fy1 : gy;
        gy = gy < 0.0f ? 0.0f : gy;
        outX[kept] = qx;
        outY[kept] = qy;
        kept += gx * gx + gy * gy <= limitSq ? 1 : 0;
    }
    return kept;
}

// Upper bound of the squared float distance from (cx, cy) to its second-
// nearest of the n points (infinity with fewer than two), in four lanes.
float secondSmallestSq(const float* xs, const float* ys, std::size_t n, float cx, float cy) {
    const float inf = std::numeric_limits<float>::infinity();
    const Float4 vx = {cx, cx, cx, cx};
    const Float4 vy = {cy, cy, cy, cy};
    Float4 b1 = {inf, inf, inf, inf};
    Float4 b2 = b1;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        Float4 qx;
        Float4 qy;
        std::memcpy(&qx, xs + i, sizeof(Float4));
        std::memcpy(&qy, ys + i, sizeof(Float4));
        const Float4 dx = vx - qx;
        const Float4 dy = vy - qy;
        const Float4 s = dx * dx + dy * dy;
        const Float4 hi = b1 < s ? s : b1;
        b1 = s < b1 ? s : b1;
        b2 = hi < b2 ? hi : b2;
    }
    float best1 = inf;
    float best2 = inf;
    for (int l = 0; l < 4; ++l) {
        keepTwoSmallest(b1[l], best1, best2);
        keepTwoSmallest(b2[l], best1, best2);
    }
    for (; i < n; ++i) {
        const float dx = cx - xs[i];
        const float dy = cy - ys[i];
        keepTwoSmallest(dx * dx + dy * dy, best1, best2);
    }
    return best2;
}

// Pixels are scanned in chunks of kChunk x kChunk; sub-tiles and blocks are
// whole numbers of chunks.
constexpr int kChunk = 4;

// The two smallest squared distances s = dx * dx + dy * dy from the pixels of
// the chunk at (x0, y0) to the n candidates, row-major into s1 and s2 (which
// must start at infinity), with the plain loop's float operations: the update
// s1' = min(s1, s), s2' = min(s2, max(s1, s)) keeps the two smallest values of
// the multiset. The chunk's values stay in registers over the candidates.
void scanChunk(int x0, int y0, const float* candX, const float* candY, std::size_t n,
               float* __restrict s1, float* __restrict s2) {
    static_assert(kChunk == 4, "one chunk row is one vector of four floats");
    using V = Float4;
    const V px = {static_cast<float>(x0), static_cast<float>(x0 + 1), static_cast<float>(x0 + 2),
                  static_cast<float>(x0 + 3)};
    const V py = {static_cast<float>(y0), static_cast<float>(y0 + 1), static_cast<float>(y0 + 2),
                  static_cast<float>(y0 + 3)};
    V a1[kChunk];
    V a2[kChunk];
    for (int r = 0; r < kChunk; ++r) {
        std::memcpy(&a1[r], s1 + r * kChunk, sizeof(V));
        std::memcpy(&a2[r], s2 + r * kChunk, sizeof(V));
    }
    for (std::size_t k = 0; k < n; ++k) {
        const V qx = {candX[k], candX[k], candX[k], candX[k]};
        const V qy = {candY[k], candY[k], candY[k], candY[k]};
        const V dx = px - qx;
        const V dx2 = dx * dx;
        const V dy = py - qy;
        const V dy2 = dy * dy;
        for (int r = 0; r < kChunk; ++r) {
            const V row = {dy2[r], dy2[r], dy2[r], dy2[r]};
            const V s = dx2 + row;
            const V hi = a1[r] < s ? s : a1[r];
            a1[r] = s < a1[r] ? s : a1[r];
            a2[r] = hi < a2[r] ? hi : a2[r];
        }
    }
    for (int r = 0; r < kChunk; ++r) {
        std::memcpy(s1 + r * kChunk, &a1[r], sizeof(V));
        std::memcpy(s2 + r * kChunk, &a2[r], sizeof(V));
    }
}

// The tile side in pixels: about one point spacing, but at least
// kMinTileChunks chunks (below that the cost per tile outweighs the extra
// candidates) unless the points lie closer than kDenseSpacing, where the
// candidates would dominate.
int tileSide(double spacing) {
    const double minChunks = spacing < kDenseSpacing ? 1.0 : kMinTileChunks;
    return kChunk * static_cast<int>(std::clamp<double>(std::round(spacing * kTileFactor / kChunk),
                                                        minChunks, kMaxTileChunks));
}

// A tile of pixels, both ends inclusive.
struct TileRect {
    int x0, x1, y0, y1;
};

// The candidate lists, kept from tile to tile so they are allocated once:
// the current tile's, the previous tile's in the band (for its bound) and
// the bucket contents before the distance test.
struct CandidateLists {
    std::vector<float> x, y;
    std::vector<float> prevX, prevY;
    std::size_t prevCount = 0;
    std::vector<float> nearX, nearY;

    // Room for n points in every list that is filled next. Each list only
    // grows: the current and the previous lists trade places every tile.
    void reserve(std::size_t n) {
        for (std::vector<float>* list : {&x, &y, &nearX, &nearY}) {
            if (list->size() < n) list->resize(n);
        }
    }
    // The current tile's candidates become the previous tile's.
    void advance(std::size_t count) {
        x.swap(prevX);
        y.swap(prevY);
        prevCount = count;
    }
};

// A true upper bound of the second-nearest distance at the tile centre c:
// from the previous tile's candidates (any two points give one), else, when
// that bound is loose, by the ring search.
double secondNearestBoundAt(const PointGrid& grid, const CandidateLists& lists, float cx, float cy,
                            double spacing) {
    double second = std::numeric_limits<double>::infinity();
    if (lists.prevCount >= 2) {
        second = std::sqrt(static_cast<double>(secondSmallestSq(
                     lists.prevX.data(), lists.prevY.data(), lists.prevCount, cx, cy))) *
                 (1.0 + kFloatSlack);
    }
    if (!(second <= kMaxReuseFactor * spacing)) {
        second = std::min(second, std::sqrt(secondNearestBoundSq(grid, cx, cy)));
    }
    return second;
}

// R of the note at the top: every point that can be among the nearest two of
// a pixel of the tile lies within this distance of the tile rectangle.
double candidateRadius(const TileRect& t, float cx, float cy, double second, float maxDist) {
    // The farthest pixel of the tile from c.
    const double halfW = std::max(static_cast<double>(cx) - t.x0, t.x1 - static_cast<double>(cx));
    const double halfH = std::max(static_cast<double>(cy) - t.y0, t.y1 - static_cast<double>(cy));
    const double halfDiag = std::sqrt(halfW * halfW + halfH * halfH);
    const double bound = std::min(second + halfDiag, double{maxDist});
    return bound * (1.0 + kRelativeSlack) + kAbsoluteSlack;
}

// Copies the points of the buckets that `radius` around the tile touches,
// row by row, into lists.nearX/Y, then keeps in lists.x/y those in reach.
// Returns how many were kept.
std::size_t gatherCandidates(const PointGrid& grid, const TileRect& t, double radius,
                             CandidateLists& lists) {
    const int bx0 = grid.cellX(t.x0 - radius);
    const int bx1 = grid.cellX(t.x1 + radius);
    const int by0 = grid.cellY(t.y0 - radius);
    const int by1 = grid.cellY(t.y1 + radius);
    std::size_t total = 0;
    for (int by = by0; by <= by1; ++by) total += grid.rangeEnd(bx1, by) - grid.rangeBegin(bx0, by);
    lists.reserve(total);
    std::size_t gathered = 0;
    for (int by = by0; by <= by1; ++by) {
        const std::size_t begin = grid.rangeBegin(bx0, by);
        const std::size_t count = grid.rangeEnd(bx1, by) - begin;
        std::copy_n(grid.xData() + begin, count, lists.nearX.begin() + gathered);
        std::copy_n(grid.yData() + begin, count, lists.nearY.begin() + gathered);
        gathered += count;
    }
    return keepNear(lists.nearX.data(), lists.nearY.data(), gathered, static_cast<float>(t.x0),
                    static_cast<float>(t.x1), static_cast<float>(t.y0), static_cast<float>(t.y1),
                    floatLimitSq(radius), lists.x.data(), lists.y.data(), 0);
}

// The squared distances of a band are kept chunk by chunk: the kChunk x
// kChunk values of a chunk contiguous, row-major, chunks in row-major order
// of chunkCols per chunk row. Offset of the chunk whose corner is (x, y),
// with y counted from the top of the band.
std::size_t chunkOffset(int x, int yInBand, int chunkCols) {
    return (static_cast<std::size_t>(yInBand / kChunk) * chunkCols + x / kChunk) * kChunk * kChunk;
}

// Folds the n candidates into the two smallest squared distances (s1, s2)
// of every pixel of the tile.
void scanTile(const TileRect& t, const CandidateLists& lists, std::size_t n, int chunkCols,
              float* s1, float* s2) {
    for (int qy0 = t.y0; qy0 <= t.y1; qy0 += kChunk) {
        for (int qx0 = t.x0; qx0 <= t.x1; qx0 += kChunk) {
            const std::size_t at = chunkOffset(qx0, qy0 - t.y0, chunkCols);
            scanChunk(qx0, qy0, lists.x.data(), lists.y.data(), n, s1 + at, s2 + at);
        }
    }
}

// Turns a band's squared distances (chunk order, `values` of them) into f1
// and f2 in rows `stride` apart. sqrt is monotone, so the two smallest
// d = sqrt(s) are sqrt(s1) and sqrt(s2) (equal when the plain loop sees a
// tie), and with the two maxDist starting values the plain loop ends with
// f = min(maxDist, sqrt(s)).
void finishBand(std::vector<float>& s1, std::vector<float>& s2, std::size_t values, int rows,
                int chunkCols, int stride, float maxDist, std::vector<float>& f1,
                std::vector<float>& f2) {
    for (std::size_t i = 0; i < values; ++i) {
        const float d1 = fsqrt(s1[i]);
        const float d2 = fsqrt(s2[i]);
        s1[i] = d1 < maxDist ? d1 : maxDist;
        s2[i] = d2 < maxDist ? d2 : maxDist;
    }
    for (int y = 0; y < rows; ++y) {
        for (int c = 0; c < chunkCols; ++c) {
            const std::size_t from = chunkOffset(c * kChunk, y, chunkCols) + (y % kChunk) * kChunk;
            const std::size_t to = static_cast<std::size_t>(y) * stride + c * kChunk;
            std::copy_n(s1.begin() + from, kChunk, f1.begin() + to);
            std::copy_n(s2.begin() + from, kChunk, f2.begin() + to);
        }
    }
}

}  // namespace

// Runs the search band of tiles by band and hands each band's f1 and f2
// (width x bh values, rows `stride` apart) to sink(0, y0, width, bh, stride, f1, f2).
void searchNearestTwo(const PointGrid& grid, int width, int height, float maxDist,
                      const BandSink& sink) {
    if (width <= 0 || height <= 0) return;
    const double spacing = grid.spacing();
    const int tile = tileSide(spacing);
    const int chunkCols = (width + kChunk - 1) / kChunk;
    const int stride = chunkCols * kChunk;
    const std::size_t bandValues = static_cast<std::size_t>(stride) * tile;
    std::vector<float> s1(bandValues);
    std::vector<float> s2(bandValues);
    std::vector<float> f1(bandValues);
    std::vector<float> f2(bandValues);
    CandidateLists lists;

    for (int y0 = 0; y0 < height; y0 += tile) {
        const int y1 = std::min(height - 1, y0 + tile - 1);
        const int bh = y1 - y0 + 1;
        const int chunkRows = (bh + kChunk - 1) / kChunk;
        const std::size_t values = static_cast<std::size_t>(chunkRows) * stride * kChunk;
        std::fill_n(s1.begin(), values, std::numeric_limits<float>::infinity());
        std::fill_n(s2.begin(), values, std::numeric_limits<float>::infinity());
        lists.prevCount = 0;
        for (int x0 = 0; x0 < width; x0 += tile) {
            const TileRect t{x0, std::min(width - 1, x0 + tile - 1), y0, y1};
            const float cx = static_cast<float>(0.5 * (static_cast<double>(t.x0) + t.x1));
            const float cy = static_cast<float>(0.5 * (static_cast<double>(t.y0) + t.y1));
            const double second = secondNearestBoundAt(grid, lists, cx, cy, spacing);
            const double radius = candidateRadius(t, cx, cy, second, maxDist);
            const std::size_t candidates = gatherCandidates(grid, t, radius, lists);
            scanTile(t, lists, candidates, chunkCols, s1.data(), s2.data());
            lists.advance(candidates);
        }
        finishBand(s1, s2, values, bh, chunkCols, stride, maxDist, f1, f2);
        sink(0, y0, width, bh, stride, f1.data(), f2.data());
    }
}

}  // namespace proctex
