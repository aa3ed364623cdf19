#include "settings/option_table.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

#include "overlays/overlay_registry.h"
#include "patterns/pattern_registry.h"

namespace proctex {

namespace {

using S = ProctexSettings;

constexpr ProctexChoice kBases[] = {
    {PROCTEX_BASE_FRACTAL, "fractal", "fractal", 0, {}, {}},
    {PROCTEX_BASE_SINGLE_OCTAVE, "single-octave", "single octave", 0, {}, {}},
};

constexpr ProctexChoice kMaterials[] = {
    {PROCTEX_MATERIAL_RAMP, "ramp", "black to white", 0, {}, {}},
    {PROCTEX_MATERIAL_GREY, "grey", "grey", 0, {}, {}},
    {PROCTEX_MATERIAL_WOOD, "wood", "wood", 0, {}, {}},
    {PROCTEX_MATERIAL_MARBLE, "marble", "marble", 0, {}, {}},
    {PROCTEX_MATERIAL_STONE, "stone", "stone", 0, {}, {}},
    {PROCTEX_MATERIAL_GREEN, "green", "green", 0, {}, {}},
    {PROCTEX_MATERIAL_BLUE, "blue", "blue", 0, {}, {}},
    {PROCTEX_MATERIAL_LAVA, "lava", "lava", 0, {}, {}},
    {PROCTEX_MATERIAL_GREY_ALT, "grey-alt", "grey (second code)", 0, {}, {}},
    {PROCTEX_MATERIAL_CUSTOM, "custom", "your colours (--colors)", 0, {}, {}},
};

constexpr ProctexChoice kMetalTypes[] = {
    {PROCTEX_METAL_TYPE_IRON, "iron", "iron", 0, {}, {}},
    {PROCTEX_METAL_TYPE_STEEL, "steel", "steel", 0, {}, {}},
    {PROCTEX_METAL_TYPE_ALUMINIUM, "aluminium", "aluminium", 0, {}, {}},
    {PROCTEX_METAL_TYPE_COPPER, "copper", "copper", 0, {}, {}},
    {PROCTEX_METAL_TYPE_GOLD, "gold", "gold", 0, {}, {}},
    {PROCTEX_METAL_TYPE_BRASS, "brass", "brass", 0, {}, {}},
    {PROCTEX_METAL_TYPE_CHROME, "chrome", "chrome", 0, {}, {}},
};

constexpr ProctexChoice kUnits[] = {
    {PROCTEX_UNITS_PIXELS, "pixels", "in pixels", 0, {}, {}},
    {PROCTEX_UNITS_TILE, "tile", "on the tile, the same material at every size", 0, {}, {}},
};

constexpr ProctexChoice kMetalMasks[] = {
    {PROCTEX_METAL_MASK_NONE, "none", "metal everywhere", 0, {}, {}},
    {PROCTEX_METAL_MASK_TOPS, "tops", "bare tops, rusty pits", 0, {}, {}},
    {PROCTEX_METAL_MASK_PITS, "pits", "bare pits, coated tops", 0, {}, {}},
};

// None, then every kind of the pattern registry with its starting value.
constexpr auto patternChoices() {
    std::array<ProctexChoice, std::size(kPatternKinds) + 1> choices{};
    choices[0] = {PROCTEX_PATTERN_NONE, "none", "none", 0, {}, {}};
    for (std::size_t i = 0; i < std::size(kPatternKinds); ++i) {
        const PatternKind& kind = kPatternKinds[i];
        choices[i + 1] = {kind.code,
                          kind.name,
                          kind.label,
                          1,
                          {"pattern-param", nullptr},
                          {kind.startParam, 0.0f}};
    }
    return choices;
}

constexpr auto kPatterns = patternChoices();

// None, then every kind of the overlay registry with its starting values.
constexpr auto overlayChoices() {
    std::array<ProctexChoice, std::size(kOverlayKinds) + 1> choices{};
    choices[0] = {PROCTEX_OVERLAY_NONE, "none", "none", 0, {}, {}};
    for (std::size_t i = 0; i < std::size(kOverlayKinds); ++i) {
        const OverlayKind& kind = kOverlayKinds[i];
        choices[i + 1] = {kind.code,
                          kind.name,
                          kind.name,
                          2,
                          {"overlay-param", "overlay-strength"},
                          {kind.startParam, kind.startStrength}};
    }
    return choices;
}

constexpr auto kOverlays = overlayChoices();

constexpr double kIntMin = INT32_MIN;
constexpr double kIntMax = INT32_MAX;
constexpr double kFinite = FLT_MAX;

constexpr OptionSpec integer(const char* name, const char* member, std::size_t offset, double lo,
                             double hi, double step, double limitLo, double limitHi,
                             const char* group, const char* help) {
    return {name, member, PROCTEX_KIND_INTEGER, offset, lo, hi, step, limitLo, limitHi, group, help,
            {},   0};
}

constexpr OptionSpec number(const char* name, const char* member, std::size_t offset, double lo,
                            double hi, double step, double limitLo, double limitHi,
                            const char* group, const char* help) {
    return {name, member, PROCTEX_KIND_NUMBER, offset, lo, hi, step, limitLo, limitHi, group, help,
            {},   0};
}

constexpr OptionSpec flag(const char* name, const char* member, std::size_t offset,
                          const char* group, const char* help) {
    return {name, member, PROCTEX_KIND_FLAG, offset, 0, 1, 1, 0, 1, group, help, {}, 0};
}

constexpr OptionSpec choice(const char* name, const char* member, std::size_t offset,
                            std::span<const ProctexChoice> choices, const char* group,
                            const char* help) {
    return {name, member, PROCTEX_KIND_CHOICE, offset, 0, 0, 1, 0, 0, group, help, choices, 0};
}

// Beyond this, one render's work grows (a pass per octave, reads per
// occlusion pixel, a stroke per scratch, the pixels themselves) with no
// change worth waiting for: front ends that render on request stop there.
constexpr OptionSpec capped(OptionSpec option, double workMax) {
    option.workMax = workMax;
    return option;
}

// An option that changes the maps only while another holds one value.
constexpr OptionSpec usedWith(OptionSpec option, const char* other, int value) {
    option.usedWith = other;
    option.usedWithValue = value;
    return option;
}

#define PROCTEX_OFFSET(m) offsetof(S, m)

// In the struct's order, which is also the order of GenerateTexture's arguments.
const OptionSpec kOptions[] = {
    capped(integer("width", "width", PROCTEX_OFFSET(width), 64, 4096, 64, 1, kIntMax, "size",
                   "Image width in pixels"),
           4096),
    capped(integer("height", "height", PROCTEX_OFFSET(height), 64, 4096, 64, 1, kIntMax, "size",
                   "Image height in pixels"),
           4096),
    choice("base", "baseType", PROCTEX_OFFSET(baseType), kBases, "noise",
           "Base relief: fractal (layers of noise) or single-octave (smooth blobs)"),
    number("scale", "scale", PROCTEX_OFFSET(scale), 8, 256, 1, -kFinite, kFinite, "noise",
           "Noise cell size (in 1/512 of the tile, or pixels); larger is smoother"),
    capped(integer("octaves", "octaves", PROCTEX_OFFSET(octaves), 1, 10, 1, 0, 32, "noise",
                   "Noise layers of the fractal base"),
           16),
    number("persistence", "persistence", PROCTEX_OFFSET(persistence), 0.3, 0.8, 0.01, -kFinite,
           kFinite, "noise", "Weight factor from one layer to the next; higher is rougher"),
    number("lacunarity", "lacunarity", PROCTEX_OFFSET(lacunarity), 1.5, 3, 0.01, -kFinite, kFinite,
           "noise", "Frequency factor from one layer to the next"),
    choice("material", "materialType", PROCTEX_OFFSET(materialType), kMaterials, "colour",
           "Colouring of the diffuse map"),
    choice("pattern", "patternType", PROCTEX_OFFSET(patternType), kPatterns, "shape",
           "A pattern built from the base relief"),
    number("pattern-param", "patternParam", PROCTEX_OFFSET(patternParam), 0, 300, 0.5, -kFinite,
           kFinite, "shape", "The pattern's size (gamma for tone-curve and damped-extremes)"),
    choice("overlay", "overlayType", PROCTEX_OFFSET(overlayType), kOverlays, "shape",
           "Carved into the relief"),
    capped(
        number("overlay-param", "overlayParam", PROCTEX_OFFSET(overlayParam), 0, 512, 1, -kFinite,
               kFinite, "shape", "Vein scale, brick width, plank length or scratch count"),
        10000),
    number("overlay-strength", "overlayStrength", PROCTEX_OFFSET(overlayStrength), 0, 80, 0.05,
           -kFinite, kFinite, "shape",
           "Vein or scratch depth, brick height, plank grain when above 0.5"),
    integer("seed", "seed", PROCTEX_OFFSET(seed), 0, 99999, 1, kIntMin, kIntMax, "noise",
            "Random seed; every random choice follows from it"),
    number("contrast", "contrast", PROCTEX_OFFSET(contrast), 0.5, 2, 0.01, -kFinite, kFinite,
           "colour", "Diffuse contrast (1: unchanged)"),
    number("brightness", "brightness", PROCTEX_OFFSET(brightness), -0.4, 0.4, 0.01, -kFinite,
           kFinite, "colour", "Diffuse brightness offset (0: unchanged)"),
    flag("invert", "invert", PROCTEX_OFFSET(invert), "colour", "Inverts the diffuse tones"),
    flag("seamless", "seamless", PROCTEX_OFFSET(seamless), "noise",
         "Tileable base noise and veins, and a wrapping normal map"),
    usedWith(number("normal-strength", "normalStrength", PROCTEX_OFFSET(normalStrength), 0, 10, 0.1,
                    -kFinite, kFinite, "maps",
                    "Slope factor of the normal map (PBR maps: height-range sets the bump)"),
             "pbr", 0),
    number("roughness", "roughness", PROCTEX_OFFSET(roughness), 0, 1, 0.01, -kFinite, kFinite,
           "maps", "Roughness; the roughness map moves down as it grows"),
    flag("roughness-map", "writeRoughness", PROCTEX_OFFSET(writeRoughness), "maps",
         "Writes the roughness map"),
    flag("metallic-map", "writeMetallic", PROCTEX_OFFSET(writeMetallic), "maps",
         "Writes the metallic map"),
    capped(number("ao-radius", "aoRadius", PROCTEX_OFFSET(aoRadius), 0, 64, 1, 0, 256, "maps",
                  "Ambient occlusion: how far around each pixel to look"),
           64),
    number("ao-strength", "aoStrength", PROCTEX_OFFSET(aoStrength), 0, 4, 0.1, 0, 16, "maps",
           "Ambient occlusion: darkening"),
    number("tile-size", "tileSize", PROCTEX_OFFSET(tileSize), 0, 10, 0.01, 0, 1e6, "physical",
           "Metres one tile of the material covers (0: not given)"),
    number("height-range", "heightRange", PROCTEX_OFFSET(heightRange), 0.001, 0.1, 0.001, 0, 1e6,
           "physical",
           "Bump depth: metres between height 0 and 1, for the normal map, occlusion and "
           "displacement (0: not given, 0.02 for the PBR maps)"),
    flag("tileable", "tileable", PROCTEX_OFFSET(tileable), "maps",
         "The maps tile: every stage wraps at the image edges (off: GenerateTexture's results)"),
    /* Added in 0.3 */
    flag("pbr", "pbr", PROCTEX_OFFSET(pbr), "maps",
         "Physically plausible maps (off: GenerateTexture's maps)"),
    number("metal", "metal", PROCTEX_OFFSET(metal), 0, 1, 0.01, 0, 1, "material",
           "How metallic the material is: 0 stone, wood, paint; 1 bare metal"),
    choice("metal-type", "metalType", PROCTEX_OFFSET(metalType), kMetalTypes, "material",
           "The metal, by its measured colour"),
    choice("metal-mask", "metalMask", PROCTEX_OFFSET(metalMask), kMetalMasks, "material",
           "Where the metal shows: everywhere, on the tops (rust in the pits) or in the pits"),
    number("emission", "emission", PROCTEX_OFFSET(emission), 0, 10, 0.1, 0, 100, "material",
           "Glow below --emission-level: 0 none, 1 full colour, above 1 brighter"),
    number("emission-level", "emissionLevel", PROCTEX_OFFSET(emissionLevel), 0, 1, 0.01, 0, 1,
           "material", "Relief height below which the surface glows"),
    {"colors",
     "colorStops",
     PROCTEX_KIND_COLORS,
     PROCTEX_OFFSET(colorStopCount),
     0,
     8,
     1,
     0,
     8,
     "colour",
     "Your own colours over the relief: up to eight stops #rrggbb@position (material custom)",
     {},
     0},
    /* Added after colorStops */
    choice("units", "units", PROCTEX_OFFSET(units), kUnits, "physical",
           "How sizes are meant: on the tile (1/512 of its width each, the same material at "
           "every size) or in pixels"),
    /* Added after units */
    {"layers",
     "layers",
     PROCTEX_KIND_LAYERS,
     PROCTEX_OFFSET(layerCount),
     0,
     PROCTEX_MAX_LAYERS,
     1,
     0,
     PROCTEX_MAX_LAYERS,
     "material",
     "Layers over the base, each key=value words, ';' between layers: mask (joints, cavity, "
     "edges, height, slope, occlusion, pieces, noise), threshold, softness, color, roughness, "
     "metal, height, ... (see the README)",
     {},
     0},
};

#undef PROCTEX_OFFSET

constexpr MapSpec kMaps[] = {
    {PROCTEX_MAP_DIFFUSE, "diffuse", "_diff.png", 3, 8, 1, 1, "Base colour"},
    {PROCTEX_MAP_NORMAL, "normal", "_nmap.png", 3, 8, 0, 1,
     "Normal map, DirectX convention (green down)"},
    {PROCTEX_MAP_SPECULAR, "specular", "_spec.png", 1, 8, 0, 1, "Specular"},
    {PROCTEX_MAP_ROUGHNESS, "roughness", "_rough.png", 1, 8, 0, 1, "Roughness"},
    {PROCTEX_MAP_METALLIC, "metallic", "_metal.png", 1, 8, 0, 1, "Metallic"},
    {PROCTEX_MAP_HEIGHT, "height", "", 1, 32, 0, 0, "The float height field (memory only)"},
    {PROCTEX_MAP_HEIGHT16, "height16", "_height.png", 1, 16, 0, 0, "The height as 16-bit grey"},
    {PROCTEX_MAP_AO, "ao", "_ao.png", 1, 8, 0, 0, "Ambient occlusion"},
    {PROCTEX_MAP_NORMAL_GL, "normal-gl", "_nmap_gl.png", 3, 8, 0, 0,
     "Normal map, OpenGL convention (green up)"},
    {PROCTEX_MAP_ORM, "orm", "_orm.png", 3, 8, 0, 0, "Occlusion, roughness, metallic in R, G, B"},
    {PROCTEX_MAP_EMISSIVE, "emissive", "_emissive.png", 3, 8, 1, 0,
     "The glow of a material with emission (lava); none for the others"},
    {PROCTEX_MAP_METALLIC_SMOOTHNESS, "metallic-smoothness", "_metal_smooth.png", 4, 8, 0, 0,
     "Metallic in R, G, B and smoothness in A, as Unity's shaders read them"},
    {PROCTEX_MAP_MASK, "mask", "_mask.png", 4, 8, 0, 0,
     "Metallic, occlusion, detail mask, smoothness: Unity HDRP's mask map"},
    {PROCTEX_MAP_CURVATURE, "curvature", "_curvature.png", 1, 8, 0, 0,
     "Curvature: 128 flat, brighter on ridges and edges, darker in joints and pits"},
    {PROCTEX_MAP_ID, "id", "_id.png", 3, 8, 1, 0,
     "One flat colour per piece (brick, board, cell) and per layer, for masking"},
};

char folded(char c) {
    if (c == '_') return '-';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (folded(a[i]) != folded(b[i])) return false;
    }
    return true;
}

std::span<const OptionSpec> optionTable() {
    return kOptions;
}

std::span<const MapSpec> mapTable() {
    return kMaps;
}

int findOption(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kOptions); ++i) {
        if (sameName(name, kOptions[i].name) || name == kOptions[i].member) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

double optionValue(const OptionSpec& option, const ProctexSettings& settings) {
    if (option.kind == PROCTEX_KIND_COLORS) return settings.colorStopCount;
    if (option.kind == PROCTEX_KIND_LAYERS) return settings.layerCount;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&settings) + option.offset;
    if (option.kind == PROCTEX_KIND_NUMBER) {
        float v;
        std::memcpy(&v, bytes, sizeof v);
        return v;
    }
    int v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

const ProctexChoice* findChoice(const OptionSpec& option, std::string_view text) {
    int number = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    const bool isNumber = ec == std::errc() && end == text.data() + text.size() && !text.empty();
    for (const ProctexChoice& c : option.choices) {
        if (isNumber ? c.value == number : sameName(text, c.name)) return &c;
    }
    return nullptr;
}

int optionNamedBy(std::string_view reason) {
    const std::string_view word = reason.substr(0, reason.find_first_of(" (["));
    if (word == "colorStopCount") return findOption("colorStops");  // the ramp's other member
    if (word == "layerCount") return findOption("layers");
    for (std::size_t i = 0; i < std::size(kOptions); ++i) {
        if (word == kOptions[i].member) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace proctex
