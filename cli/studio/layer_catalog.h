// What the page's layer editor is built from: the library's layer table.
#pragma once

#include <nlohmann/json.hpp>

namespace proctex::cli::studio {

// {"keys": [{"name": "threshold", "member", "kind": "number", "group": "mask",
// "help", "default": 0.5, "min", "max", "step", "limitMin", "limitMax",
// "choices": [{"value", "name", "label"}]}, ...]}: every key of a layer in
// the text's order, defaults as the layers' text spells them (a choice by
// name, a colour "#rrggbb").
nlohmann::ordered_json layerCatalog();

}  // namespace proctex::cli::studio
