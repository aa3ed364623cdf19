#include "overlays/overlay_stage.h"

namespace proctex {

bool overlayRequestIsUsable(const OverlayRequest&) {
    return true;
}

void applyOverlayStage(FloatField&, int, int, const OverlayRequest&) {}

}  // namespace proctex
