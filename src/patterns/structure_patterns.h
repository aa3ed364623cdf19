// Patterns that look like the things they are named for: stones, tiles,
// bricks, boards, parquet, roofs. Each takes patternParam as its main size in
// pixels (its magnitude), lays its pieces out with random values hashed from
// the seed, fits whole periods across the image when the material tiles, and
// gives its pieces and joints for the layers' masks.
#pragma once

#include "core/field.h"
#include "core/pieces.h"
#include "patterns/pattern_input.h"

namespace proctex {

// Rounded stones in mortar, patternParam apart: each a dome from its mortar
// line up, its own height.
FloatField generateCobblePattern(const PatternInput& input);
PieceField cobblePieces(const PatternInput& input);

// Hexagonal tiles patternParam across, in sunken grout, each face a little
// higher or lower and tilted its own way.
FloatField generateHexTilePattern(const PatternInput& input);
PieceField hexTilePieces(const PatternInput& input);

// Square tiles of side patternParam, like the hexagons.
FloatField generateSquareTilePattern(const PatternInput& input);
PieceField squareTilePieces(const PatternInput& input);

// Bricks patternParam long and a third as high in a running bond: each
// course shifted by half a brick and a little, each brick's length strays.
FloatField generateBondBrickPattern(const PatternInput& input);
PieceField bondBrickPieces(const PatternInput& input);

// Boards patternParam wide, 2 to 10 widths long, each course shifted its own
// way, with the grain of each board along it.
FloatField generateBoardPattern(const PatternInput& input);
PieceField boardPieces(const PatternInput& input);

// Herringbone parquet: boards patternParam wide and four times as long,
// along and across in turn, with their grain.
FloatField generateHerringbonePattern(const PatternInput& input);
PieceField herringbonePieces(const PatternInput& input);

// Roof tiles patternParam wide with rounded lower ends, in staggered courses
// of 0.8 widths, each course over the head of the one below; the joints are
// the crevices under each course's edges.
FloatField generateRoofTilePattern(const PatternInput& input);
PieceField roofTilePieces(const PatternInput& input);

}  // namespace proctex
