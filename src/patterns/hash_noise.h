// Value noise from the layout hash: a random value per cell of a grid,
// blended smoothly between cell centres. Cells may be longer one way than
// the other (streaks); a tiling image holds whole cells, so the noise wraps.
// Cheaper and smoother than the base relief where a pattern wants a slow
// wander of its own.
#pragma once

#include <cstdint>

#include "core/fmath.h"
#include "core/numeric.h"
#include "patterns/piece_layout.h"

namespace proctex {

struct HashNoise {
    LayoutAxis x;
    LayoutAxis y;
    int32_t seed = 0;
    uint32_t salt = 0;

    // 0..1 at a pixel position.
    float at(float px, float py) const {
        const float u = px / x.step - 0.5f, v = py / y.step - 0.5f;
        const float fu = ffloor(u), fv = ffloor(v);
        const int64_t i = truncToInt32(fu), j = truncToInt32(fv);
        const float su = smoothStep(0.0f, 1.0f, u - fu), sv = smoothStep(0.0f, 1.0f, v - fv);
        auto cell = [&](int64_t a, int64_t b) {
            return layoutUnit(x.wrap(a), y.wrap(b), seed, salt);
        };
        const float top = cell(i, j) + (cell(i + 1, j) - cell(i, j)) * su;
        const float bottom = cell(i, j + 1) + (cell(i + 1, j + 1) - cell(i, j + 1)) * su;
        return top + (bottom - top) * sv;
    }
};

// Cells of about cellX by cellY pixels over a width x height image.
inline HashNoise hashNoise(int width, int height, float cellX, float cellY, bool tiled,
                           int32_t seed, uint32_t salt) {
    return {layoutAxis(width, cellX, tiled), layoutAxis(height, cellY, tiled), seed, salt};
}

}  // namespace proctex
