#include "overlays/overlay_stage.h"

#include <proctex.h>

#include <cmath>

#include "core/field_ops.h"
#include "core/number_text.h"
#include "core/numeric.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

bool finiteNonZero(float v) {
    return std::isfinite(v) && v != 0.0f;
}

}  // namespace

namespace {

std::string finiteNonZeroProblem(const char* member, float v, const char* overlay) {
    if (finiteNonZero(v)) return {};
    return std::string(member) + " must be a finite, non-zero number for " + overlay + " (got " +
           numberText(v) + ")";
}

}  // namespace

std::string overlayRequestProblem(const OverlayRequest& request) {
    switch (request.type) {
        case PROCTEX_OVERLAY_VEINS:  // x / veinScale
            return finiteNonZeroProblem("overlayParam (vein scale)", request.param,
                                        "the veins overlay");
        case PROCTEX_OVERLAY_BRICKS: {
            std::string problem = finiteNonZeroProblem("overlayParam (brick width)", request.param,
                                                       "the bricks overlay");
            if (problem.empty()) {
                problem = finiteNonZeroProblem("overlayStrength (brick height)", request.strength,
                                               "the bricks overlay");
            }
            return problem;
        }
        case PROCTEX_OVERLAY_PLANKS:
            if (std::isfinite(request.param) && request.param > 0.0f) return {};
            return "overlayParam (plank length) must be a finite number above 0 for the planks "
                   "overlay (got " +
                   numberText(request.param) + ")";
        default:  // scratches accept every count; other types have no overlay
            return {};
    }
}

PieceField overlayPieces(const OverlayRequest& request, int width, int height) {
    const float unit = request.unit;
    if (request.type == PROCTEX_OVERLAY_BRICKS) {
        return brickPieces(width, height, request.param * unit, request.strength * unit, unit,
                           request.tiling);
    }
    if (request.type == PROCTEX_OVERLAY_PLANKS) {
        return plankPieces(width, height, request.param * unit, unit, request.tiling);
    }
    return {};
}

void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request) {
    const bool tiled = request.tiling;
    const float unit = request.unit;
    // The sizes in pixels; the strength of bricks is their height.
    const float size = request.param * unit;
    switch (request.type) {
        case PROCTEX_OVERLAY_VEINS: {
            const FloatField veins =
                tiled
                    ? generateTiledVeins(width, height, size, request.seed, request.seamless, unit)
                    : generateVeins(width, height, size, request.seed, request.seamless, unit);
            blendOverlay(textureData, veins, request.strength);
            break;
        }
        case PROCTEX_OVERLAY_BRICKS: {
            const float brickHeight = request.strength * unit;
            const FloatField bricks =
                tiled ? generateTiledBricks(width, height, size, brickHeight, unit)
                      : generateBricks(width, height, size, brickHeight, unit);
            blendOverlay(textureData, bricks, 1.0f);
            break;
        }
        case PROCTEX_OVERLAY_PLANKS: {
            // overlayStrength only chooses the mode; NaN and 0.5 give plain mode.
            const bool grain = request.strength > 0.5f;
            const FloatField planks =
                tiled ? generateTiledPlanks(width, height, size, request.seed, grain, unit)
                      : generatePlanks(width, height, size, request.seed, grain, unit);
            blendOverlay(textureData, planks, 1.0f);
            break;
        }
        case PROCTEX_OVERLAY_SCRATCHES: {
            // On the tile the count is per square tile of the image's width.
            const float perImage =
                request.onTile
                    ? request.param * (static_cast<float>(height) / static_cast<float>(width))
                    : request.param;
            const int32_t count = truncToInt32(perImage);
            const FloatField scratches =
                tiled ? generateTiledScratches(width, height, count, request.seed, unit)
                      : generateScratches(width, height, count, request.seed, unit);
            blendOverlay(textureData, scratches, request.strength);
            break;
        }
        default:
            break;
    }
}

}  // namespace proctex
