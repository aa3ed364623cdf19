// The 8-bit maps made straight from the height field, a block at a time, so
// no full-size float or colour field is needed beside the image.
#pragma once

#include <proctex.h>

#include "api/map_set.h"
#include "core/field.h"

namespace proctex {

// The image of one map (PROCTEX_MAP_DIFFUSE .. PROCTEX_MAP_METALLIC) for
// the finished, not tone-adjusted, height field of these settings. Reads the
// field only, so several maps can be made from it at once. May throw
// (allocation failures).
// With pbr == 1 `heights` is the relief (see makeRelief).
ByteImage buildMapImage(int map, const FloatField& heights, const ProctexSettings& settings);

// The glow of the PBR maps (PROCTEX_MAP_EMISSIVE), RGB, from the relief.
ByteImage emissiveImage(const FloatField& relief, const ProctexSettings& settings);

}  // namespace proctex
