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

void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request) {
    const bool tiled = request.tiling;
    switch (request.type) {
        case PROCTEX_OVERLAY_VEINS: {
            const FloatField veins =
                tiled ? generateTiledVeins(width, height, request.param, request.seed,
                                           request.seamless)
                      : generateVeins(width, height, request.param, request.seed, request.seamless);
            blendOverlay(textureData, veins, request.strength);
            break;
        }
        case PROCTEX_OVERLAY_BRICKS: {
            // overlayStrength is the brick height here, not a strength.
            const FloatField bricks =
                tiled ? generateTiledBricks(width, height, request.param, request.strength)
                      : generateBricks(width, height, request.param, request.strength);
            blendOverlay(textureData, bricks, 1.0f);
            break;
        }
        case PROCTEX_OVERLAY_PLANKS: {
            // overlayStrength only chooses the mode; NaN and 0.5 give plain mode.
            const bool grain = request.strength > 0.5f;
            const FloatField planks =
                tiled ? generateTiledPlanks(width, height, request.param, request.seed, grain)
                      : generatePlanks(width, height, request.param, request.seed, grain);
            blendOverlay(textureData, planks, 1.0f);
            break;
        }
        case PROCTEX_OVERLAY_SCRATCHES: {
            const int32_t count = truncToInt32(request.param);
            const FloatField scratches =
                tiled ? generateTiledScratches(width, height, count, request.seed)
                      : generateScratches(width, height, count, request.seed);
            blendOverlay(textureData, scratches, request.strength);
            break;
        }
        default:
            break;
    }
}

}  // namespace proctex
