// What the page builds its controls from (GET /api/presets): every option
// with its range and default, the type codes by name, the presets with all
// their settings, and the maps a render holds.
#pragma once

#include <string>

namespace proctex::cli::studio {

std::string catalogJson();

}  // namespace proctex::cli::studio
