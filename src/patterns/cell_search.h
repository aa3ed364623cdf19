// The exact nearest-two search of the cell pattern: the points in a grid of
// buckets, and the search over bands of pixels that uses it.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "patterns/pattern_internals.h"

namespace proctex {

// The points sorted into a uniform grid of buckets covering the rectangle
// [originX, originX + width) x [originY, originY + height), row-major, with
// the points of each bucket stored contiguously. Points outside it belong to
// the nearest edge bucket.
class PointGrid {
public:
    PointGrid(const std::vector<FeaturePoint>& points, double originX, double originY, double width,
              double height);
    PointGrid(const std::vector<FeaturePoint>& points, int width, int height)
        : PointGrid(points, 0.0, 0.0, width, height) {}

    std::size_t pointCount() const { return xs_.size(); }
    // Mean distance between points as the search sizes its tiles by it.
    double spacing() const;
    int gridW() const { return gridW_; }
    int gridH() const { return gridH_; }
    double originX() const { return originX_; }
    double originY() const { return originY_; }
    double cellW() const { return cellW_; }
    double cellH() const { return cellH_; }

    // Bucket column / row of a coordinate, clamped to the grid. Monotone in
    // its argument (a difference and a product with a positive constant,
    // then floor), so a range of coordinates maps to a range of buckets; the
    // points are sorted with the same functions.
    int cellX(double x) const { return clampIndex((x - originX_) * invCellW_, gridW_); }
    int cellY(double y) const { return clampIndex((y - originY_) * invCellH_, gridH_); }

    // The points of buckets (x0..x1, y) are the index range [begin, end).
    std::size_t rangeBegin(int x0, int y) const {
        return start_[static_cast<std::size_t>(y) * gridW_ + x0];
    }
    std::size_t rangeEnd(int x1, int y) const {
        return start_[static_cast<std::size_t>(y) * gridW_ + x1 + 1];
    }
    float x(std::size_t i) const { return xs_[i]; }
    float y(std::size_t i) const { return ys_[i]; }
    const float* xData() const { return xs_.data(); }
    const float* yData() const { return ys_.data(); }

private:
    std::size_t cellOf(const FeaturePoint& p) const {
        return static_cast<std::size_t>(cellY(p.y)) * gridW_ + static_cast<std::size_t>(cellX(p.x));
    }

    // floor(q) clamped to [0, size - 1]; for 0 < q < size - 1 the conversion
    // truncates, which is floor.
    static int clampIndex(double q, int size) {
        if (!(q > 0.0)) return 0;
        if (q >= size - 1) return size - 1;
        return static_cast<int>(q);
    }

    int gridW_ = 1;
    int gridH_ = 1;
    double originX_ = 0.0;
    double originY_ = 0.0;
    double areaW_ = 1.0;
    double areaH_ = 1.0;
    double cellW_ = 1.0;
    double cellH_ = 1.0;
    double invCellW_ = 1.0;
    double invCellH_ = 1.0;
    std::vector<std::size_t> start_;
    std::vector<float> xs_;
    std::vector<float> ys_;
};

// Receives the f1 and f2 of one band of pixel rows: rows y0 .. y0 + rows - 1,
// columns x0 .. x0 + columns - 1, rows `stride` values apart.
using BandSink = std::function<void(int x0, int y0, int columns, int rows, int stride,
                                    const float* f1, const float* f2)>;

// The smallest and second-smallest distance from every pixel of a width x
// height image to the grid's points, each capped at maxDist, exactly as the
// plain loop over every point finds them; handed over band by band.
void searchNearestTwo(const PointGrid& grid, int width, int height, float maxDist,
                      const BandSink& sink);

}  // namespace proctex
