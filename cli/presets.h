// The library's named materials (proctex_preset_*), as the tool lists them.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "options.h"

namespace proctex::cli {

struct Preset {
    const char* name;
    const char* description;  // one line
    Options options;          // the library's settings for it; no output
};

// Read from the library once, in its order.
std::span<const Preset> presets();

// Null when there is no preset of that name.
const Preset* findPreset(std::string_view name);

// Why `name` is not a preset, with the closest name (any case) when one is
// near: "no preset is called 'Granit' (did you mean granite?)".
std::string unknownPresetMessage(std::string_view name);

}  // namespace proctex::cli
