// The layers of a material as text, "mask=joints color=#8f8a82 height=-0.04;
// mask=noise ...", and the rules every layer meets: one table of the
// members' names, kinds and ranges serves the parser, the printer and the
// settings check.
#pragma once

#include <proctex.h>

#include <span>
#include <string>
#include <string_view>

#include "settings/option_table.h"

namespace proctex {

ProctexLayer defaultLayer();

// Every key of a layer as a row of the option table's kind: name, member,
// kind (PROCTEX_KIND_COLOR for colours), ranges, help and choices. Offsets
// are into ProctexLayer, except the palette's (the one key kept beside the
// layers, in ProctexSettings.layerPalette).
std::span<const OptionSpec> layerKeyTable();

// A key's value in defaultLayer() (a colour's first channel).
double layerKeyDefault(const OptionSpec& key);

// Sets the layers of `text` in `settings` ("" clears them). Returns why the
// text is not layers, naming the layer and the key, leaving `settings`
// untouched, or "" when they were set.
std::string setLayers(std::string_view text, ProctexSettings& settings);

// The layers as setLayers reads them: per layer the keys whose values differ
// from the defaults; "" without layers.
std::string layersText(const ProctexSettings& settings);

// "" when layerCount and every layer are within their rules, otherwise a
// reason naming the member: "layers[1].roughness must be from 0 to 1 (got 3)".
std::string layersProblem(const ProctexSettings& settings);

// The names of the masks, combines and metal types, as the text takes them.
const char* maskName(int mask);

}  // namespace proctex
