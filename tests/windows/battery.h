// The material sets that the Linux and Windows builds must write byte for byte
// alike. Between them they take every base, material, pattern and overlay type,
// the three seamless modes, the tone options and the optional maps, so a
// platform difference in any stage shows up in at least one file.
#pragma once

namespace proctex::battery {

// Every argument of GenerateTexture but the path; the defaults make a small
// fractal stone.
struct MaterialSet {
    const char* name;
    int width = 96;
    int height = 64;
    int baseType = 0;
    float scale = 24.0f;
    int octaves = 5;
    float persistence = 0.5f;
    float lacunarity = 2.0f;
    int materialType = 4;
    int patternType = 0;
    float patternParam = 0.0f;
    int overlayType = 0;
    float overlayParam = 0.0f;
    float overlayStrength = 0.0f;
    int seed = 1234;
    float contrast = 1.0f;
    float brightness = 0.0f;
    int invert = 0;
    int seamless = 0;
    float normalStrength = 4.0f;
    float roughness = 0.5f;
    int writeRoughness = 1;
    int writeMetallic = 1;
};

// One set per line or two, so the table reads as a table.
// clang-format off
inline constexpr MaterialSet kMaterialSets[] = {
    // Base relief and palettes.
    {.name = "base1_grey", .baseType = 1, .octaves = 1, .materialType = 1},
    {.name = "base0_grey8", .materialType = 8, .seed = 7},
    {.name = "base2_fractal", .baseType = 2, .octaves = 7, .persistence = 0.65f,
     .lacunarity = 2.3f, .materialType = 4, .seed = -99},
    {.name = "mat0_ramp", .materialType = 0},
    {.name = "mat2_wood", .scale = 40.0f, .materialType = 2},
    {.name = "mat3_marble", .materialType = 3, .seed = 11},
    {.name = "mat5_green", .octaves = 8, .persistence = 0.6f, .materialType = 5},
    {.name = "mat6_blue", .baseType = 1, .scale = 16.0f, .materialType = 6},
    {.name = "mat7_lava", .scale = 48.0f, .materialType = 7, .contrast = 1.4f},
    {.name = "mat9_ramp", .materialType = 9},
    {.name = "matneg_ramp", .materialType = -3, .seed = 0},
    {.name = "big_stone", .width = 256, .height = 256, .scale = 64.0f, .octaves = 7,
     .persistence = 0.55f, .seed = 4321, .contrast = 1.2f, .normalStrength = 6.0f},
    // Tileable relief and wrapping normal maps.
    {.name = "seamless1", .width = 128, .scale = 32.0f, .seamless = 1},
    {.name = "seamless2", .width = 128, .scale = 32.0f, .seamless = 2},
    {.name = "seamless1_wide_scale", .scale = 200.0f, .materialType = 3, .seamless = 1},
    {.name = "seamless1_base1", .width = 64, .baseType = 1, .scale = 16.0f, .materialType = 1,
     .seamless = 1},
    // Tone options (diffuse only) and the optional maps.
    {.name = "tone_contrast", .contrast = 1.6f},
    {.name = "tone_brightness", .materialType = 1, .brightness = -0.15f},
    {.name = "tone_invert", .materialType = 2, .invert = 1},
    {.name = "tone_all_invert2", .materialType = 7, .contrast = 0.6f, .brightness = 0.1f,
     .invert = 2},
    {.name = "maps_none", .writeRoughness = 0, .writeMetallic = 0},
    {.name = "maps_rough_only", .roughness = 0.2f, .writeRoughness = 1, .writeMetallic = 2},
    {.name = "normal_flat", .normalStrength = 0.0f, .roughness = 0.9f},
    // Patterns.
    {.name = "pat2_rings", .patternType = 2, .patternParam = 12.0f},
    {.name = "pat2_rings_seamless1", .materialType = 2, .patternType = 2, .patternParam = 9.5f,
     .seamless = 1},
    {.name = "pat3_grooves", .patternType = 3, .patternParam = 4.0f},
    {.name = "pat3_grooves_seamless2", .materialType = 1, .patternType = 3, .patternParam = 6.0f,
     .seamless = 2},
    {.name = "pat4_tone_curve", .patternType = 4, .patternParam = 2.2f},
    {.name = "pat4_tone_curve_low", .materialType = 3, .patternType = 4, .patternParam = 0.1f},
    {.name = "pat5_damped", .patternType = 5, .patternParam = 2.0f},
    {.name = "pat5_damped_half", .materialType = 6, .patternType = 5, .patternParam = 0.5f},
    {.name = "pat6_cells", .patternType = 6, .patternParam = 8.0f, .seed = 77},
    {.name = "pat7_brushed", .materialType = 1, .patternType = 7, .patternParam = 5.0f},
    {.name = "pat8_discs", .patternType = 8, .patternParam = 16.0f},
    {.name = "pat9_checker", .materialType = 1, .patternType = 9, .patternParam = 8.0f},
    {.name = "pat9_checker_fraction", .patternType = 9, .patternParam = 2.5f},
    {.name = "pat10_knots", .materialType = 2, .patternType = 10, .patternParam = 6.0f},
    {.name = "pat11_diamonds", .patternType = 11, .patternParam = 12.0f},
    {.name = "pat12_egg_crate", .materialType = 5, .patternType = 12, .patternParam = 3.0f},
    {.name = "pat13_none", .patternType = 13, .patternParam = 5.0f},
    // Overlays.
    {.name = "ovl1_veins", .materialType = 3, .overlayType = 1, .overlayParam = 40.0f,
     .overlayStrength = 0.5f},
    {.name = "ovl1_veins_seamless1", .width = 128, .materialType = 3, .overlayType = 1,
     .overlayParam = 32.0f, .overlayStrength = 0.8f, .seamless = 1},
    {.name = "ovl2_bricks", .overlayType = 2, .overlayParam = 24.0f, .overlayStrength = 10.0f},
    {.name = "ovl3_planks_plain", .materialType = 2, .overlayType = 3, .overlayParam = 40.0f,
     .overlayStrength = 0.5f},
    {.name = "ovl3_planks_grain", .materialType = 2, .overlayType = 3, .overlayParam = 40.0f,
     .overlayStrength = 0.8f},
    {.name = "ovl4_scratches", .overlayType = 4, .overlayParam = 12.9f, .overlayStrength = 0.7f},
    {.name = "ovl5_none", .overlayType = 5, .overlayParam = 12.0f, .overlayStrength = 0.7f},
    // Patterns and overlays together, and seeds whose offsets wrap around.
    {.name = "mix_cells_veins", .materialType = 3, .patternType = 6, .patternParam = 10.0f,
     .overlayType = 1, .overlayParam = 30.0f, .overlayStrength = 0.4f, .seamless = 2},
    {.name = "mix_knots_planks", .materialType = 2, .patternType = 10, .patternParam = 5.0f,
     .overlayType = 3, .overlayParam = 48.0f, .overlayStrength = 0.9f},
    {.name = "mix_egg_crate_bricks", .patternType = 12, .patternParam = 4.0f, .overlayType = 2,
     .overlayParam = 20.0f, .overlayStrength = 8.0f, .contrast = 1.3f},
    {.name = "mix_brushed_scratches", .materialType = 1, .patternType = 7, .patternParam = 8.0f,
     .overlayType = 4, .overlayParam = 6.0f, .overlayStrength = 0.9f, .invert = 1},
    {.name = "mix_rings_veins_seed_wrap", .materialType = 7, .patternType = 2,
     .patternParam = 14.0f, .overlayType = 1, .overlayParam = 25.0f, .overlayStrength = 0.6f,
     .seed = 2147483000, .seamless = 1},
    {.name = "mix_cells_planks_seed_wrap", .materialType = 2, .patternType = 6,
     .patternParam = 9.0f, .overlayType = 3, .overlayParam = 30.0f, .overlayStrength = 0.7f,
     .seed = 2147483600},
};
// clang-format on

}  // namespace proctex::battery
