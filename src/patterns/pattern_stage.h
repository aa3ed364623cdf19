// The pattern stage: the kinds of the registry (patterns/pattern_registry.h)
// replace the base height field with a pattern built from it; every other
// value leaves the field as it is.
#pragma once

#include <cstdint>
#include <string>

#include "core/field.h"
#include "core/pieces.h"

namespace proctex {

struct PatternRequest {
    int32_t type;
    float param;
    int32_t seed;
    bool seamless;  // the call's seamless == 1
    bool tiling;    // the call's tileable == 1: the pattern wraps at the edges
    // Pixels per unit of the sizes above: 1 in pixel units; on the tile, the
    // image's width over the tile's 512 units (see applying the stage).
    float unit = 1.0f;
    bool onTile = false;  // sizes and counts are meant per tile
};

// Empty when the request can produce a meaningful field for a width x height
// image; otherwise why not, as a sentence naming patternParam: a zero or
// non-finite size, or a cell size asking for more memory than any image of
// that size justifies. The call then fails before doing any work.
std::string patternRequestProblem(const PatternRequest& request, int width, int height);

// "the cell pattern", "the ring pattern", ...; "no pattern" for other types.
const char* patternName(int32_t type);

// The code GenerateTexture computes for patternType: the kinds it has always
// drawn keep their codes, the later ones are no pattern there.
int32_t generateTexturePatternType(int32_t type);

// False for the kinds that replace the base field without reading it, so it
// need not be computed; true for every other code.
bool patternReadsBase(int32_t type);

// The pieces of the requested pattern (cells, checker squares) and their
// joints; empty for patterns without pieces.
PieceField patternPieces(const PatternRequest& request, int width, int height);

// Replaces textureData with the requested pattern, if any.
void applyPatternStage(FloatField& textureData, int width, int height,
                       const PatternRequest& request);

}  // namespace proctex
