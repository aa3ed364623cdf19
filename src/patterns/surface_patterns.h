// Surfaces without pieces: hammered and tread-plate metal, fine scratches,
// and the end grain of a sawn log. Each takes patternParam as its main size
// in pixels, places its features with random values hashed from the seed,
// and wraps at the image edges when the material tiles.
#pragma once

#include "core/field.h"
#include "patterns/pattern_input.h"

namespace proctex {

// Round hammer dents about patternParam across (from 0.6 to 1.4 times
// that), overlapping: each a spherical cup of one hammer face, the deepest
// dent winning where they meet, so ridges stand between them.
FloatField generateHammeredPattern(const PatternInput& input);

// Tread plate: raised lozenges patternParam apart on a flat plate, along
// one diagonal and the other in a checker arrangement.
FloatField generateDiamondPlatePattern(const PatternInput& input);

// Thin grooves cut into the surface, patternParam long on average, mostly
// along the rows with some spread and a few astray, crossing each other. A
// negative patternParam brushes the surface as well: a dense field of very
// fine grooves along the rows under the scratches.
FloatField generateFineScratchPattern(const PatternInput& input);

// The end of a sawn log: growth rings patternParam apart on average, each
// year its own width, around a pith the seed places, bent by the relief,
// with a few radial cracks. Tiling, the distance to the pith is taken on the
// torus with sines, so the rings continue smoothly across the edges.
FloatField generateEndGrainPattern(const PatternInput& input);

}  // namespace proctex
