#include "api/presets.h"

#include <cstring>
#include <iterator>

namespace proctex {

namespace {

// Tuned by eye at 512 x 512 and 1024 x 1024. Sizes in pixels (scale, pattern and
// overlay sizes) keep their pixel meaning at other sizes, so a larger image
// shows more of the same material rather than a magnified one. Each preset
// changes only what differs from presetBase, the soft grey stone they were
// tuned from (the defaults once were this stone; the presets keep it).
// clang-format off
const Preset kPresets[] = {
    {"granite", "speckled grey stone with crisp grain", [](ProctexSettings& s) {
        s.scale = 12.0f; s.octaves = 6; s.persistence = 0.7f;
        s.materialType = PROCTEX_MATERIAL_STONE; s.patternType = PROCTEX_PATTERN_TONE_CURVE;
        s.patternParam = 1.3f; s.seed = 101; s.contrast = 1.5f; s.brightness = -0.05f;
        s.normalStrength = 4.0f; s.roughness = 0.4f;
    }},
    {"marble", "white marble with dark flowing veins", [](ProctexSettings& s) {
        s.baseType = PROCTEX_BASE_SINGLE_OCTAVE; s.scale = 128.0f;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.overlayType = PROCTEX_OVERLAY_VEINS;
        s.overlayParam = 24.0f; s.overlayStrength = 0.55f; s.seed = 202; s.contrast = 1.0f;
        s.seamless = 1; s.normalStrength = 2.0f; s.roughness = 0.8f;
    }},
    {"oak-planks", "floor of staggered oak planks with grain", [](ProctexSettings& s) {
        s.scale = 160.0f; s.octaves = 4; s.persistence = 0.5f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.overlayType = PROCTEX_OVERLAY_PLANKS;
        s.overlayParam = 256.0f; s.overlayStrength = 1.0f; s.seed = 303; s.contrast = 0.9f;
        s.brightness = 0.05f; s.normalStrength = 4.0f;
    }},
    {"brick-wall", "red bricks in running bond with dark joints", [](ProctexSettings& s) {
        s.scale = 24.0f; s.octaves = 6; s.persistence = 0.6f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.overlayType = PROCTEX_OVERLAY_BRICKS;
        s.overlayParam = 96.0f; s.overlayStrength = 40.0f; s.seed = 404; s.contrast = 0.45f;
        s.brightness = -0.24f; s.normalStrength = 8.0f; s.roughness = 0.2f;
    }},
    {"cobblestone", "rounded stones set in deep joints", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 6; s.materialType = PROCTEX_MATERIAL_STONE;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 24.0f; s.seed = 505;
        s.contrast = 1.3f; s.invert = 1; s.normalStrength = -6.0f;
    }},
    {"brushed-steel", "fine directional brushing on grey metal", [](ProctexSettings& s) {
        s.scale = 384.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_GREY_ALT;
        s.patternType = PROCTEX_PATTERN_BRUSHED; s.patternParam = 300.0f; s.seed = 606;
        s.contrast = 2.5f; s.brightness = -0.1f; s.normalStrength = 30.0f; s.roughness = 0.7f;
    }},
    {"scratched-metal", "dark plate with scattered scratches", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 5; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_GREY; s.overlayType = PROCTEX_OVERLAY_SCRATCHES;
        s.overlayParam = 80.0f; s.overlayStrength = 0.8f; s.seed = 707; s.contrast = 0.7f;
        s.brightness = -0.1f; s.normalStrength = 6.0f; s.roughness = 0.6f;
    }},
    {"lava", "glowing cracks between cooling crusts", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 7; s.persistence = 0.6f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.patternType = PROCTEX_PATTERN_CELLS;
        s.patternParam = 40.0f; s.seed = 808; s.contrast = 1.4f; s.normalStrength = -5.0f;
    }},
    {"moss", "soft green growth", [](ProctexSettings& s) {
        s.scale = 32.0f; s.octaves = 8; s.persistence = 0.65f;
        s.materialType = PROCTEX_MATERIAL_GREEN; s.patternType = PROCTEX_PATTERN_DAMPED_EXTREMES;
        s.patternParam = 1.5f; s.seed = 909; s.contrast = 1.3f; s.normalStrength = 4.0f;
        s.roughness = 0.1f;
    }},
    {"ocean", "rolling blue water, tileable", [](ProctexSettings& s) {
        s.baseType = PROCTEX_BASE_SINGLE_OCTAVE; s.scale = 128.0f;
        s.materialType = PROCTEX_MATERIAL_BLUE; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 6.0f; s.seed = 1010; s.contrast = 1.1f; s.seamless = 1;
        s.normalStrength = 3.0f; s.roughness = 0.9f;
    }},
    {"sand-ripples", "wind ripples in dune sand", [](ProctexSettings& s) {
        s.scale = 256.0f; s.octaves = 3; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 8.0f; s.seed = 1111; s.contrast = 1.8f; s.brightness = 0.08f;
        s.normalStrength = 5.0f;
    }},
    {"ceramic-tiles", "speckled white glazed tiles with grey grout", [](ProctexSettings& s) {
        s.scale = 40.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_MARBLE;
        s.patternType = PROCTEX_PATTERN_DAMPED_EXTREMES; s.patternParam = 1.0f;
        s.overlayType = PROCTEX_OVERLAY_BRICKS; s.overlayParam = 128.0f; s.overlayStrength = 64.0f;
        s.seed = 1212; s.contrast = 2.0f; s.brightness = 0.05f; s.normalStrength = 4.0f;
        s.roughness = 0.9f;
    }},
    {"acoustic-foam", "dark egg-crate foam for studio walls", [](ProctexSettings& s) {
        s.octaves = 0; s.materialType = PROCTEX_MATERIAL_RAMP;
        s.patternType = PROCTEX_PATTERN_EGG_CRATE; s.patternParam = 7.0f; s.seed = 1313;
        s.contrast = 1.5f; s.brightness = -0.4f; s.normalStrength = 6.0f; s.roughness = 0.0f;
    }},
    {"hammered-copper", "copper sheet covered in hammer dents", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 4; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 36.0f; s.seed = 1414;
        s.contrast = 0.3f; s.brightness = 0.3f; s.normalStrength = 4.0f; s.roughness = 0.6f;
    }},
    {"rusted-plate", "pitted, scratched iron plate", [](ProctexSettings& s) {
        s.scale = 24.0f; s.octaves = 8; s.persistence = 0.7f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.overlayType = PROCTEX_OVERLAY_SCRATCHES;
        s.overlayParam = 40.0f; s.overlayStrength = 0.6f; s.seed = 1515; s.contrast = 0.7f;
        s.brightness = -0.25f; s.normalStrength = 8.0f;
    }},
    {"wood-rings", "end grain of a sawn log", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 5; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_RINGS; s.patternParam = 12.0f; s.seed = 1616;
        s.normalStrength = 3.0f;
    }},
    {"pine-knots", "banded pine boards with knots", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 4; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_KNOTS; s.patternParam = 16.0f; s.seed = 1717;
        s.normalStrength = 3.0f;
    }},
    {"diamond-plate", "raised diamond tread plate", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 5; s.persistence = 0.5f;
        s.materialType = PROCTEX_MATERIAL_GREY_ALT; s.patternType = PROCTEX_PATTERN_DIAMONDS;
        s.patternParam = 40.0f; s.seed = 1818; s.contrast = 3.0f; s.brightness = -0.25f;
        s.normalStrength = 28.0f; s.roughness = 0.3f;
    }},
    {"soft-stone", "soft grey stone, the base every other preset starts from",
     [](ProctexSettings&) {}},
};
// clang-format on

ProctexSettings presetBase() {
    ProctexSettings s = defaultSettings();
    s.scale = 96.0f;
    s.octaves = 7;
    s.persistence = 0.55f;
    s.contrast = 1.2f;
    return s;
}

}  // namespace

std::span<const Preset> presets() {
    return kPresets;
}

const Preset* findPreset(const char* name) {
    if (name == nullptr) return nullptr;
    for (const Preset& p : kPresets) {
        if (std::strcmp(name, p.name) == 0) return &p;
    }
    return nullptr;
}

ProctexSettings presetSettings(const Preset& preset) {
    ProctexSettings s = presetBase();
    preset.apply(s);
    return s;
}

}  // namespace proctex
