#include "api/presets.h"

#include <cstring>
#include <initializer_list>
#include <iterator>

#include "settings/layer_text.h"
#include "settings/option_table.h"

namespace proctex {

namespace {

// The physical size of a tile and the height range that gives, at 512 pixels
// across, the slopes of a normal strength the preset was tuned with.
void physicalSize(ProctexSettings& s, float tileMetres, float strengthAt512) {
    s.tileSize = tileMetres;
    s.heightRange = strengthAt512 * 2.0f * tileMetres / 512.0f;
}

// A preset's own colour ramp: 0xRRGGBB (sRGB) and position per stop. Whole
// bytes, so the ramp's text form ("#731f0d@0,...") gives the same floats back.
struct HexStop {
    unsigned rgb;
    float position;
};

void setStops(ProctexSettings& s, std::initializer_list<HexStop> stops) {
    s.colorStopCount = 0;
    for (const HexStop& stop : stops) {
        if (s.colorStopCount == 8) break;
        float* out = s.colorStops[s.colorStopCount++];
        for (int c = 0; c < 3; ++c) {
            out[c] = static_cast<float>((stop.rgb >> (16 - 8 * c)) & 0xFFu) / 255.0f;
        }
        out[3] = stop.position;
    }
}

// A preset's layers in their text form; a text that does not read is a
// fault of the table, which the preset tests catch.
void layers(ProctexSettings& s, const char* text) {
    (void)setLayers(text, s);
}

// Tuned by eye at 512 x 512 and 1024 x 1024. Sizes are units of the tile
// (1/512 of its width; pixels for GenerateTexture), so a larger image shows
// the same material more finely. Each preset
// changes only what differs from presetBase, the soft grey stone they were
// tuned from (the defaults once were this stone; the presets keep it).
// The second function gives the look with the PBR maps: physical size,
// roughness, metal, and whatever those maps need to read as the material.
// clang-format off
const Preset kPresets[] = {
    {"granite", "speckled grey stone with crisp grain", [](ProctexSettings& s) {
        s.scale = 12.0f; s.octaves = 6; s.persistence = 0.7f;
        s.materialType = PROCTEX_MATERIAL_STONE; s.patternType = PROCTEX_PATTERN_TONE_CURVE;
        s.patternParam = 1.3f; s.seed = 101; s.contrast = 1.5f; s.brightness = -0.05f;
        s.normalStrength = 4.0f; s.roughness = 0.4f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 0.5f, 4.0f); s.roughness = 0.6f;
    }, {0.20f, 0.35f}},  // stone, Oke, Boundary Layer Climates (1987)
    {"marble", "white marble with dark flowing veins", [](ProctexSettings& s) {
        s.baseType = PROCTEX_BASE_SINGLE_OCTAVE; s.scale = 128.0f;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.overlayType = PROCTEX_OVERLAY_VEINS;
        s.overlayParam = 24.0f; s.overlayStrength = 0.55f; s.seed = 202; s.contrast = 1.0f;
        s.seamless = 1; s.normalStrength = 2.0f; s.roughness = 0.8f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 2.0f); s.roughness = 0.25f;
        // White stone: grey only where the veins run deepest.
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x8a8784, 0.0f}, {0xdcd9d3, 0.15f}, {0xeeebe6, 0.5f}, {0xf5f3ef, 1.0f}});
    }, {0.55f, 0.55f}},  // white marble chips, Oke, Boundary Layer Climates (1987)
    {"oak-planks", "floor of staggered oak planks with grain", [](ProctexSettings& s) {
        s.scale = 160.0f; s.octaves = 4; s.persistence = 0.5f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.overlayType = PROCTEX_OVERLAY_PLANKS;
        s.overlayParam = 256.0f; s.overlayStrength = 1.0f; s.seed = 303; s.contrast = 0.9f;
        s.brightness = 0.05f; s.normalStrength = 4.0f;
    }, [](ProctexSettings& s) {
        // Boards of their own lengths, each with its grain, rings and knots;
        // the seed lays them out.
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_BOARDS;
        s.patternParam = 48.0f;
        physicalSize(s, 2.0f, 4.0f); s.roughness = 0.6f;
    }},
    {"brick-wall", "red bricks in running bond with dark joints", [](ProctexSettings& s) {
        s.scale = 24.0f; s.octaves = 6; s.persistence = 0.6f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.overlayType = PROCTEX_OVERLAY_BRICKS;
        s.overlayParam = 96.0f; s.overlayStrength = 40.0f; s.seed = 404; s.contrast = 0.45f;
        s.brightness = -0.24f; s.normalStrength = 8.0f; s.roughness = 0.2f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.5f, 6.0f); s.roughness = 0.85f;
        // Running bond whose offsets and brick lengths follow the seed.
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_BOND_BRICKS;
        s.patternParam = 80.0f;
        // Fired clay, from dark red-brown to a sandy orange-red.
        s.materialType = PROCTEX_MATERIAL_CUSTOM; s.contrast = 1.0f; s.brightness = 0.0f;
        setStops(s, {{0x66301f, 0.0f}, {0x934733, 0.45f}, {0xae6347, 0.8f}, {0xbf7c5f, 1.0f}});
        // A brick in five fired darker, then the mortar: sunk, rough, sandy.
        layers(s, "mask=pieces threshold=0.8 softness=0.1 color=#6a2c1e piece-tint=0.4;"
                  "mask=joints color=#8f8a80 color2=#a39d92 roughness=0.95 height=-0.03 "
                  "detail=0.04 noise-scale=3");
    }, {0.20f, 0.40f}},  // brick, Oke, Boundary Layer Climates (1987)
    {"cobblestone", "rounded stones set in deep joints", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 6; s.materialType = PROCTEX_MATERIAL_STONE;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 24.0f; s.seed = 505;
        s.contrast = 1.3f; s.invert = 1; s.normalStrength = -6.0f;
    }, [](ProctexSettings& s) {
        // Rounded stones standing out of their joints.
        s.patternType = PROCTEX_PATTERN_COBBLES; s.patternParam = 40.0f; s.invert = 0;
        s.normalStrength = 6.0f; physicalSize(s, 2.0f, 6.0f); s.roughness = 0.75f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM; s.contrast = 1.0f;
        setStops(s, {{0x5b5853, 0.0f}, {0x77736c, 0.5f}, {0x8f8a82, 1.0f}});
        // Some stones of another quarry, and dirt packed into the joints.
        layers(s, "mask=pieces threshold=0.7 softness=0.15 color=#7d776e piece-tint=0.3;"
                  "mask=joints color=#4a4036 color2=#5e5244 roughness=0.95 height=-0.02 "
                  "detail=0.05 noise-scale=5");
    }, {0.20f, 0.35f}},  // stone, Oke, Boundary Layer Climates (1987)
    {"brushed-steel", "fine directional brushing on grey metal", [](ProctexSettings& s) {
        s.scale = 384.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_GREY_ALT;
        s.patternType = PROCTEX_PATTERN_BRUSHED; s.patternParam = 300.0f; s.seed = 606;
        s.contrast = 2.5f; s.brightness = -0.1f; s.normalStrength = 30.0f; s.roughness = 0.7f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_STEEL;
        physicalSize(s, 0.25f, 12.0f); s.roughness = 0.35f;
        // Brushing as fine grooves along the rows, a few longer scratches.
        s.patternType = PROCTEX_PATTERN_FINE_SCRATCHES; s.patternParam = -60.0f;
    }, {0.561f, 0.561f}},  // steel's F0, Real-Time Rendering 4th ed. table 9.2
    {"scratched-metal", "dark plate with scattered scratches", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 5; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_GREY; s.overlayType = PROCTEX_OVERLAY_SCRATCHES;
        s.overlayParam = 80.0f; s.overlayStrength = 0.8f; s.seed = 707; s.contrast = 0.7f;
        s.brightness = -0.1f; s.normalStrength = 6.0f; s.roughness = 0.6f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_IRON;
        physicalSize(s, 0.5f, 6.0f); s.roughness = 0.45f;
        // Scratches cut into the plate, not raised on it.
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_FINE_SCRATCHES;
        s.patternParam = 60.0f;
    }, {0.565f, 0.565f}},  // iron's F0, Real-Time Rendering 4th ed. table 9.2
    {"lava", "glowing cracks between cooling crusts", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 7; s.persistence = 0.6f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.patternType = PROCTEX_PATTERN_CELLS;
        s.patternParam = 40.0f; s.seed = 808; s.contrast = 1.4f; s.normalStrength = -5.0f;
    }, [](ProctexSettings& s) {
        // Cooled crust stands up as dark rock; the cracks between sink and glow.
        s.invert = 1; s.normalStrength = 5.0f; physicalSize(s, 2.0f, 5.0f);
        s.materialType = PROCTEX_MATERIAL_CUSTOM; s.contrast = 1.0f;
        setStops(s, {{0x731f0d, 0.0f}, {0x331f1a, 0.45f}, {0x1f1c1c, 0.8f}, {0x33302e, 1.0f}});
        s.emission = 4.0f; s.emissionLevel = 0.35f; s.roughness = 0.8f;
    }},
    {"moss", "soft green growth", [](ProctexSettings& s) {
        s.scale = 32.0f; s.octaves = 8; s.persistence = 0.65f;
        s.materialType = PROCTEX_MATERIAL_GREEN; s.patternType = PROCTEX_PATTERN_DAMPED_EXTREMES;
        s.patternParam = 1.5f; s.seed = 909; s.contrast = 1.3f; s.normalStrength = 4.0f;
        s.roughness = 0.1f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 0.5f, 4.0f); s.roughness = 0.9f;
    }},
    {"ocean", "rolling blue water, tileable", [](ProctexSettings& s) {
        s.baseType = PROCTEX_BASE_SINGLE_OCTAVE; s.scale = 128.0f;
        s.materialType = PROCTEX_MATERIAL_BLUE; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 6.0f; s.seed = 1010; s.contrast = 1.1f; s.seamless = 1;
        s.normalStrength = 3.0f; s.roughness = 0.9f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 4.0f, 3.0f); s.roughness = 0.05f;
        // Deep water is dark: its look is the sky it mirrors.
        s.materialType = PROCTEX_MATERIAL_CUSTOM; s.contrast = 1.0f;
        setStops(s, {{0x18303c, 0.0f}, {0x1e3d4b, 0.5f}, {0x264b5a, 1.0f}});
    }, {0.03f, 0.10f}},  // water, sun high, Oke, Boundary Layer Climates (1987)
    {"sand-ripples", "wind ripples in dune sand", [](ProctexSettings& s) {
        s.scale = 256.0f; s.octaves = 3; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 8.0f; s.seed = 1111; s.contrast = 1.8f; s.brightness = 0.08f;
        s.normalStrength = 5.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 2.0f, 5.0f); s.roughness = 0.9f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM; s.brightness = 0.0f;
        setStops(s, {{0x7e6146, 0.0f}, {0xa88a68, 0.5f}, {0xc4a784, 1.0f}});
    }, {0.36f, 0.36f}},  // desert sand, Unreal Engine docs, Physically Based Materials
    {"ceramic-tiles", "speckled white glazed tiles with grey grout", [](ProctexSettings& s) {
        s.scale = 40.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_MARBLE;
        s.patternType = PROCTEX_PATTERN_DAMPED_EXTREMES; s.patternParam = 1.0f;
        s.overlayType = PROCTEX_OVERLAY_BRICKS; s.overlayParam = 128.0f; s.overlayStrength = 64.0f;
        s.seed = 1212; s.contrast = 2.0f; s.brightness = 0.05f; s.normalStrength = 4.0f;
        s.roughness = 0.9f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 4.0f); s.roughness = 0.15f;
    }},
    {"acoustic-foam", "dark egg-crate foam for studio walls", [](ProctexSettings& s) {
        s.octaves = 0; s.materialType = PROCTEX_MATERIAL_RAMP;
        s.patternType = PROCTEX_PATTERN_EGG_CRATE; s.patternParam = 7.0f; s.seed = 1313;
        s.contrast = 1.5f; s.brightness = -0.4f; s.normalStrength = 6.0f; s.roughness = 0.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 6.0f); s.roughness = 0.95f;
    }},
    {"hammered-copper", "copper sheet covered in hammer dents", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 4; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 36.0f; s.seed = 1414;
        s.contrast = 0.3f; s.brightness = 0.3f; s.normalStrength = 4.0f; s.roughness = 0.6f;
    }, [](ProctexSettings& s) {
        // Round overlapping hammer dents with rims between them, in bare copper.
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_COPPER;
        s.patternType = PROCTEX_PATTERN_HAMMERED; s.patternParam = 32.0f;
        s.contrast = 1.0f; s.brightness = 0.0f; physicalSize(s, 0.3f, 7.0f);
        s.roughness = 0.3f;
    }, {0.698f, 0.698f}},  // copper's F0, Real-Time Rendering 4th ed. table 9.2
    {"rusted-plate", "pitted, scratched iron plate", [](ProctexSettings& s) {
        s.scale = 24.0f; s.octaves = 8; s.persistence = 0.7f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.overlayType = PROCTEX_OVERLAY_SCRATCHES;
        s.overlayParam = 40.0f; s.overlayStrength = 0.6f; s.seed = 1515; s.contrast = 0.7f;
        s.brightness = -0.25f; s.normalStrength = 8.0f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_IRON;
        s.metalMask = PROCTEX_METAL_MASK_TOPS; s.contrast = 1.0f; s.brightness = 0.0f;
        physicalSize(s, 0.5f, 8.0f); s.roughness = 0.4f;
        // Rust gathers in the pits and spreads in patches, rough and no metal.
        layers(s, "mask=cavity threshold=0.3 softness=0.15 mask2=noise threshold2=0.58 "
                  "softness2=0.1 combine=max noise-scale=32 noise-octaves=6 color=#4a200e "
                  "color2=#c06a32 roughness=0.9 height=0.01 detail=0.03");
    }},
    {"wood-rings", "end grain of a sawn log", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 5; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_RINGS; s.patternParam = 12.0f; s.seed = 1616;
        s.normalStrength = 3.0f;
    }, [](ProctexSettings& s) {
        // Rings that tile without a crease, uneven, cracked from the pith.
        s.patternType = PROCTEX_PATTERN_TILING_RINGS; s.patternParam = 8.0f;
        physicalSize(s, 0.5f, 3.0f); s.roughness = 0.7f;
    }},
    {"pine-knots", "banded pine boards with knots", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 4; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_KNOTS; s.patternParam = 16.0f; s.seed = 1717;
        s.normalStrength = 3.0f;
    }, [](ProctexSettings& s) {
        // Boards: plain planks over the banded knots.
        s.patternParam = 20.0f; s.overlayType = PROCTEX_OVERLAY_PLANKS; s.overlayParam = 384.0f;
        s.overlayStrength = 0.5f; physicalSize(s, 2.0f, 4.0f); s.roughness = 0.7f;
    }},
    {"diamond-plate", "raised diamond tread plate", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 5; s.persistence = 0.5f;
        s.materialType = PROCTEX_MATERIAL_GREY_ALT; s.patternType = PROCTEX_PATTERN_DIAMONDS;
        s.patternParam = 40.0f; s.seed = 1818; s.contrast = 3.0f; s.brightness = -0.25f;
        s.normalStrength = 28.0f; s.roughness = 0.3f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_ALUMINIUM;
        physicalSize(s, 0.5f, 6.0f); s.roughness = 0.35f;
        // Raised lozenges crossing at right angles on a flat plate.
        s.patternType = PROCTEX_PATTERN_DIAMOND_PLATE; s.patternParam = 24.0f;
    }, {0.921f, 0.921f}},  // aluminium's F0, Real-Time Rendering 4th ed. table 9.2
    {"parquet", "oak parquet in herringbone", [](ProctexSettings& s) {
        // Without the PBR maps, short planks: GenerateTexture's kinds.
        s.scale = 160.0f; s.octaves = 4; s.persistence = 0.5f; s.seed = 2828;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.overlayType = PROCTEX_OVERLAY_PLANKS;
        s.overlayParam = 96.0f; s.overlayStrength = 1.0f; s.contrast = 0.9f;
        s.normalStrength = 3.0f;
    }, [](ProctexSettings& s) {
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_HERRINGBONE;
        s.patternParam = 28.0f;
        physicalSize(s, 1.0f, 3.0f); s.roughness = 0.45f;
    }},
    {"hex-tiles", "green glazed hexagonal tiles in pale grout", [](ProctexSettings& s) {
        // Without the PBR maps, square tiles: GenerateTexture's kinds.
        s.scale = 40.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_GREEN;
        s.overlayType = PROCTEX_OVERLAY_BRICKS; s.overlayParam = 48.0f;
        s.overlayStrength = 48.0f; s.seed = 2929; s.contrast = 0.8f;
    }, [](ProctexSettings& s) {
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_HEX_TILES;
        s.patternParam = 40.0f; s.contrast = 1.0f;
        physicalSize(s, 0.5f, 4.0f); s.roughness = 0.2f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x3e6e5a, 0.0f}, {0x4f8a70, 0.5f}, {0x5e9c80, 1.0f}});
        layers(s, "mask=joints color=#b9b4aa roughness=0.9 height=-0.01");
    }},
    {"leather", "brown pebbled leather", [](ProctexSettings& s) {
        s.scale = 80.0f; s.octaves = 4; s.persistence = 0.4f; s.seed = 3030;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.patternType = PROCTEX_PATTERN_CELLS;
        s.patternParam = 6.0f; s.invert = 1; s.contrast = 1.0f; s.normalStrength = -2.0f;
    }, [](ProctexSettings& s) {
        s.normalStrength = 2.0f; physicalSize(s, 0.25f, 4.0f); s.roughness = 0.55f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x4a2c1a, 0.0f}, {0x5a3721, 0.5f}, {0x643d25, 1.0f}});
        // The creases between the pebbles, darker and a little less worn.
        layers(s, "mask=joints color=#3a2214 roughness=0.65 height=-0.01");
    }},
    {"terrazzo", "terrazzo: stone chips set in pale cement, polished", [](ProctexSettings& s) {
        s.scale = 40.0f; s.octaves = 4; s.persistence = 0.4f; s.seed = 3232;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.contrast = 0.5f; s.normalStrength = 1.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 0.5f, 0.5f); s.roughness = 0.35f; s.contrast = 1.0f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0xb9b4aa, 0.0f}, {0xc8c3b9, 0.5f}, {0xd2cdc3, 1.0f}});
        // Three kinds of chip: dark stone, red and ochre, white marble.
        layers(s, "mask=noise threshold=0.66 softness=0.01 noise-scale=9 noise-octaves=2 "
                  "color=#6e6a64 color2=#2f2d2a piece-tint=0.3 roughness=0.3;"
                  "mask=noise threshold=0.7 softness=0.01 noise-scale=7 noise-octaves=2 "
                  "noise-seed=5 color=#a0473a color2=#c9a27a roughness=0.3;"
                  "mask=noise threshold=0.72 softness=0.01 noise-scale=5 noise-octaves=1 "
                  "noise-seed=9 color=#f0ede6 roughness=0.3");
    }},
    {"roof-tiles", "terracotta roof in staggered rounded tiles", [](ProctexSettings& s) {
        // Without the PBR maps, bricks: GenerateTexture's kinds.
        s.scale = 40.0f; s.octaves = 4; s.materialType = PROCTEX_MATERIAL_LAVA;
        s.overlayType = PROCTEX_OVERLAY_BRICKS; s.overlayParam = 48.0f;
        s.overlayStrength = 40.0f; s.seed = 3333; s.contrast = 0.45f; s.brightness = -0.2f;
    }, [](ProctexSettings& s) {
        s.overlayType = PROCTEX_OVERLAY_NONE; s.patternType = PROCTEX_PATTERN_ROOF_TILES;
        s.patternParam = 48.0f; s.contrast = 1.0f; s.brightness = 0.0f;
        physicalSize(s, 2.0f, 6.0f); s.roughness = 0.7f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x7a3320, 0.0f}, {0x9c4a2e, 0.5f}, {0xb5613f, 1.0f}});
        // Some tiles fired darker, lichen in a few crevices.
        layers(s, "mask=pieces threshold=0.88 softness=0.05 color=#6e2e1e piece-tint=0.3;"
                  "mask=joints mask2=noise threshold2=0.6 noise-scale=40 color=#5d6b3a "
                  "roughness=0.95");
    }, {0.10f, 0.35f}},  // tile, Oke
    // Oke: T. R. Oke, Boundary Layer Climates, 2nd ed. (1987), albedos of
    // natural and urban surfaces. Unreal: the base colour table of the
    // Unreal Engine documentation's "Physically Based Materials" page.
    {"concrete", "cast concrete with pinholes and stains", [](ProctexSettings& s) {
        s.scale = 60.0f; s.octaves = 8; s.persistence = 0.5f; s.seed = 1919;
        s.contrast = 1.0f; s.roughness = 0.3f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 5.0f); s.roughness = 0.85f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x7a766e, 0.0f}, {0x8e8a82, 0.5f}, {0x9c988f, 1.0f}});
        // Air bubbles opened at the surface, then damp stains.
        layers(s, "mask=noise threshold=0.72 softness=0.03 noise-scale=4 noise-octaves=2 "
                  "noise-seed=3 color=#5e5a54 roughness=0.95 height=-0.04;"
                  "mask=noise threshold=0.6 softness=0.2 noise-scale=140 noise-octaves=5 "
                  "color=#7a756c color2=#878278 roughness=0.9");
    }, {0.10f, 0.35f}},  // concrete, Oke
    {"asphalt", "worn road asphalt with light aggregate", [](ProctexSettings& s) {
        s.scale = 30.0f; s.octaves = 8; s.persistence = 0.55f; s.seed = 2020;
        s.contrast = 1.0f; s.brightness = -0.3f; s.roughness = 0.2f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 5.0f); s.roughness = 0.9f; s.brightness = 0.0f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x2e2e30, 0.0f}, {0x3a3a3c, 0.5f}, {0x47474a, 1.0f}});
        // Stones of the aggregate worn bare, then patches of fresher binder.
        layers(s, "mask=noise threshold=0.7 softness=0.02 noise-scale=2.5 noise-octaves=1 "
                  "color=#6e6a64 color2=#8a8378 roughness=0.8 height=0.03;"
                  "mask=noise threshold=0.55 softness=0.25 noise-scale=120 noise-octaves=4 "
                  "color=#353537 roughness=0.92");
    }, {0.05f, 0.20f}},  // asphalt, Oke
    {"snow", "fresh wind-packed snow", [](ProctexSettings& s) {
        s.scale = 80.0f; s.octaves = 6; s.persistence = 0.45f; s.seed = 2121;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.contrast = 0.6f; s.brightness = 0.2f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 5.0f); s.roughness = 0.6f; s.contrast = 1.0f; s.brightness = 0.0f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0xd8dde3, 0.0f}, {0xeef1f4, 0.5f}, {0xf7f8fa, 1.0f}});
        // Grains that catch the light.
        layers(s, "mask=noise threshold=0.65 softness=0.05 noise-scale=3 noise-octaves=1 "
                  "color=#ffffff roughness=0.3");
    }, {0.81f, 0.81f}},  // fresh snow, Unreal
    {"dry-mud", "dried mud broken into plates by cracks", [](ProctexSettings& s) {
        s.scale = 40.0f; s.octaves = 6; s.materialType = PROCTEX_MATERIAL_WOOD;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 40.0f; s.seed = 2222;
        s.invert = 1; s.contrast = 1.0f; s.normalStrength = -5.0f;
    }, [](ProctexSettings& s) {
        s.normalStrength = 5.0f; physicalSize(s, 1.0f, 5.0f); s.roughness = 0.95f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x5a4634, 0.0f}, {0x7a6048, 0.5f}, {0x8d7157, 1.0f}});
        layers(s, "mask=joints color=#3e3024 roughness=1 height=-0.05");
    }, {0.13f, 0.13f}},  // bare soil, Unreal
    {"rough-rock", "weathered grey rock face", [](ProctexSettings& s) {
        s.scale = 120.0f; s.octaves = 9; s.persistence = 0.62f; s.seed = 2323;
        s.contrast = 1.0f; s.normalStrength = 8.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 2.0f, 8.0f); s.roughness = 0.85f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x4f4b46, 0.0f}, {0x6d6862, 0.45f}, {0x8a857d, 0.8f}, {0x9d978e, 1.0f}});
        // Grime in the hollows, weathered light edges.
        layers(s, "mask=cavity threshold=0.5 softness=0.2 color=#3e3a35 roughness=0.95;"
                  "mask=edges threshold=0.55 softness=0.2 color=#a8a298 roughness=0.75");
    }, {0.20f, 0.35f}},  // stone, Oke
    {"plaster", "whitewashed plaster wall", [](ProctexSettings& s) {
        s.scale = 50.0f; s.octaves = 6; s.persistence = 0.45f; s.seed = 2424;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.contrast = 0.5f; s.normalStrength = 1.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 1.0f); s.roughness = 0.9f; s.contrast = 1.0f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0xd2cdc2, 0.0f}, {0xe0dbd0, 0.5f}, {0xe8e4da, 1.0f}});
        layers(s, "mask=noise threshold=0.55 softness=0.3 noise-scale=160 noise-octaves=4 "
                  "color=#cfc9bc roughness=0.92");
    }, {0.50f, 0.90f}},  // white paint, Oke
    {"painted-metal", "green paint chipped off steel, rust at the chips", [](ProctexSettings& s) {
        s.scale = 40.0f; s.octaves = 6; s.persistence = 0.5f; s.seed = 2525;
        s.materialType = PROCTEX_MATERIAL_GREEN; s.contrast = 0.5f; s.normalStrength = 2.0f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_STEEL; s.roughness = 0.4f;
        physicalSize(s, 0.5f, 4.0f);
        // Paint over all but the chips, standing above the bare steel; rust
        // where the chips are deepest.
        layers(s, "mask=noise threshold=0.68 softness=0.02 invert=1 noise-scale=40 "
                  "noise-octaves=6 color=#2f5d3a color2=#386b45 roughness=0.55 height=0.02;"
                  "mask=noise threshold=0.78 softness=0.04 noise-scale=40 noise-octaves=6 "
                  "color=#5a3a20 color2=#7a4a26 roughness=0.9");
    }},
    {"sandstone", "layered sandstone in warm ochre", [](ProctexSettings& s) {
        s.scale = 90.0f; s.octaves = 8; s.persistence = 0.55f; s.seed = 2626;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 10.0f; s.contrast = 1.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 5.0f); s.roughness = 0.9f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0xa07a58, 0.0f}, {0xb8916c, 0.5f}, {0xc6a07c, 1.0f}});
        layers(s, "mask=noise threshold=0.5 softness=0.3 noise-scale=60 color=#ab8464 "
                  "color2=#c29c77 roughness=0.92");
    }, {0.20f, 0.35f}},  // stone, Oke
    {"gravel", "loose grey gravel, each stone its own", [](ProctexSettings& s) {
        s.scale = 30.0f; s.octaves = 4; s.patternType = PROCTEX_PATTERN_CELLS;
        s.patternParam = 7.0f; s.seed = 2727; s.invert = 1; s.contrast = 1.0f;
        s.normalStrength = -6.0f;
    }, [](ProctexSettings& s) {
        s.normalStrength = 6.0f; physicalSize(s, 0.5f, 6.0f); s.roughness = 0.85f;
        s.materialType = PROCTEX_MATERIAL_CUSTOM;
        setStops(s, {{0x6a665f, 0.0f}, {0x8a857c, 0.5f}, {0x9d978d, 1.0f}});
        layers(s, "mask=all piece-tint=0.7 color=#8a847a color2=#a09a90 roughness=0.85;"
                  "mask=joints color=#3d3a35 roughness=0.95 height=-0.05");
    }, {0.20f, 0.35f}},  // stone, Oke
    {"soft-stone", "soft grey stone, the base every other preset starts from",
     [](ProctexSettings&) {}, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 6.0f); s.roughness = 0.7f;
    }, {0.20f, 0.35f}},  // stone, Oke, Boundary Layer Climates (1987)
};
// clang-format on

ProctexSettings presetBase(bool pbr) {
    ProctexSettings s = pbr ? defaultSettings() : legacySettings();
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
        if (sameName(name, p.name)) return &p;
    }
    return nullptr;
}

ProctexSettings presetSettings(const Preset& preset, bool pbr) {
    ProctexSettings s = presetBase(pbr);
    preset.apply(s);
    if (pbr) preset.applyPbr(s);
    return s;
}

}  // namespace proctex
