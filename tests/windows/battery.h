// The material sets that the Linux and Windows builds must write byte for byte
// alike. Between them they take every base, material, pattern and overlay type,
// the three seamless modes, the tone options and the optional maps, so a
// platform difference in any stage shows up in at least one file.
#pragma once

#include <proctex.h>

namespace proctex::battery {

// The battery's own starting point, a small fractal stone. It is spelled out
// here rather than taken from proctex_settings_init, so the files stay the
// same when the library's defaults change.
inline constexpr ProctexSettings kBatteryDefaults{
    .size = sizeof(ProctexSettings),
    .width = 96,
    .height = 64,
    .baseType = 0,
    .scale = 24.0f,
    .octaves = 5,
    .persistence = 0.5f,
    .lacunarity = 2.0f,
    .materialType = 4,
    .patternType = 0,
    .patternParam = 0.0f,
    .overlayType = 0,
    .overlayParam = 0.0f,
    .overlayStrength = 0.0f,
    .seed = 1234,
    .contrast = 1.0f,
    .brightness = 0.0f,
    .invert = 0,
    .seamless = 0,
    .normalStrength = 4.0f,
    .roughness = 0.5f,
    .writeRoughness = 1,
    .writeMetallic = 1,
    .aoRadius = 16.0f,
    .aoStrength = 1.5f,
    .tileSize = 0.0f,
    .heightRange = 0.0f,
    .tileable = 0,  // GenerateTexture's results
};

// The battery's defaults with the changes `apply` makes.
constexpr ProctexSettings batterySettings(void (*apply)(ProctexSettings&)) {
    ProctexSettings s = kBatteryDefaults;
    apply(s);
    return s;
}

// One material set: a file name and what it changes in the defaults.
struct MaterialSet {
    const char* name;
    void (*apply)(ProctexSettings&);

