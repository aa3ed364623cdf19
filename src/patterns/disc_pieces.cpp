// The discs' pieces: each pixel belongs to the disc whose centre is nearest
// (where discs overlap, the one that covers more of it); the plate between
// the discs is the joint, each bit of it the piece of its nearest disc.
#include <cmath>
#include <limits>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/tiling.h"
#include "patterns/patterns.h"

namespace proctex {

PieceField discPieces(int width, int height, float patternParam, bool tiled) {
    PieceField pieces;
    pieces.id.assign(fieldSize(width, height), 0);
    pieces.joint.assign(fieldSize(width, height), 1);
    if (!(patternParam > 0.0f)) return pieces;
    // The centres as the two disc layouts place them: rows 0.7 diameters
    // apart, every other row shifted by half a column.
    const float columnStep =
        tiled ? static_cast<float>(width) / static_cast<float>(wholePeriods(width, patternParam))
              : patternParam;
    const float rowStep = tiled ? static_cast<float>(height) /
                                      static_cast<float>(evenPeriods(height, patternParam * 0.7f))
                                : patternParam * 0.7f;
    const int32_t columns = tiled ? wholePeriods(width, patternParam) : 0;
    const int32_t rows = tiled ? evenPeriods(height, patternParam * 0.7f) : 0;
    const float radius = columnStep / 2.0f;
    // The distances as the patterns take them (their float operations in
    // their order), so a pixel on a disc's rim is in the same disc here.
    const auto distance = [&](int x, int y, int32_t row, int32_t col) {
        const int32_t r = tiled ? wrapIndex(row, rows) : row;
        const int32_t c = tiled ? wrapIndex(col, columns) : col;
        const bool odd = r % 2 != 0;
        const float cy = static_cast<float>(r) * rowStep;
        float cx = static_cast<float>(c) * columnStep;
        if (odd) cx = cx + columnStep / 2.0f;
        // Tiling: the copy of the disc across the edge, at whole images.
        const int64_t px = x - int64_t{(col - c) / (tiled ? columns : 1)} * width;
        const int64_t py = y - int64_t{(row - r) / (tiled ? rows : 1)} * height;
        const float dx = static_cast<float>(px) - cx;
        const float dy = static_cast<float>(py) - cy;
        return fsqrt(dx * dx + dy * dy);
    };
    for (int y = 0; y < height; ++y) {
        const int32_t nearRow = truncToInt32(std::floor(static_cast<float>(y) / rowStep));
        for (int x = 0; x < width; ++x) {
            float best = std::numeric_limits<float>::max();
            uint32_t id = 0;
            for (int32_t row = nearRow - 1; row <= nearRow + 2; ++row) {
                const bool odd = (tiled ? wrapIndex(row, rows) : row) % 2 != 0;
                const float shift = odd ? columnStep / 2.0f : 0.0f;
                const int32_t nearCol =
                    truncToInt32(std::floor((static_cast<float>(x) - shift) / columnStep));
                for (int32_t col = nearCol - 1; col <= nearCol + 2; ++col) {
                    const float d = distance(x, y, row, col);
                    if (d >= best) continue;
                    best = d;
                    // Tiling: a disc and its copy across the edge are one piece.
                    const int64_t r = tiled ? wrapIndex(row, rows) : row;
                    const int64_t c = tiled ? wrapIndex(col, columns) : col;
                    id = static_cast<uint32_t>(r + 4) * 65536u + static_cast<uint32_t>(c + 4);
                }
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            pieces.id[i] = id;
            pieces.joint[i] = best < radius ? 0 : 1;
        }
    }
    return pieces;
}

}  // namespace proctex
