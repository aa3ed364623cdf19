#include "patterns/pattern_stage.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
        case 2:
        case 3:
        case 6:
        case 8:
        case 9:
        case 10:
        case 11:
        case 12:
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

}  // namespace

bool patternRequestIsUsable(const PatternRequest& request, int width, int height) {
    if (!needsFiniteNonZeroParam(request.type)) return true;
    if (!std::isfinite(request.param) || request.param == 0.0f) return false;
    return request.type != 6 || cellPointCountFits(width, height, request.param);
}

void applyPatternStage(FloatField& textureData, int width, int height,
                       const PatternRequest& request) {
    const float p = request.param;
    switch (request.type) {
        case 2:
            textureData = generateRingPattern(textureData, width, height, p, request.seamless);
            break;
        case 3:
            textureData = generateGroovePattern(textureData, width, height, p, request.seamless);
            break;
        case 4:
            textureData = generateToneCurvePattern(textureData, width, height, p);
            break;
        case 5:
            textureData = generateDampedExtremesPattern(textureData, width, height, p);
            break;
        case 6:
            textureData = generateCellPattern(textureData, width, height, p, request.seed);
            break;
        case 7:
            textureData =
                generateBrushedScratchesPattern(textureData, width, height, p, request.seed);
            break;
        case 8:
            textureData = generateStaggeredDiscPattern(textureData, width, height, p);
            break;
        case 9:
            textureData = generateCheckerPattern(width, height, p);
            break;
        case 10:
            textureData = generateBandedKnotPattern(textureData, width, height, p);
            break;
        case 11:
            textureData = generateDiamondPattern(textureData, width, height, p);
            break;
        case 12:
            textureData = generateEggCratePattern(textureData, width, height, p);
            break;
        default:
            break;  // no pattern
    }
}

}  // namespace proctex
