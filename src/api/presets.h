// Named materials: a preset is the grey stone with a few settings changed.
#pragma once

#include <proctex.h>

#include <span>

#include "api/settings.h"

namespace proctex {

// The published albedo of a material: the lowest and highest measured
// reflectance (linear, 0..1, over the visible or the solar band as the source
// gives it); 0, 0 where no measurement of the material is at hand.
struct MeasuredAlbedo {
    float low = 0.0f;
    float high = 0.0f;
};

struct Preset {
    const char* name;
    const char* description;                      // one line
    void (*apply)(ProctexSettings& settings);     // the look of the first presets
    void (*applyPbr)(ProctexSettings& settings);  // then, with pbr on, the PBR look
    // What its diffuse map's mean luminance (linear) is held to, within 15 %
    // of the range; the source is named beside each preset.
    MeasuredAlbedo albedo{};
};

std::span<const Preset> presets();

// Null when there is no preset of that name (or the name is null).
const Preset* findPreset(const char* name);

// With pbr the PBR look on the tool's defaults; without, exactly the preset
// as it was before the PBR maps (pbr 0), for callers' older structs.
ProctexSettings presetSettings(const Preset& preset, bool pbr = true);

}  // namespace proctex
