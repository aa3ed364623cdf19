// What every pattern function of the registry is given.
#pragma once

#include <cstdint>

#include "core/field.h"

namespace proctex {

struct PatternInput {
    const FloatField& base;  // the base relief (empty for kinds that do not read it)
    int width;
    int height;
    float param;  // patternParam in pixels where it is a size (see PatternParam)
    int32_t seed;
    bool seamless;  // the call's seamless == 1
    bool tiled;     // the call's tileable == 1: the pattern wraps at the edges
    float unit;     // pixels per unit of a material sized on the tile (1 in pixels)
};

}  // namespace proctex
