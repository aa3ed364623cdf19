#include "core/fmath.h"
#include "core/numeric.h"
#include "noise/octave_rows.h"
#include "noise/texture_generator.h"

namespace proctex {

int32_t latticePeriod(float period) {
    const int32_t p = truncToInt32(period);
    return p < 1 ? 1 : p;
}

float TextureGenerator::grad(int32_t hash, float x, float y) {
    const int32_t h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14 ? x : 0.0f);
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

float TextureGenerator::tileableNoise(float x, float y, float periodX, float periodY) const {
    const int32_t* T = permutation.data();
    const int32_t px = latticePeriod(periodX);
    const int32_t py = latticePeriod(periodY);
    const float fx = ffloor(x);
    const float fy = ffloor(y);
    int32_t x0, x1, y0, y1;
    wrapCorners(truncToInt32(fx), px, x0, x1);
    wrapCorners(truncToInt32(fy), py, y0, y1);
    x = x - fx;
    y = y - fy;
    const float u = fade(x);
    const float v = fade(y);

    const int32_t h00 = T[T[x0 & 255] + (y0 & 255)];
    const int32_t h01 = T[T[x0 & 255] + (y1 & 255)];
    const int32_t h10 = T[T[x1 & 255] + (y0 & 255)];
    const int32_t h11 = T[T[x1 & 255] + (y1 & 255)];
    const float n = lerp(v, lerp(u, grad(h00, x, y), grad(h10, x - 1.0f, y)),
                         lerp(u, grad(h01, x, y - 1.0f), grad(h11, x - 1.0f, y - 1.0f)));
    return (n + 1.0f) / 2.0f;
}

}  // namespace proctex
