// Tiled shape patterns: staggered discs (patternType 8), checker (9),
// diamonds (11) and egg crate (12).
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/tiling.h"
#include "patterns/patterns.h"

namespace proctex {

namespace {

// First k in [lo, hi] with f(k) >= target (hi + 1 if none), for a
// non-decreasing f.
template <typename F>
int64_t firstAtLeast(int64_t lo, int64_t hi, double target, F f) {
    int64_t end = hi + 1;
    while (lo < end) {
        const int64_t mid = lo + (end - lo) / 2;
        if (static_cast<double>(f(mid)) >= target) {
            end = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// Last k in [lo, hi] with f(k) <= target (lo - 1 if none), for a
// non-decreasing f.
template <typename F>
int64_t lastAtMost(int64_t lo, int64_t hi, double target, F f) {
    int64_t end = hi + 1;
    const int64_t first = lo;
    while (lo < end) {
        const int64_t mid = lo + (end - lo) / 2;
        if (static_cast<double>(f(mid)) > target) {
            end = mid;
        } else {
            lo = mid + 1;
        }
    }
    return std::max(first, lo) - 1;
}

}  // namespace

// The pattern places (lastRow + 3) x (lastCol + 3) discs, and its plain form
// tests every pixel against every disc. A pixel can only be inside a disc when
// its exact distance to the centre along each axis is below
// radius * (1 + 1e-5): the computed sqrt(dx * dx + dy * dy) never falls short
// of that axis distance by more than a relative 3e-7. So for each pixel row we
// take the disc rows whose centre row cy lies within that reach, and for each
// of them the pixels within reach of each disc centre (the disc's bounding
// box), and run the exact per-pixel test on those pixels only. Both centre
// coordinates are non-decreasing in the row and column indices, so the ranges
// are found by binary search on the very centre values the discs use, which
// also keeps tiny discs (many per pixel) cheap. Discs combine by their
// maximum, which does not depend on the order of visits, so the field is the
// one of the full visit.
FloatField generateStaggeredDiscPattern(const FloatField& textureData, int width, int height,
                                        float patternParam) {
    FloatField pattern(fieldSize(width, height), 0.3f);
    const float radius = patternParam / 2.0f;
    const float rowStep = patternParam * 0.7f;
    const int64_t lastRow =
        static_cast<int64_t>(truncToInt32(static_cast<float>(height) / rowStep)) + 2;
    const int64_t lastCol =
        static_cast<int64_t>(truncToInt32(static_cast<float>(width) / patternParam)) + 2;
    // d < radius never holds for a radius that is not positive.
    if (!(radius > 0.0f) || !(rowStep > 0.0f) || lastRow < -2 || lastCol < -2) return pattern;

    const double reach = static_cast<double>(radius) * (1.0 + 1e-5) + 1e-18;
    const auto centreY = [&](int64_t row) {
        return static_cast<float>(static_cast<int32_t>(row)) * rowStep;
    };
    const auto centreX = [&](int64_t col, bool odd) {
        float cx = static_cast<float>(static_cast<int32_t>(col)) * patternParam;
        if (odd) cx = cx + patternParam / 2.0f;
        return cx;
    };
    const auto place = [&](float cx, float dy, int x, std::size_t rowIndex) {
        const float dx = static_cast<float>(x) - cx;
        const float d = fsqrt(dx * dx + dy * dy);
        if (!(d < radius)) return;
        const float r = d / radius;
        float v = 1.0f - r * 0.5f;
        if (r > 0.85f) v = v + (r - 0.85f) / 0.15f * 0.3f;
        const std::size_t index = rowIndex + static_cast<std::size_t>(x);
        v = v + textureData[index] * 0.1f;
        v = clamp(v, 0.0f, 1.0f);
        pattern[index] = std::max(pattern[index], v);
    };

    for (int y = 0; y < height; ++y) {
        const double fy = y;
        const std::size_t rowIndex = static_cast<std::size_t>(y) * width;
        const int64_t rowLo = firstAtLeast(-2, lastRow, fy - reach, centreY);
        const int64_t rowHi = lastAtMost(-2, lastRow, fy + reach, centreY);
        for (int64_t row = rowLo; row <= rowHi; ++row) {
            const float cy = centreY(row);
            const float dy = static_cast<float>(y) - cy;
            const bool odd = row % 2 != 0;
            const auto cxOf = [&](int64_t col) { return centreX(col, odd); };
            if (radius >= 0.5f) {
                // Discs at least a pixel wide: each disc's columns in turn.
                const int64_t colLo = firstAtLeast(-2, lastCol, -reach, cxOf);
                const int64_t colHi = lastAtMost(-2, lastCol, (width - 1) + reach, cxOf);
                for (int64_t col = colLo; col <= colHi; ++col) {
                    const float cx = cxOf(col);
                    const int xLo = static_cast<int>(std::max(0.0, std::ceil(cx - reach)));
                    const int xHi =
                        static_cast<int>(std::min<double>(width - 1, std::floor(cx + reach)));
                    for (int x = xLo; x <= xHi; ++x) place(cx, dy, x, rowIndex);
                }
            } else {
                // Discs smaller than a pixel: the few discs near each pixel.
                for (int x = 0; x < width; ++x) {
                    const int64_t colLo = firstAtLeast(-2, lastCol, x - reach, cxOf);
                    const int64_t colHi = lastAtMost(-2, lastCol, x + reach, cxOf);
                    for (int64_t col = colLo; col <= colHi; ++col)
                        place(cxOf(col), dy, x, rowIndex);
                }
            }
        }
    }
    return pattern;
}

FloatField generateCheckerPattern(int width, int height, float patternParam) {
    FloatField pattern(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const int64_t cy = truncToInt32(static_cast<float>(y) / patternParam);
        for (int x = 0; x < width; ++x) {
            const int64_t cx = truncToInt32(static_cast<float>(x) / patternParam);
            pattern[static_cast<std::size_t>(y) * width + x] = (cx + cy) % 2 == 0 ? 1.0f : 0.0f;
        }
    }
    return pattern;
}

FloatField generateDiamondPattern(const FloatField& textureData, int width, int height,
                                  float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const float half = patternParam / 2.0f;
    const float reach = patternParam * 0.4f;
    for (int y = 0; y < height; ++y) {
        const float fy = static_cast<float>(y);
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float lx = ffmod(static_cast<float>(x) + fy * 0.5f, patternParam);
            const float ly = ffmod(fy, patternParam);
            const float d = std::fabs(lx - half) + std::fabs(ly - half);
            float bump = 0.0f;
            if (d < reach) bump = (1.0f - d / reach) * 0.15f;
            pattern[index] = clamp((0.55f + textureData[index] * 0.1f) + bump, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateEggCratePattern(const FloatField& textureData, int width, int height,
                                   float patternParam) {
    FloatField pattern(fieldSize(width, height));
    // sin(x / patternParam) of every column, computed once.
    std::vector<float> sx(static_cast<std::size_t>(std::max(width, 0)));
    for (int x = 0; x < width; ++x) sx[x] = fsin(static_cast<float>(x) / patternParam);
    for (int y = 0; y < height; ++y) {
        const float sy = fsin(static_cast<float>(y) / patternParam);
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float w = std::fabs(sx[x] * sy) * 0.3f;
            const float v = fpow((textureData[index] * 0.5f + w) + 0.3f, 1.2f);
            pattern[index] = clamp(v, 0.0f, 1.0f);
        }
    }
    return pattern;
}

// Every disc of the periodic layout is visited once, over the pixels of its
// bounding box taken modulo the image size, so a disc that crosses an edge
// continues on the opposite one; discs combine by their maximum as in the
// plain form.
FloatField generateTiledDiscPattern(const FloatField& textureData, int width, int height,
                                    float patternParam) {
    FloatField pattern(fieldSize(width, height), 0.3f);
    if (!(patternParam > 0.0f)) return pattern;  // no disc has a positive radius
    const int32_t columns = wholePeriods(width, patternParam);
    const int32_t rows = evenPeriods(height, patternParam * 0.7f);
    const float columnStep = static_cast<float>(width) / static_cast<float>(columns);
    const float rowStep = static_cast<float>(height) / static_cast<float>(rows);
    const float radius = columnStep / 2.0f;
    for (int32_t row = 0; row < rows; ++row) {
        const float cy = static_cast<float>(row) * rowStep;
        const float shift = row % 2 != 0 ? columnStep / 2.0f : 0.0f;
        const int64_t yLo = static_cast<int64_t>(std::ceil(cy - radius));
        const int64_t yHi = static_cast<int64_t>(std::floor(cy + radius));
        for (int32_t col = 0; col < columns; ++col) {
            const float cx = static_cast<float>(col) * columnStep + shift;
            const int64_t xLo = static_cast<int64_t>(std::ceil(cx - radius));
            const int64_t xHi = static_cast<int64_t>(std::floor(cx + radius));
            for (int64_t py = yLo; py <= yHi; ++py) {
                const float dy = static_cast<float>(py) - cy;
                const std::size_t rowIndex =
                    static_cast<std::size_t>(wrapIndex(py, height)) * width;
                for (int64_t px = xLo; px <= xHi; ++px) {
                    const float dx = static_cast<float>(px) - cx;
                    const float d = fsqrt(dx * dx + dy * dy);
                    if (!(d < radius)) continue;
                    const float r = d / radius;
                    float v = 1.0f - r * 0.5f;
                    if (r > 0.85f) v = v + (r - 0.85f) / 0.15f * 0.3f;
                    const std::size_t index =
                        rowIndex + static_cast<std::size_t>(wrapIndex(px, width));
                    v = clamp(v + textureData[index] * 0.1f, 0.0f, 1.0f);
                    pattern[index] = std::max(pattern[index], v);
                }
            }
        }
    }
    return pattern;
}

PieceField checkerPieces(int width, int height, float patternParam, bool tiled) {
    PieceField pieces;
    pieces.id.resize(fieldSize(width, height));
    pieces.joint.assign(fieldSize(width, height), 0);  // squares meet without a joint
    const int64_t columns = tiled ? evenPeriods(width, patternParam) : 0;
    const int64_t rows = tiled ? evenPeriods(height, patternParam) : 0;
    for (int y = 0; y < height; ++y) {
        const int64_t cy =
            tiled ? y * rows / height : truncToInt32(static_cast<float>(y) / patternParam);
        for (int x = 0; x < width; ++x) {
            const int64_t cx =
                tiled ? x * columns / width : truncToInt32(static_cast<float>(x) / patternParam);
            pieces.id[static_cast<std::size_t>(y) * width + x] =
                static_cast<uint32_t>(cy) * 65536u + static_cast<uint32_t>(cx);
        }
    }
    return pieces;
}

// Block indices in whole numbers: column x * columns / width, exact in
// integers, so every block is as wide as the image allows.
FloatField generateTiledCheckerPattern(int width, int height, float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const int64_t columns = evenPeriods(width, patternParam);
    const int64_t rows = evenPeriods(height, patternParam);
    for (int y = 0; y < height; ++y) {
        const int64_t cy = y * rows / height;
        for (int x = 0; x < width; ++x) {
            const int64_t cx = x * columns / width;
            pattern[static_cast<std::size_t>(y) * width + x] = (cx + cy) % 2 == 0 ? 1.0f : 0.0f;
        }
    }
    return pattern;
}

FloatField generateTiledDiamondPattern(const FloatField& textureData, int width, int height,
                                       float patternParam) {
    FloatField pattern(fieldSize(width, height));
    const float cellW =
        static_cast<float>(width) / static_cast<float>(wholePeriods(width, patternParam));
    const float cellH =
        static_cast<float>(height) / static_cast<float>(wholePeriods(height, patternParam));
    // The plain form shears by half a pixel per row; over the height that
    // becomes the nearest whole number of cells, so the bottom row meets the top.
    const float shearCells = fround(static_cast<float>(height) * 0.5f / cellW);
    const float shear = shearCells * cellW / static_cast<float>(height);
    const float reach = std::copysign(std::min(cellW, cellH) * 0.4f, patternParam);
    for (int y = 0; y < height; ++y) {
        const float fy = static_cast<float>(y);
        const float ly = ffmod(fy, cellH);
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float lx = ffmod(static_cast<float>(x) + fy * shear, cellW);
            const float d = std::fabs(lx - cellW / 2.0f) + std::fabs(ly - cellH / 2.0f);
            float bump = 0.0f;
            if (d < reach) bump = (1.0f - d / reach) * 0.15f;
            pattern[index] = clamp((0.55f + textureData[index] * 0.1f) + bump, 0.0f, 1.0f);
        }
    }
    return pattern;
}

FloatField generateTiledEggCratePattern(const FloatField& textureData, int width, int height,
                                        float patternParam) {
    FloatField pattern(fieldSize(width, height));
    // |sin(x / param) sin(y / param)| repeats every pi x param pixels.
    const float stepX = fittedPhaseStep(width, kHalfTurn * patternParam, kHalfTurn);
    const float stepY = fittedPhaseStep(height, kHalfTurn * patternParam, kHalfTurn);
    std::vector<float> sx(static_cast<std::size_t>(std::max(width, 0)));
    for (int x = 0; x < width; ++x) sx[x] = fsin(static_cast<float>(x) * stepX);
    for (int y = 0; y < height; ++y) {
        const float sy = fsin(static_cast<float>(y) * stepY);
        for (int x = 0; x < width; ++x) {
            const std::size_t index = static_cast<std::size_t>(y) * width + x;
            const float w = std::fabs(sx[x] * sy) * 0.3f;
            const float v = fpow((textureData[index] * 0.5f + w) + 0.3f, 1.2f);
            pattern[index] = clamp(v, 0.0f, 1.0f);
        }
    }
    return pattern;
}

}  // namespace proctex
