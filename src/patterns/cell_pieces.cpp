// The cells of the cell pattern as pieces: each pixel's nearest point, and
// the borders where a second point is nearly as near.
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {

namespace {

// Borders: where the second point is within this share of a cell's size as
// near as the first, the bright half of the pattern's border.
constexpr float kBorderShare = 0.25f;

// The points in square buckets of about a cell's size, so a pixel's nearest
// two lie in the buckets around its own.
struct Buckets {
    int columns = 1;
    int rows = 1;
    float sizeX = 1.0f;
    float sizeY = 1.0f;
    std::vector<std::vector<uint32_t>> members;

    Buckets(const std::vector<FeaturePoint>& points, int width, int height, float cell) {
        const float side = std::max(1.0f, std::fabs(cell));
        columns = std::clamp(truncToInt32(static_cast<float>(width) / side), 1, 4096);
        rows = std::clamp(truncToInt32(static_cast<float>(height) / side), 1, 4096);
        sizeX = static_cast<float>(width) / static_cast<float>(columns);
        sizeY = static_cast<float>(height) / static_cast<float>(rows);
        members.resize(static_cast<std::size_t>(columns) * rows);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const int bx = std::clamp(truncToInt32(points[i].x / sizeX), 0, columns - 1);
            const int by = std::clamp(truncToInt32(points[i].y / sizeY), 0, rows - 1);
            members[static_cast<std::size_t>(by) * columns + bx].push_back(
                static_cast<uint32_t>(i));
        }
    }
};

}  // namespace

PieceField cellPieces(int width, int height, float patternParam, int32_t seed, bool tiled) {
    PieceField pieces;
    pieces.id.resize(fieldSize(width, height));
    pieces.joint.resize(fieldSize(width, height));
    const std::vector<FeaturePoint> points =
        drawCellPoints(width, height, cellPointCount(width, height, patternParam), seed);
    const Buckets buckets(points, width, height, patternParam);
    const float border = kBorderShare * std::fabs(patternParam);
    const int reach = 2;
    for (int y = 0; y < height; ++y) {
        const int by =
            std::clamp(truncToInt32(static_cast<float>(y) / buckets.sizeY), 0, buckets.rows - 1);
        for (int x = 0; x < width; ++x) {
            const int bx = std::clamp(truncToInt32(static_cast<float>(x) / buckets.sizeX), 0,
                                      buckets.columns - 1);
            float d1 = INFINITY, d2 = INFINITY;
            uint32_t nearest = 0;
            for (int oy = -reach; oy <= reach; ++oy) {
                for (int ox = -reach; ox <= reach; ++ox) {
                    int cx = bx + ox, cy = by + oy;
                    // Tiling: the buckets past an edge are those of the far side,
                    // their points one image away.
                    float shiftX = 0.0f, shiftY = 0.0f;
                    if (tiled) {
                        if (cx < 0) cx += buckets.columns, shiftX = -static_cast<float>(width);
                        if (cx >= buckets.columns)
                            cx -= buckets.columns, shiftX = static_cast<float>(width);
                        if (cy < 0) cy += buckets.rows, shiftY = -static_cast<float>(height);
                        if (cy >= buckets.rows)
                            cy -= buckets.rows, shiftY = static_cast<float>(height);
                    }
                    if (cx < 0 || cy < 0 || cx >= buckets.columns || cy >= buckets.rows) continue;
                    for (uint32_t p :
                         buckets.members[static_cast<std::size_t>(cy) * buckets.columns + cx]) {
                        const float dx = points[p].x + shiftX - static_cast<float>(x);
                        const float dy = points[p].y + shiftY - static_cast<float>(y);
                        const float d = fsqrt(dx * dx + dy * dy);
                        if (d < d1) {
                            d2 = d1;
                            d1 = d;
                            nearest = p;
                        } else if (d < d2) {
                            d2 = d;
                        }
                    }
                }
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            pieces.id[i] = nearest;
            pieces.joint[i] = d2 - d1 < border ? 1 : 0;
        }
    }
    return pieces;
}

}  // namespace proctex
