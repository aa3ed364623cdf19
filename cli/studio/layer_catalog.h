// What the page's layer list offers, as the library names it: the masks a
// layer takes and a new layer's values.
#pragma once

#include <nlohmann/json.hpp>

namespace proctex::cli::studio {

// {"masks": ["all", "height", ...], "defaults": {"threshold": 0.5, ...,
// "color": "#808080"}}: the keys as the layers' text spells them.
nlohmann::ordered_json layerCatalog();

}  // namespace proctex::cli::studio
