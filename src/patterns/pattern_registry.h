// Every pattern kind in one row: its code, names, how its parameter is read,
// its functions and its starting value. The pattern stage, the option table's
// choices and the gallery read this list, so a new kind is its file and one
// row here, and no switch elsewhere names it.
#pragma once

#include <proctex.h>

#include <cstdint>
#include <span>
#include <string>

#include "core/field.h"
#include "core/pieces.h"
#include "patterns/pattern_input.h"
#include "patterns/patterns.h"
#include "patterns/structure_patterns.h"
#include "patterns/surface_patterns.h"

namespace proctex {

// How patternParam reaches the functions.
enum class PatternParam {
    kSize,     // a size: must be finite and non-zero; in units, times the pixels per unit
    kPerArea,  // a count per 10 000 square units, over the pixels per unit squared
    kFree,     // a number the formulas take as it is (a gamma, an exponent)
};

struct PatternKind {
    int32_t code;         // PROCTEX_PATTERN_*
    const char* name;     // the choice's name: "egg-crate"
    const char* label;    // a few words for menus: "egg crate"
    const char* title;    // for reasons: "the egg-crate pattern"
    const char* summary;  // one line: what it looks like
    PatternParam param;
    float startParam;      // reads clearly at 512 x 512 and at 1024 x 1024
    bool readsBase;        // false: the base relief need not be computed
    bool generateTexture;  // GenerateTexture draws it (the other codes are none there)
    FloatField (*plain)(const PatternInput&);
    FloatField (*tiling)(const PatternInput&);  // null: the plain form already wraps
    PieceField (*pieces)(const PatternInput&);  // null: no pieces
    // Beyond the size rule: why a size asks for more than the image justifies
    // (empty when it does not); null when any size will do.
    std::string (*sizeProblem)(const PatternInput&, float patternParam);
};

// The cell pattern's rule: at most one point per pixel or 2^24, whichever is more.
std::string cellSizeProblem(const PatternInput& input, float patternParam);

// clang-format off
inline constexpr PatternKind kPatternKinds[] = {
    {PROCTEX_PATTERN_RINGS, "rings", "rings", "the ring pattern",
     "rings around the image centre, bent by the relief",
     PatternParam::kSize, 16.0f, true, true,
     [](const PatternInput& in) {
         return generateRingPattern(in.base, in.width, in.height, in.param, in.seamless);
     },
     nullptr, nullptr, nullptr},
    {PROCTEX_PATTERN_GROOVES, "grooves", "grooves", "the groove pattern",
     "slanted dark grooves",
     PatternParam::kSize, 8.0f, true, true,
     [](const PatternInput& in) {
         return generateGroovePattern(in.base, in.width, in.height, in.param, in.seamless);
     },
     [](const PatternInput& in) {
         return generateTiledGroovePattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr},
    // The two tone curves only remap the relief, so their starting values lie
    // far from the identity: a gamma of 0.5 leaves bright islands in dark
    // ground, an exponent of 0.5 darkens all but the middle level.
    {PROCTEX_PATTERN_TONE_CURVE, "tone-curve", "tone curve", "the tone-curve pattern",
     "the relief through a gamma and a smoothstep",
     PatternParam::kFree, 0.5f, true, true,
     [](const PatternInput& in) {
         return generateToneCurvePattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr, nullptr},
    {PROCTEX_PATTERN_DAMPED_EXTREMES, "damped-extremes", "damped extremes",
     "the damped-extremes pattern", "the relief lifted, its highs and lows darkened",
     PatternParam::kFree, 0.5f, true, true,
     [](const PatternInput& in) {
         return generateDampedExtremesPattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr, nullptr},
    {PROCTEX_PATTERN_CELLS, "cells", "cells", "the cell pattern",
     "bright borders of random cells",
     PatternParam::kSize, 16.0f, true, true,
     [](const PatternInput& in) {
         return generateCellPattern(in.base, in.width, in.height, in.param, in.seed);
     },
     [](const PatternInput& in) {
         return generateTiledCellPattern(in.base, in.width, in.height, in.param, in.seed);
     },
     [](const PatternInput& in) {
         return cellPieces(in.width, in.height, in.param, in.seed, in.tiled);
     },
     cellSizeProblem},
    {PROCTEX_PATTERN_BRUSHED, "brushed", "brushed", "the brushed pattern",
     "brushed metal with fading scratches",
     PatternParam::kPerArea, 200.0f, true, true,
     [](const PatternInput& in) {
         return generateBrushedScratchesPattern(in.base, in.width, in.height, in.param, in.seed,
                                                in.unit);
     },
     [](const PatternInput& in) {
         return generateTiledBrushedScratchesPattern(in.base, in.width, in.height, in.param,
                                                     in.seed, in.unit);
     },
     nullptr, nullptr},
    {PROCTEX_PATTERN_DISCS, "discs", "discs", "the disc pattern",
     "overlapping discs on staggered rows",
     PatternParam::kSize, 24.0f, true, true,
     [](const PatternInput& in) {
         return generateStaggeredDiscPattern(in.base, in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return generateTiledDiscPattern(in.base, in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return discPieces(in.width, in.height, in.param, in.tiled);
     },
     nullptr},
    {PROCTEX_PATTERN_CHECKER, "checker", "checker", "the checker pattern",
     "a checkerboard (the relief is not used)",
     PatternParam::kSize, 32.0f, false, true,
     [](const PatternInput& in) { return generateCheckerPattern(in.width, in.height, in.param); },
     [](const PatternInput& in) {
         return generateTiledCheckerPattern(in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return checkerPieces(in.width, in.height, in.param, in.tiled);
     },
     nullptr},
    {PROCTEX_PATTERN_KNOTS, "knots", "knots", "the knot pattern",
     "bands, fine lines, waves and a grid of dark knots",
     PatternParam::kSize, 10.0f, true, true,
     [](const PatternInput& in) {
         return generateBandedKnotPattern(in.base, in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return generateTiledKnotPattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr},
    {PROCTEX_PATTERN_DIAMONDS, "diamonds", "diamonds", "the diamond pattern",
     "raised diamonds on a sheared grid",
     PatternParam::kSize, 32.0f, true, true,
     [](const PatternInput& in) {
         return generateDiamondPattern(in.base, in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return generateTiledDiamondPattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr},
    {PROCTEX_PATTERN_EGG_CRATE, "egg-crate", "egg crate", "the egg-crate pattern",
     "bumps of a product of sines",
     PatternParam::kSize, 10.0f, true, true,
     [](const PatternInput& in) {
         return generateEggCratePattern(in.base, in.width, in.height, in.param);
     },
     [](const PatternInput& in) {
         return generateTiledEggCratePattern(in.base, in.width, in.height, in.param);
     },
     nullptr, nullptr},
    {PROCTEX_PATTERN_COBBLES, "cobbles", "cobbles", "the cobble pattern",
     "rounded stones in mortar, each its own height",
     PatternParam::kSize, 48.0f, true, false,
     generateCobblePattern, nullptr, cobblePieces, nullptr},
    {PROCTEX_PATTERN_HEX_TILES, "hex-tiles", "hex tiles", "the hex-tile pattern",
     "hexagonal tiles in sunken grout, each tilted a little",
     PatternParam::kSize, 48.0f, true, false,
     generateHexTilePattern, nullptr, hexTilePieces, nullptr},
    {PROCTEX_PATTERN_SQUARE_TILES, "square-tiles", "square tiles", "the square-tile pattern",
     "square tiles in sunken grout, each tilted a little",
     PatternParam::kSize, 64.0f, true, false,
     generateSquareTilePattern, nullptr, squareTilePieces, nullptr},
    {PROCTEX_PATTERN_BOND_BRICKS, "bond-bricks", "bond bricks", "the bond-brick pattern",
     "bricks in a running bond, each its own length",
     PatternParam::kSize, 80.0f, true, false,
     generateBondBrickPattern, nullptr, bondBrickPieces, nullptr},
    {PROCTEX_PATTERN_BOARDS, "boards", "boards", "the board pattern",
     "boards of random lengths with their wood grain",
     PatternParam::kSize, 48.0f, true, false,
     generateBoardPattern, nullptr, boardPieces, nullptr},
    {PROCTEX_PATTERN_HERRINGBONE, "herringbone", "herringbone", "the herringbone pattern",
     "herringbone parquet with wood grain",
     PatternParam::kSize, 28.0f, true, false,
     generateHerringbonePattern, nullptr, herringbonePieces, nullptr},
    {PROCTEX_PATTERN_ROOF_TILES, "roof-tiles", "roof tiles", "the roof-tile pattern",
     "staggered courses of roof tiles with rounded lower ends",
     PatternParam::kSize, 48.0f, true, false,
     generateRoofTilePattern, nullptr, roofTilePieces, nullptr},
    {PROCTEX_PATTERN_HAMMERED, "hammered", "hammered", "the hammered pattern",
     "overlapping round hammer dents with ridges between them",
     PatternParam::kSize, 32.0f, true, false,
     generateHammeredPattern, nullptr, nullptr, nullptr},
    {PROCTEX_PATTERN_DIAMOND_PLATE, "diamond-plate", "diamond plate", "the diamond-plate pattern",
     "tread plate: raised lozenges crossing in a checker",
     PatternParam::kSize, 20.0f, true, false,
     generateDiamondPlatePattern, nullptr, nullptr, nullptr},
    // A negative length adds the brushing under the scratches.
    {PROCTEX_PATTERN_FINE_SCRATCHES, "fine-scratches", "fine scratches",
     "the fine-scratch pattern", "thin grooves mostly along the rows, crossing",
     PatternParam::kSize, 60.0f, true, false,
     generateFineScratchPattern, nullptr, nullptr, nullptr},
    {PROCTEX_PATTERN_TILING_RINGS, "tiling-rings", "tiling rings", "the tiling-ring pattern",
     "end grain: growth rings around a pith, with cracks, that tile",
     PatternParam::kSize, 8.0f, true, false,
     generateEndGrainPattern, nullptr, nullptr, nullptr},
};
// clang-format on

constexpr std::span<const PatternKind> patternKinds() {
    return kPatternKinds;
}

// The row of a code; null for none and every unlisted code.
constexpr const PatternKind* findPatternKind(int32_t code) {
    for (const PatternKind& kind : kPatternKinds) {
        if (kind.code == code) return &kind;
    }
    return nullptr;
}

}  // namespace proctex
