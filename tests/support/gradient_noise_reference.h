// The plain gradient noise that repeats every 256 units: the formula the
// octave kernels and the base fields are checked against, one sample at a
// time. The library itself samples through the row kernels only.
#pragma once

#include "noise/texture_generator.h"

namespace proctex {

// Gradient noise in 0..1 at (x, y) from the generator's permutation table.
float gradientNoise(const TextureGenerator& generator, float x, float y);

}  // namespace proctex
