#include "presets.h"

namespace proctex::cli {

namespace {

// Tuned by eye at the default 512 x 512. Sizes in pixels (scale, pattern and
// overlay sizes) keep their pixel meaning at other sizes, so a larger image
// shows more of the same material rather than a magnified one.
// One preset per paragraph reads better than one field per line.
// clang-format off
const Preset kPresets[] = {
    {"granite", "speckled grey stone with crisp grain",
     {.scale = 12.0f, .octaves = 6, .persistence = 0.7f, .material = 4, .pattern = 4,
      .patternParam = 1.3f, .seed = 101, .contrast = 1.5f, .brightness = -0.05f,
      .normalStrength = 4.0f, .roughness = 0.4f}},
    {"marble", "white marble with dark flowing veins",
     {.base = 1, .scale = 128.0f, .material = 3, .overlay = 1, .overlayParam = 24.0f,
      .overlayStrength = 0.55f, .seed = 202, .contrast = 1.0f, .seamless = 1,
      .normalStrength = 2.0f, .roughness = 0.8f}},
    {"oak-planks", "floor of staggered oak planks with grain",
     {.scale = 160.0f, .octaves = 4, .persistence = 0.5f, .material = 2, .overlay = 3,
      .overlayParam = 256.0f, .overlayStrength = 1.0f, .seed = 303, .contrast = 0.9f,
      .brightness = 0.05f, .normalStrength = 4.0f}},
    {"brick-wall", "red bricks in running bond with dark joints",
     {.scale = 24.0f, .octaves = 6, .persistence = 0.6f, .material = 7, .overlay = 2,
      .overlayParam = 96.0f, .overlayStrength = 40.0f, .seed = 404, .contrast = 0.45f,
      .brightness = -0.24f, .normalStrength = 8.0f, .roughness = 0.2f}},
    {"cobblestone", "rounded stones set in deep joints",
     {.scale = 64.0f, .octaves = 6, .material = 4, .pattern = 6, .patternParam = 24.0f,
      .seed = 505, .contrast = 1.3f, .invert = 1, .normalStrength = -6.0f}},
    {"brushed-steel", "fine directional brushing on grey metal",
     {.scale = 128.0f, .octaves = 4, .material = 8, .pattern = 7, .patternParam = 300.0f,
      .seed = 606, .contrast = 0.8f, .brightness = 0.1f, .normalStrength = 3.0f,
      .roughness = 0.7f}},
    {"scratched-metal", "dark plate with scattered scratches",
     {.scale = 96.0f, .octaves = 5, .persistence = 0.4f, .material = 1, .overlay = 4,
      .overlayParam = 80.0f, .overlayStrength = 0.8f, .seed = 707, .contrast = 0.7f,
      .brightness = -0.1f, .normalStrength = 6.0f, .roughness = 0.6f}},
    {"lava", "glowing cracks between cooling crusts",
     {.scale = 96.0f, .octaves = 7, .persistence = 0.6f, .material = 7, .pattern = 6,
      .patternParam = 40.0f, .seed = 808, .contrast = 1.4f, .normalStrength = -5.0f}},
    {"moss", "soft green growth",
     {.scale = 32.0f, .octaves = 8, .persistence = 0.65f, .material = 5, .pattern = 5,
      .patternParam = 1.5f, .seed = 909, .contrast = 1.3f, .normalStrength = 4.0f,
      .roughness = 0.1f}},
    {"ocean", "rolling blue water, tileable",
     {.base = 1, .scale = 128.0f, .material = 6, .pattern = 3, .patternParam = 6.0f,
      .seed = 1010, .contrast = 1.1f, .seamless = 1, .normalStrength = 3.0f,
      .roughness = 0.9f}},
    {"sand-ripples", "wind ripples in dune sand",
     {.scale = 256.0f, .octaves = 3, .persistence = 0.4f, .material = 2, .pattern = 3,
      .patternParam = 4.0f, .seed = 1111, .contrast = 1.0f, .brightness = 0.1f,
      .normalStrength = 3.0f}},
    {"ceramic-tiles", "grey and white glazed tiles",
     {.material = 3, .pattern = 9, .patternParam = 64.0f, .seed = 1212, .contrast = 0.5f,
      .normalStrength = 4.0f, .roughness = 0.9f}},
    {"acoustic-foam", "dark egg-crate foam for studio walls",
     {.octaves = 0, .material = 0, .pattern = 12, .patternParam = 7.0f, .seed = 1313,
      .contrast = 1.5f, .brightness = -0.4f, .normalStrength = 6.0f, .roughness = 0.0f}},
    {"hammered-copper", "copper sheet covered in hammer dents",
     {.scale = 48.0f, .octaves = 5, .material = 7, .pattern = 8, .patternParam = 56.0f,
      .seed = 1414, .contrast = 0.7f, .brightness = -0.36f, .normalStrength = 5.0f,
      .roughness = 0.6f}},
    {"rusted-plate", "pitted, scratched iron plate",
     {.scale = 24.0f, .octaves = 8, .persistence = 0.7f, .material = 7, .overlay = 4,
      .overlayParam = 40.0f, .overlayStrength = 0.6f, .seed = 1515, .contrast = 0.7f,
      .brightness = -0.25f, .normalStrength = 8.0f}},
    {"wood-rings", "end grain of a sawn log",
     {.scale = 96.0f, .octaves = 5, .material = 2, .pattern = 2, .patternParam = 12.0f,
      .seed = 1616, .normalStrength = 3.0f}},
    {"pine-knots", "banded pine boards with knots",
     {.scale = 96.0f, .octaves = 4, .material = 2, .pattern = 10, .patternParam = 16.0f,
      .seed = 1717, .normalStrength = 3.0f}},
    {"diamond-plate", "raised diamond tread plate",
     {.scale = 128.0f, .octaves = 4, .material = 8, .pattern = 11, .patternParam = 40.0f,
      .seed = 1818, .contrast = 2.5f, .brightness = -0.35f, .normalStrength = 16.0f,
      .roughness = 0.3f}},
};
// clang-format on

}  // namespace

std::span<const Preset> presets() {
    return kPresets;
}

const Preset* findPreset(std::string_view name) {
    for (const Preset& p : kPresets) {
        if (name == p.name) return &p;
    }
    return nullptr;
}

}  // namespace proctex::cli
