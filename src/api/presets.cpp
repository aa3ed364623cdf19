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
    }},
    {"marble", "white marble with dark flowing veins", [](ProctexSettings& s) {
        s.baseType = PROCTEX_BASE_SINGLE_OCTAVE; s.scale = 128.0f;
        s.materialType = PROCTEX_MATERIAL_MARBLE; s.overlayType = PROCTEX_OVERLAY_VEINS;
        s.overlayParam = 24.0f; s.overlayStrength = 0.55f; s.seed = 202; s.contrast = 1.0f;
        s.seamless = 1; s.normalStrength = 2.0f; s.roughness = 0.8f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 2.0f); s.roughness = 0.25f;
    }},
    {"oak-planks", "floor of staggered oak planks with grain", [](ProctexSettings& s) {
        s.scale = 160.0f; s.octaves = 4; s.persistence = 0.5f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.overlayType = PROCTEX_OVERLAY_PLANKS;
        s.overlayParam = 256.0f; s.overlayStrength = 1.0f; s.seed = 303; s.contrast = 0.9f;
        s.brightness = 0.05f; s.normalStrength = 4.0f;
    }, [](ProctexSettings& s) {
        // Each board its own tone and grain: no base relief running across
        // the joints, only the planks' own.
        s.octaves = 0; s.contrast = 1.6f; s.brightness = -0.05f;
        physicalSize(s, 2.0f, 4.0f); s.roughness = 0.6f;
    }},
    {"brick-wall", "red bricks in running bond with dark joints", [](ProctexSettings& s) {
        s.scale = 24.0f; s.octaves = 6; s.persistence = 0.6f;
        s.materialType = PROCTEX_MATERIAL_LAVA; s.overlayType = PROCTEX_OVERLAY_BRICKS;
        s.overlayParam = 96.0f; s.overlayStrength = 40.0f; s.seed = 404; s.contrast = 0.45f;
        s.brightness = -0.24f; s.normalStrength = 8.0f; s.roughness = 0.2f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 1.5f, 6.0f); s.roughness = 0.85f;
        // A brick in five fired darker, then the mortar: sunk, rough, sandy.
        layers(s, "mask=pieces threshold=0.8 softness=0.1 color=#6a2c1e piece-tint=0.4;"
                  "mask=joints color=#8f8a80 color2=#a39d92 roughness=0.95 height=-0.03 "
                  "detail=0.04 noise-scale=3");
    }},
    {"cobblestone", "rounded stones set in deep joints", [](ProctexSettings& s) {
        s.scale = 64.0f; s.octaves = 6; s.materialType = PROCTEX_MATERIAL_STONE;
        s.patternType = PROCTEX_PATTERN_CELLS; s.patternParam = 24.0f; s.seed = 505;
        s.contrast = 1.3f; s.invert = 1; s.normalStrength = -6.0f;
    }, [](ProctexSettings& s) {
        // The stones stand up and the joints sink: the relief is turned over,
        // the normals follow it.
        s.normalStrength = 6.0f; physicalSize(s, 2.0f, 6.0f); s.roughness = 0.75f;
        // Some stones of another quarry, and dirt packed into the joints.
        layers(s, "mask=pieces threshold=0.7 softness=0.15 color=#7d776e piece-tint=0.3;"
                  "mask=joints color=#4a4036 color2=#5e5244 roughness=0.95 height=-0.02 "
                  "detail=0.05 noise-scale=5");
    }},
    {"brushed-steel", "fine directional brushing on grey metal", [](ProctexSettings& s) {
        s.scale = 384.0f; s.octaves = 3; s.materialType = PROCTEX_MATERIAL_GREY_ALT;
        s.patternType = PROCTEX_PATTERN_BRUSHED; s.patternParam = 300.0f; s.seed = 606;
        s.contrast = 2.5f; s.brightness = -0.1f; s.normalStrength = 30.0f; s.roughness = 0.7f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_STEEL;
        physicalSize(s, 0.25f, 12.0f); s.roughness = 0.35f;
    }},
    {"scratched-metal", "dark plate with scattered scratches", [](ProctexSettings& s) {
        s.scale = 96.0f; s.octaves = 5; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_GREY; s.overlayType = PROCTEX_OVERLAY_SCRATCHES;
        s.overlayParam = 80.0f; s.overlayStrength = 0.8f; s.seed = 707; s.contrast = 0.7f;
        s.brightness = -0.1f; s.normalStrength = 6.0f; s.roughness = 0.6f;
    }, [](ProctexSettings& s) {
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_IRON;
        physicalSize(s, 0.5f, 6.0f); s.roughness = 0.45f;
    }},
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
    }},
    {"sand-ripples", "wind ripples in dune sand", [](ProctexSettings& s) {
        s.scale = 256.0f; s.octaves = 3; s.persistence = 0.4f;
        s.materialType = PROCTEX_MATERIAL_WOOD; s.patternType = PROCTEX_PATTERN_GROOVES;
        s.patternParam = 8.0f; s.seed = 1111; s.contrast = 1.8f; s.brightness = 0.08f;
        s.normalStrength = 5.0f;
    }, [](ProctexSettings& s) {
        physicalSize(s, 2.0f, 5.0f); s.roughness = 0.9f;
    }},
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
        // Hammer dents: the cells sink toward their middles between raised
        // rims, in bare copper.
        s.metal = 1.0f; s.metalType = PROCTEX_METAL_TYPE_COPPER; s.patternParam = 28.0f;
        s.contrast = 1.0f; s.brightness = 0.0f; physicalSize(s, 0.3f, 7.0f);
        s.roughness = 0.3f;
    }},
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
        physicalSize(s, 0.5f, 20.0f); s.roughness = 0.35f;
    }},
    {"soft-stone", "soft grey stone, the base every other preset starts from",
     [](ProctexSettings&) {}, [](ProctexSettings& s) {
        physicalSize(s, 1.0f, 6.0f); s.roughness = 0.7f;
    }},
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
