#include "material/metal_colors.h"

#include <proctex.h>

namespace proctex {

namespace {

// Reflectance at normal incidence (F0) of polished metals, linear RGB, from
// the table of metal F0 values in Akenine-Moeller et al., "Real-Time
// Rendering", 4th edition (2018), table 9.2 (after Naty Hoffman's course
// notes "Physics and Math of Shading", SIGGRAPH 2013-2015):
//   iron      0.562 0.565 0.578     chromium  0.549 0.556 0.554
//   copper    0.955 0.638 0.538     gold      1.000 0.782 0.344
//   brass     0.910 0.778 0.423     aluminium 0.913 0.922 0.924
// Steel is not in that table: we take the mean of iron and chromium
// (0.556 0.561 0.566), an estimate for stainless steel, not a measurement.
// Below, each converted with the sRGB transfer function, as base colour
// maps store them.
constexpr Color3 kMetalColors[] = {
    {0.7748f, 0.7766f, 0.7846f},  // PROCTEX_METAL_TYPE_IRON
    {0.7708f, 0.7739f, 0.7773f},  // PROCTEX_METAL_TYPE_STEEL
    {0.9607f, 0.9649f, 0.9658f},  // PROCTEX_METAL_TYPE_ALUMINIUM
    {0.9800f, 0.8198f, 0.7599f},  // PROCTEX_METAL_TYPE_COPPER
    {1.0000f, 0.8973f, 0.6213f},  // PROCTEX_METAL_TYPE_GOLD
    {0.9593f, 0.8952f, 0.6822f},  // PROCTEX_METAL_TYPE_BRASS
    {0.7668f, 0.7711f, 0.7699f},  // PROCTEX_METAL_TYPE_CHROME
};

}  // namespace

Color3 metalColor(int metalType) {
    if (metalType < PROCTEX_METAL_TYPE_IRON || metalType > PROCTEX_METAL_TYPE_CHROME) {
        return kMetalColors[PROCTEX_METAL_TYPE_IRON];
    }
    return kMetalColors[metalType];
}

}  // namespace proctex
