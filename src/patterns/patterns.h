// The eleven pattern functions of patternType 2 to 12.
//
// Each takes the base height field (read only, except the checker pattern,
// which takes none), the size and patternParam, and returns a new field of
// width x height values that replaces the base field. They evaluate their
// formulas operation by operation in single precision, so the results are
// bit-exact. Callers reject a zero or non-finite patternParam for the types
// whose formulas would divide by it (see patternRequestProblem); the functions
// themselves accept every value and then give whatever the formulas give.
#pragma once

#include <cstdint>

#include "core/field.h"
#include "core/pieces.h"

namespace proctex {

// patternType 2: rings patternParam pixels apart around the image
// centre, bent by the height field. `seamless` is accepted and has no effect.
FloatField generateRingPattern(const FloatField& textureData, int width, int height,
                               float patternParam, bool seamless);

// patternType 3: dark grooves along x + 0.6 y = const, pi x
// patternParam apart. `seamless` is accepted and has no effect.
FloatField generateGroovePattern(const FloatField& textureData, int width, int height,
                                 float patternParam, bool seamless);

// patternType 4: gamma (patternParam limited to [0.5, 3]) then smoothstep.
FloatField generateToneCurvePattern(const FloatField& textureData, int width, int height,
                                    float patternParam);

// patternType 5: lifts the field into [0.3, 1] and darkens both ends
// by up to 30 percent; patternParam is the exponent of the darkening weight.
FloatField generateDampedExtremesPattern(const FloatField& textureData, int width, int height,
                                         float patternParam);

// patternType 6: bright borders of random Voronoi cells, about
// 2 x patternParam^2 pixels per cell. Uses an exact nearest-two search that
// gives the same field as checking every point for every pixel.
FloatField generateCellPattern(const FloatField& textureData, int width, int height,
                               float patternParam, int32_t seed);

// patternType 7: brushed surface with 50..500 random fading
// scratches (patternParam scratches per 10 000 pixels).
// `unit` pixels per unit of a material sized on the tile: scratches `unit`
// times as long and round(unit) rows thick, the ripple `unit` times as wide;
// 1 gives the fields above.
FloatField generateBrushedScratchesPattern(const FloatField& textureData, int width, int height,
                                           float patternParam, int32_t seed, float unit = 1.0f);

// patternType 8: overlapping discs of diameter patternParam on
// staggered rows over a base level of 0.3. Visits only the pixels of each
// disc's bounding box; the field equals that of visiting every pixel for
// every disc.
FloatField generateStaggeredDiscPattern(const FloatField& textureData, int width, int height,
                                        float patternParam);

// patternType 9: checkerboard of patternParam-pixel blocks, 1 and 0.
FloatField generateCheckerPattern(int width, int height, float patternParam);

// patternType 10: horizontal bands, fine lines, vertical waves and
// a grid of dark knots (3 x 5 patternParam apart).
FloatField generateBandedKnotPattern(const FloatField& textureData, int width, int height,
                                     float patternParam);

// patternType 11: raised diamonds on a sheared grid of
// patternParam-pixel cells.
FloatField generateDiamondPattern(const FloatField& textureData, int width, int height,
                                  float patternParam);

// patternType 12: product-of-sines bumps of period pi x
// patternParam through a power curve.
FloatField generateEggCratePattern(const FloatField& textureData, int width, int height,
                                   float patternParam);

// --- Tiling forms --------------------------------------------------------------
//
// The patterns of a material that tiles (tileable == 1): each is periodic with
// the image as one period, given a base field that is. Periods are fitted to
// a whole number across the width and the height (see core/tiling.h), feature
// sizes stay within half a period of the plain forms over the image, and the
// random layouts draw the same numbers. Rings, tone curve and damped extremes
// need no tiling form: the ring distance from the image centre is already the
// distance on the torus for every pixel, and the other two depend only on the
// base field at the pixel.

// Grooves: whole numbers of grooves along x and y (the slant becomes the
// nearest whole number of grooves down the image, possibly none).
FloatField generateTiledGroovePattern(const FloatField& textureData, int width, int height,
                                      float patternParam);

// Cells: the same points, repeated in every direction; distances on the torus.
FloatField generateTiledCellPattern(const FloatField& textureData, int width, int height,
                                    float patternParam, int32_t seed);

// Brushed: the same scratches, continuing across the edges; the fine ripple
// down the rows fitted to a whole number.
FloatField generateTiledBrushedScratchesPattern(const FloatField& textureData, int width,
                                                int height, float patternParam, int32_t seed,
                                                float unit = 1.0f);

// Discs: whole discs per row and an even number of staggered rows; discs that
// cross an edge continue on the opposite one.
FloatField generateTiledDiscPattern(const FloatField& textureData, int width, int height,
                                    float patternParam);

// Checker: an even number of blocks across and down.
FloatField generateTiledCheckerPattern(int width, int height, float patternParam);

// Knots: whole numbers of bands, lines, knots and waves.
FloatField generateTiledKnotPattern(const FloatField& textureData, int width, int height,
                                    float patternParam);

// Diamonds: whole cells across and down, and a shear of whole cells over the
// height.
FloatField generateTiledDiamondPattern(const FloatField& textureData, int width, int height,
                                       float patternParam);

// Egg crate: whole bump periods across and down.
FloatField generateTiledEggCratePattern(const FloatField& textureData, int width, int height,
                                        float patternParam);

// The squares of the checker pattern (plain or tiling form) as pieces.
// The discs of patternType 8 as pieces (each pixel the disc of its nearest
// centre), the plate between them as the joint; `tiled` as the tiling form
// lays them.
PieceField discPieces(int width, int height, float patternParam, bool tiled);

PieceField checkerPieces(int width, int height, float patternParam, bool tiled);

// The cells of the cell pattern (plain or tiling form) as pieces: each
// pixel's nearest point, and the borders between cells as joints.
PieceField cellPieces(int width, int height, float patternParam, int32_t seed, bool tiled);

}  // namespace proctex
