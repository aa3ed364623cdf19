#include "gradient_noise_reference.h"

#include "core/fmath.h"
#include "core/numeric.h"

namespace proctex {

float gradientNoise(const TextureGenerator& generator, float x, float y) {
    using G = TextureGenerator;
    const int32_t* T = generator.permutation.data();
    const float fx = ffloor(x);
    const float fy = ffloor(y);
    const int32_t X = truncToInt32(fx) & 255;
    const int32_t Y = truncToInt32(fy) & 255;
    x = x - fx;
    y = y - fy;
    const float u = G::fade(x);
    const float v = G::fade(y);

    const int32_t A = T[X] + Y;
    const int32_t AA = T[A];
    const int32_t AB = T[A + 1];
    const int32_t B = T[X + 1] + Y;
    const int32_t BA = T[B];
    const int32_t BB = T[B + 1];

    const float g00 = G::grad(T[AA], x, y);
    const float g10 = G::grad(T[BA], x - 1.0f, y);
    const float g01 = G::grad(T[AB], x, y - 1.0f);
    const float g11 = G::grad(T[BB], x - 1.0f, y - 1.0f);
    const float n = G::lerp(v, G::lerp(u, g00, g10), G::lerp(u, g01, g11));
    return (n + 1.0f) / 2.0f;
}

}  // namespace proctex
