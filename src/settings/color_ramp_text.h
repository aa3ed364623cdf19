// The colour ramp as text: "#2b1d0e@0,#8a5a2b@0.6,#d9b38c@1", one to eight
// stops of a colour and a position, the way every front end reads and
// writes it.
#pragma once

#include <proctex.h>

#include <string>
#include <string_view>

namespace proctex {

// Sets the stops of `text` in `settings` and chooses the custom material;
// an empty text clears the ramp (the material stays). Returns why the text
// is not a ramp, leaving `settings` untouched, or "" when it was set.
std::string setColorRamp(std::string_view text, ProctexSettings& settings);

// The ramp as setColorRamp reads it (positions in their shortest exact
// form); "" without stops.
std::string colorRampText(const ProctexSettings& settings);

// "#rrggbb" as three 0..1 values; false when it is not that.
bool readHexColor(std::string_view text, float* rgb);

// Three 0..1 values as "#rrggbb", each channel its nearest byte.
std::string hexColorText(const float* rgb);

}  // namespace proctex
