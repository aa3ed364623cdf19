// Named materials: a preset is the grey stone with a few settings changed.
#pragma once

#include <proctex.h>

#include <span>

#include "api/settings.h"

namespace proctex {

struct Preset {
    const char* name;
    const char* description;  // one line
    void (*apply)(ProctexSettings& settings);
};

std::span<const Preset> presets();

// Null when there is no preset of that name (or the name is null).
const Preset* findPreset(const char* name);

ProctexSettings presetSettings(const Preset& preset);

}  // namespace proctex
