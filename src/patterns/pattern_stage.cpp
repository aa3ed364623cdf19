#include "patterns/pattern_stage.h"

#include <algorithm>
#include <cmath>

#include "core/number_text.h"
#include "patterns/pattern_internals.h"
#include "patterns/pattern_registry.h"

namespace proctex {

namespace {

// A tiny cell size asks for billions of points (about 20 bytes each) that
// the system may overcommit and then kill the host for. More points than
// pixels add nothing visible, so beyond a generous floor such a request is
// treated like the allocation failure it would be.
constexpr int64_t kCellPointFloor = int64_t{1} << 24;

// patternParam as the functions take it: sizes scale with the pixels per
// unit, counts per area with its square, the free numbers stay.
float pixelParam(const PatternKind& kind, const PatternRequest& request) {
    switch (kind.param) {
        case PatternParam::kSize:
            return request.param * request.unit;
        case PatternParam::kPerArea:
            return request.param / (request.unit * request.unit);
        case PatternParam::kFree:
            break;
    }
    return request.param;
}

PatternInput inputOf(const PatternKind& kind, const PatternRequest& request, const FloatField& base,
                     int width, int height) {
    return {base,           width,
            height,         pixelParam(kind, request),
            request.seed,   request.seamless,
            request.tiling, request.unit};
}

}  // namespace

std::string cellSizeProblem(const PatternInput& input, float patternParam) {
    const int64_t points = cellPointCount(input.width, input.height, input.param);
    if (points <= std::max(kCellPointFloor, int64_t{input.width} * input.height)) return {};
    return "patternParam " + numberText(patternParam) + " asks for " + std::to_string(points) +
           " cells at this size; the cell pattern takes at most one per pixel or 2^24, "
           "whichever is more (use a larger patternParam)";
}

const char* patternName(int32_t type) {
    const PatternKind* kind = findPatternKind(type);
    return kind != nullptr ? kind->title : "no pattern";
}

// The kinds whose formulas divide by patternParam, take fmod by it or turn a
// quotient by it into an integer: a zero or non-finite value has no sensible
// field, so the call fails before any work.
std::string patternRequestProblem(const PatternRequest& request, int width, int height) {
    const PatternKind* kind = findPatternKind(request.type);
    if (kind == nullptr || kind->param != PatternParam::kSize) return {};
    if (!std::isfinite(request.param) || request.param == 0.0f) {
        return std::string("patternParam must be a finite, non-zero number for ") + kind->title +
               " (got " + numberText(request.param) + ")";
    }
    if (kind->sizeProblem == nullptr) return {};
    const FloatField none;
    return kind->sizeProblem(inputOf(*kind, request, none, width, height), request.param);
}

int32_t generateTexturePatternType(int32_t type) {
    const PatternKind* kind = findPatternKind(type);
    return kind != nullptr && kind->generateTexture ? type : PROCTEX_PATTERN_NONE;
}

bool patternReadsBase(int32_t type) {
    const PatternKind* kind = findPatternKind(type);
    return kind == nullptr || kind->readsBase;
}

PieceField patternPieces(const PatternRequest& request, int width, int height) {
    const PatternKind* kind = findPatternKind(request.type);
    if (kind == nullptr || kind->pieces == nullptr) return {};
    const FloatField none;
    return kind->pieces(inputOf(*kind, request, none, width, height));
}

void applyPatternStage(FloatField& textureData, int width, int height,
                       const PatternRequest& request) {
    const PatternKind* kind = findPatternKind(request.type);
    if (kind == nullptr) return;  // no pattern
    const PatternInput input = inputOf(*kind, request, textureData, width, height);
    const bool tiling = request.tiling && kind->tiling != nullptr;
    textureData = tiling ? kind->tiling(input) : kind->plain(input);
}

}  // namespace proctex
