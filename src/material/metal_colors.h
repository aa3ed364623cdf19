// The colours of bare metals, for the base colour of metallic pixels.
#pragma once

#include "core/field.h"

namespace proctex {

// The sRGB colour (0..1) of a metal's reflectance at normal incidence, by
// PROCTEX_METAL_TYPE_*; an unknown number gives iron.
Color3 metalColor(int metalType);

}  // namespace proctex
