// Named starting points: a material in one word.
#pragma once

#include <span>
#include <string_view>

#include "options.h"

namespace proctex::cli {

struct Preset {
    const char* name;
    const char* description;  // one line
    Options options;          // everything a preset leaves out keeps the tool's default
};

std::span<const Preset> presets();

// Null when there is no preset of that name.
const Preset* findPreset(std::string_view name);

}  // namespace proctex::cli
