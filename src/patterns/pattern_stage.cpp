#include "patterns/pattern_stage.h"

#include <proctex.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/number_text.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {

namespace {

// The types whose formulas divide by patternParam, take fmod by it or turn a
// quotient by it into an integer: a zero or non-finite value has no sensible
// field, so the call fails before any work. Tone curve (4), damped extremes
// (5) and brushed scratches (7) are defined for every value and keep it.
bool needsFiniteNonZeroParam(int32_t type) {
    switch (type) {
        case PROCTEX_PATTERN_RINGS:
        case PROCTEX_PATTERN_GROOVES:
        case PROCTEX_PATTERN_CELLS:
        case PROCTEX_PATTERN_DISCS:
        case PROCTEX_PATTERN_CHECKER:
        case PROCTEX_PATTERN_KNOTS:
        case PROCTEX_PATTERN_DIAMONDS:
        case PROCTEX_PATTERN_EGG_CRATE:
            return true;
        default:
            return false;
    }
}

// A tiny cell size asks for billions of points (about 20 bytes each) that
// the system may overcommit and then kill the host for. More points than
// pixels add nothing visible, so beyond a generous floor such a request is
// treated like the allocation failure it would be.
constexpr int64_t kCellPointFloor = int64_t{1} << 24;

bool cellPointCountFits(int width, int height, float param) {
    const int64_t points = cellPointCount(width, height, param);
    return points <= std::max(kCellPointFloor, int64_t{width} * height);
}

// patternParam in pixels: the sizes scale with the pixels per unit, the
// brushed pattern's scratches per 10 000 square units become per 10 000
// pixels, and the two tone curves take no size.
float pixelParam(const PatternRequest& request) {
    if (needsFiniteNonZeroParam(request.type)) return request.param * request.unit;
    if (request.type == PROCTEX_PATTERN_BRUSHED) {
        return request.param / (request.unit * request.unit);
    }
    return request.param;
}

}  // namespace

const char* patternName(int32_t type) {
    switch (type) {
        case PROCTEX_PATTERN_RINGS:
            return "the ring pattern";
        case PROCTEX_PATTERN_GROOVES:
            return "the groove pattern";
        case PROCTEX_PATTERN_TONE_CURVE:
            return "the tone-curve pattern";
        case PROCTEX_PATTERN_DAMPED_EXTREMES:
            return "the damped-extremes pattern";
        case PROCTEX_PATTERN_CELLS:
            return "the cell pattern";
        case PROCTEX_PATTERN_BRUSHED:
            return "the brushed pattern";
        case PROCTEX_PATTERN_DISCS:
            return "the disc pattern";
        case PROCTEX_PATTERN_CHECKER:
            return "the checker pattern";
        case PROCTEX_PATTERN_KNOTS:
            return "the knot pattern";
        case PROCTEX_PATTERN_DIAMONDS:
            return "the diamond pattern";
        case PROCTEX_PATTERN_EGG_CRATE:
            return "the egg-crate pattern";
        default:
            return "no pattern";
    }
}

std::string patternRequestProblem(const PatternRequest& request, int width, int height) {
    if (!needsFiniteNonZeroParam(request.type)) return {};
    if (!std::isfinite(request.param) || request.param == 0.0f) {
        return std::string("patternParam must be a finite, non-zero number for ") +
               patternName(request.type) + " (got " + numberText(request.param) + ")";
    }
    const float cellSize = pixelParam(request);
    if (request.type == PROCTEX_PATTERN_CELLS && !cellPointCountFits(width, height, cellSize)) {
        return "patternParam " + numberText(request.param) + " asks for " +
               std::to_string(cellPointCount(width, height, cellSize)) +
               " cells at this size; the cell pattern takes at most one per pixel or 2^24, "
               "whichever is more (use a larger patternParam)";
    }
    return {};
}

namespace {

// The tiling forms; false for the types that need none (their plain form
// wraps with its base field) and for no pattern.
bool applyTiledPattern(FloatField& textureData, int width, int height,
                       const PatternRequest& request) {
    const float p = pixelParam(request);
    const FloatField& base = textureData;
    switch (request.type) {
        case PROCTEX_PATTERN_GROOVES:
            textureData = generateTiledGroovePattern(base, width, height, p);
            return true;
        case PROCTEX_PATTERN_CELLS:
            textureData = generateTiledCellPattern(base, width, height, p, request.seed);
            return true;
        case PROCTEX_PATTERN_BRUSHED:
            textureData = generateTiledBrushedScratchesPattern(base, width, height, p, request.seed,
                                                               request.unit);
            return true;
        case PROCTEX_PATTERN_DISCS:
            textureData = generateTiledDiscPattern(base, width, height, p);
            return true;
        case PROCTEX_PATTERN_CHECKER:
            textureData = generateTiledCheckerPattern(width, height, p);
            return true;
        case PROCTEX_PATTERN_KNOTS:
            textureData = generateTiledKnotPattern(base, width, height, p);
            return true;
        case PROCTEX_PATTERN_DIAMONDS:
            textureData = generateTiledDiamondPattern(base, width, height, p);
            return true;
        case PROCTEX_PATTERN_EGG_CRATE:
            textureData = generateTiledEggCratePattern(base, width, height, p);
            return true;
        default:
            return false;
    }
}

}  // namespace

PieceField patternPieces(const PatternRequest& request, int width, int height) {
    if (request.type == PROCTEX_PATTERN_CHECKER) {
        return checkerPieces(width, height, pixelParam(request), request.tiling);
    }
    if (request.type != PROCTEX_PATTERN_CELLS) return {};
    return cellPieces(width, height, pixelParam(request), request.seed, request.tiling);
}

void applyPatternStage(FloatField& textureData, int width, int height,
                       const PatternRequest& request) {
    if (request.tiling && applyTiledPattern(textureData, width, height, request)) return;
    const float p = pixelParam(request);
    switch (request.type) {
        case PROCTEX_PATTERN_RINGS:
            textureData = generateRingPattern(textureData, width, height, p, request.seamless);
            break;
        case PROCTEX_PATTERN_GROOVES:
            textureData = generateGroovePattern(textureData, width, height, p, request.seamless);
            break;
        case PROCTEX_PATTERN_TONE_CURVE:
            textureData = generateToneCurvePattern(textureData, width, height, p);
            break;
        case PROCTEX_PATTERN_DAMPED_EXTREMES:
            textureData = generateDampedExtremesPattern(textureData, width, height, p);
            break;
        case PROCTEX_PATTERN_CELLS:
            textureData = generateCellPattern(textureData, width, height, p, request.seed);
            break;
        case PROCTEX_PATTERN_BRUSHED:
            textureData = generateBrushedScratchesPattern(textureData, width, height, p,
                                                          request.seed, request.unit);
            break;
        case PROCTEX_PATTERN_DISCS:
            textureData = generateStaggeredDiscPattern(textureData, width, height, p);
            break;
        case PROCTEX_PATTERN_CHECKER:
            textureData = generateCheckerPattern(width, height, p);
            break;
        case PROCTEX_PATTERN_KNOTS:
            textureData = generateBandedKnotPattern(textureData, width, height, p);
            break;
        case PROCTEX_PATTERN_DIAMONDS:
            textureData = generateDiamondPattern(textureData, width, height, p);
            break;
        case PROCTEX_PATTERN_EGG_CRATE:
            textureData = generateEggCratePattern(textureData, width, height, p);
            break;
        default:
            break;  // no pattern
    }
}

}  // namespace proctex
