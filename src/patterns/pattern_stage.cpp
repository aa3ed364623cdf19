#include "patterns/pattern_stage.h"

namespace proctex {

bool patternRequestIsUsable(const PatternRequest&) {
    return true;
}

void applyPatternStage(FloatField&, int, int, const PatternRequest&) {}

}  // namespace proctex
