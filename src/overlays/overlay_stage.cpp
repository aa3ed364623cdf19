#include "overlays/overlay_stage.h"

#include <cmath>

#include "core/field_ops.h"
#include "core/number_text.h"
#include "overlays/overlay_registry.h"

namespace proctex {

namespace {

OverlayInput inputOf(const OverlayRequest& request, int width, int height) {
    return {width,         height,           request.param,  request.strength,
            request.seed,  request.seamless, request.tiling, request.unit,
            request.onTile};
}

std::string finiteNonZeroProblem(const char* member, float v, const char* overlay) {
    if (std::isfinite(v) && v != 0.0f) return {};
    return std::string(member) + " must be a finite, non-zero number for " + overlay + " (got " +
           numberText(v) + ")";
}

}  // namespace

std::string veinsProblem(const OverlayInput& input) {  // x / veinScale
    return finiteNonZeroProblem("overlayParam (vein scale)", input.param, "the veins overlay");
}

std::string bricksProblem(const OverlayInput& input) {
    std::string problem =
        finiteNonZeroProblem("overlayParam (brick width)", input.param, "the bricks overlay");
    if (!problem.empty()) return problem;
    return finiteNonZeroProblem("overlayStrength (brick height)", input.strength,
                                "the bricks overlay");
}

std::string planksProblem(const OverlayInput& input) {
    if (std::isfinite(input.param) && input.param > 0.0f) return {};
    return "overlayParam (plank length) must be a finite number above 0 for the planks "
           "overlay (got " +
           numberText(input.param) + ")";
}

std::string overlayRequestProblem(const OverlayRequest& request) {
    const OverlayKind* kind = findOverlayKind(request.type);
    if (kind == nullptr || kind->problem == nullptr) return {};
    return kind->problem(inputOf(request, 0, 0));
}

PieceField overlayPieces(const OverlayRequest& request, int width, int height) {
    const OverlayKind* kind = findOverlayKind(request.type);
    if (kind == nullptr || kind->pieces == nullptr) return {};
    return kind->pieces(inputOf(request, width, height));
}

void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request) {
    const OverlayKind* kind = findOverlayKind(request.type);
    if (kind == nullptr) return;
    const OverlayInput input = inputOf(request, width, height);
    blendOverlay(textureData, kind->carve(input), kind->blendWeight(input));
}

}  // namespace proctex