    constexpr ProctexSettings settings() const { return batterySettings(apply); }
};

// One set per line or two, so the table reads as a table.
// clang-format off
inline constexpr MaterialSet kMaterialSets[] = {
    // Base relief and palettes.
    {"base1_grey", [](ProctexSettings& s) { s.baseType = 1; s.octaves = 1; s.materialType = 1; }},
    {"base0_grey8", [](ProctexSettings& s) { s.materialType = 8; s.seed = 7; }},
    {"base2_fractal", [](ProctexSettings& s) {
         s.baseType = 2; s.octaves = 7; s.persistence = 0.65f; s.lacunarity = 2.3f;
         s.materialType = 4; s.seed = -99; }},
    {"mat0_ramp", [](ProctexSettings& s) { s.materialType = 0; }},
    {"mat2_wood", [](ProctexSettings& s) { s.scale = 40.0f; s.materialType = 2; }},
    {"mat3_marble", [](ProctexSettings& s) { s.materialType = 3; s.seed = 11; }},
    {"mat5_green", [](ProctexSettings& s) {
         s.octaves = 8; s.persistence = 0.6f; s.materialType = 5; }},
    {"mat6_blue", [](ProctexSettings& s) { s.baseType = 1; s.scale = 16.0f; s.materialType = 6; }},
    {"mat7_lava", [](ProctexSettings& s) {
         s.scale = 48.0f; s.materialType = 7; s.contrast = 1.4f; }},
    {"mat9_ramp", [](ProctexSettings& s) { s.materialType = 9; }},
    {"matneg_ramp", [](ProctexSettings& s) { s.materialType = -3; s.seed = 0; }},
    {"big_stone", [](ProctexSettings& s) {
         s.width = 256; s.height = 256; s.scale = 64.0f; s.octaves = 7; s.persistence = 0.55f;
         s.seed = 4321; s.contrast = 1.2f; s.normalStrength = 6.0f; }},

    // Tileable relief and wrapping normal maps.
    {"seamless1", [](ProctexSettings& s) { s.width = 128; s.scale = 32.0f; s.seamless = 1; }},
    {"seamless2", [](ProctexSettings& s) { s.width = 128; s.scale = 32.0f; s.seamless = 2; }},
    {"seamless1_wide_scale", [](ProctexSettings& s) {
         s.scale = 200.0f; s.materialType = 3; s.seamless = 1; }},
    {"seamless1_base1", [](ProctexSettings& s) {
         s.width = 64; s.baseType = 1; s.scale = 16.0f; s.materialType = 1; s.seamless = 1; }},

    // Tone options (diffuse only) and the optional maps.
    {"tone_contrast", [](ProctexSettings& s) { s.contrast = 1.6f; }},
    {"tone_brightness", [](ProctexSettings& s) { s.materialType = 1; s.brightness = -0.15f; }},
    {"tone_invert", [](ProctexSettings& s) { s.materialType = 2; s.invert = 1; }},
    {"tone_all_invert2", [](ProctexSettings& s) {
         s.materialType = 7; s.contrast = 0.6f; s.brightness = 0.1f; s.invert = 2; }},
    {"maps_none", [](ProctexSettings& s) { s.writeRoughness = 0; s.writeMetallic = 0; }},
    {"maps_rough_only", [](ProctexSettings& s) {
         s.roughness = 0.2f; s.writeRoughness = 1; s.writeMetallic = 2; }},
    {"normal_flat", [](ProctexSettings& s) { s.normalStrength = 0.0f; s.roughness = 0.9f; }},

    // Patterns.
    {"pat2_rings", [](ProctexSettings& s) { s.patternType = 2; s.patternParam = 12.0f; }},
    {"pat2_rings_seamless1", [](ProctexSettings& s) {
         s.materialType = 2; s.patternType = 2; s.patternParam = 9.5f; s.seamless = 1; }},
    {"pat3_grooves", [](ProctexSettings& s) { s.patternType = 3; s.patternParam = 4.0f; }},
    {"pat3_grooves_seamless2", [](ProctexSettings& s) {
         s.materialType = 1; s.patternType = 3; s.patternParam = 6.0f; s.seamless = 2; }},
    {"pat4_tone_curve", [](ProctexSettings& s) { s.patternType = 4; s.patternParam = 2.2f; }},
    {"pat4_tone_curve_low", [](ProctexSettings& s) {
         s.materialType = 3; s.patternType = 4; s.patternParam = 0.1f; }},
    {"pat5_damped", [](ProctexSettings& s) { s.patternType = 5; s.patternParam = 2.0f; }},
    {"pat5_damped_half", [](ProctexSettings& s) {
         s.materialType = 6; s.patternType = 5; s.patternParam = 0.5f; }},
    {"pat6_cells", [](ProctexSettings& s) {
         s.patternType = 6; s.patternParam = 8.0f; s.seed = 77; }},
    {"pat7_brushed", [](ProctexSettings& s) {
         s.materialType = 1; s.patternType = 7; s.patternParam = 5.0f; }},
    {"pat8_discs", [](ProctexSettings& s) { s.patternType = 8; s.patternParam = 16.0f; }},
    {"pat9_checker", [](ProctexSettings& s) {
         s.materialType = 1; s.patternType = 9; s.patternParam = 8.0f; }},
    {"pat9_checker_fraction", [](ProctexSettings& s) { s.patternType = 9; s.patternParam = 2.5f; }},
    {"pat10_knots", [](ProctexSettings& s) {
         s.materialType = 2; s.patternType = 10; s.patternParam = 6.0f; }},
    {"pat11_diamonds", [](ProctexSettings& s) { s.patternType = 11; s.patternParam = 12.0f; }},
    {"pat12_egg_crate", [](ProctexSettings& s) {
         s.materialType = 5; s.patternType = 12; s.patternParam = 3.0f; }},
    // An unlisted code is no pattern for both calls (13 and up are kinds of the settings
    // API alone, which GenerateTexture does not draw).
    {"pat99_none", [](ProctexSettings& s) { s.patternType = 99; s.patternParam = 5.0f; }},

    // Overlays.
    {"ovl1_veins", [](ProctexSettings& s) {
         s.materialType = 3; s.overlayType = 1; s.overlayParam = 40.0f;
         s.overlayStrength = 0.5f; }},
    {"ovl1_veins_seamless1", [](ProctexSettings& s) {
         s.width = 128; s.materialType = 3; s.overlayType = 1; s.overlayParam = 32.0f;
         s.overlayStrength = 0.8f; s.seamless = 1; }},
    {"ovl2_bricks", [](ProctexSettings& s) {
         s.overlayType = 2; s.overlayParam = 24.0f; s.overlayStrength = 10.0f; }},
    {"ovl3_planks_plain", [](ProctexSettings& s) {
         s.materialType = 2; s.overlayType = 3; s.overlayParam = 40.0f;
         s.overlayStrength = 0.5f; }},
    {"ovl3_planks_grain", [](ProctexSettings& s) {
         s.materialType = 2; s.overlayType = 3; s.overlayParam = 40.0f;
         s.overlayStrength = 0.8f; }},
    {"ovl4_scratches", [](ProctexSettings& s) {
         s.overlayType = 4; s.overlayParam = 12.9f; s.overlayStrength = 0.7f; }},
    {"ovl5_none", [](ProctexSettings& s) {
         s.overlayType = 5; s.overlayParam = 12.0f; s.overlayStrength = 0.7f; }},

    // Patterns and overlays together, and seeds whose offsets wrap around.
    {"mix_cells_veins", [](ProctexSettings& s) {
         s.materialType = 3; s.patternType = 6; s.patternParam = 10.0f; s.overlayType = 1;
         s.overlayParam = 30.0f; s.overlayStrength = 0.4f; s.seamless = 2; }},
    {"mix_knots_planks", [](ProctexSettings& s) {
         s.materialType = 2; s.patternType = 10; s.patternParam = 5.0f; s.overlayType = 3;
         s.overlayParam = 48.0f; s.overlayStrength = 0.9f; }},
    {"mix_egg_crate_bricks", [](ProctexSettings& s) {
         s.patternType = 12; s.patternParam = 4.0f; s.overlayType = 2; s.overlayParam = 20.0f;
         s.overlayStrength = 8.0f; s.contrast = 1.3f; }},
    {"mix_brushed_scratches", [](ProctexSettings& s) {
         s.materialType = 1; s.patternType = 7; s.patternParam = 8.0f; s.overlayType = 4;
         s.overlayParam = 6.0f; s.overlayStrength = 0.9f; s.invert = 1; }},
    {"mix_rings_veins_seed_wrap", [](ProctexSettings& s) {
         s.materialType = 7; s.patternType = 2; s.patternParam = 14.0f; s.overlayType = 1;
         s.overlayParam = 25.0f; s.overlayStrength = 0.6f; s.seed = 2147483000; s.seamless = 1; }},
    {"mix_cells_planks_seed_wrap", [](ProctexSettings& s) {
         s.materialType = 2; s.patternType = 6; s.patternParam = 9.0f; s.overlayType = 3;
         s.overlayParam = 30.0f; s.overlayStrength = 0.7f; s.seed = 2147483600; }},
};
// clang-format on

}  // namespace proctex::battery
