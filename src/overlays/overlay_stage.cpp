#include "overlays/overlay_stage.h"

#include <cmath>

#include "core/field_ops.h"
#include "core/numeric.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

bool finiteNonZero(float v) {
    return std::isfinite(v) && v != 0.0f;
}

}  // namespace

bool overlayRequestIsUsable(const OverlayRequest& request) {
    switch (request.type) {
        case 1:  // veins: x / veinScale
            return finiteNonZero(request.param);
        case 2:  // bricks: brick width and height
            return finiteNonZero(request.param) && finiteNonZero(request.strength);
        case 3:  // planks: plank length
            return std::isfinite(request.param) && request.param > 0.0f;
        default:  // scratches accept every count; other types have no overlay
            return true;
    }
}

void applyOverlayStage(FloatField& textureData, int width, int height,
                       const OverlayRequest& request) {
    switch (request.type) {
        case 1: {
            const FloatField veins =
                generateVeins(width, height, request.param, request.seed, request.seamless);
            blendOverlay(textureData, veins, request.strength);
            break;
        }
        case 2: {
            // overlayStrength is the brick height here, not a strength.
            const FloatField bricks =
                generateBricks(width, height, request.param, request.strength);
            blendOverlay(textureData, bricks, 1.0f);
            break;
        }
        case 3: {
            // overlayStrength only chooses the mode; NaN and 0.5 give plain mode.
            const FloatField planks =
                generatePlanks(width, height, request.param, request.seed, request.strength > 0.5f);
            blendOverlay(textureData, planks, 1.0f);
            break;
        }
        case 4: {
            const FloatField scratches =
                generateScratches(width, height, truncToInt32(request.param), request.seed);
            blendOverlay(textureData, scratches, request.strength);
            break;
        }
        default:
            break;
    }
}

}  // namespace proctex
