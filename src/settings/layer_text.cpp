#include "settings/layer_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <span>
#include <vector>

#include "core/number_text.h"
#include "core/numeric.h"
#include "settings/color_ramp_text.h"
#include "settings/option_table.h"

namespace proctex {

namespace {

// A layer and the members that lie beside ProctexLayer in the settings: the
// keys' offsets are into this record.
struct LayerRecord {
    ProctexLayer layer;
    int palette;
};

constexpr ProctexChoice kMasks[] = {
    {PROCTEX_MASK_NONE, "none", "no second source", 0, {}, {}},
    {PROCTEX_MASK_ALL, "all", "everywhere", 0, {}, {}},
    {PROCTEX_MASK_HEIGHT, "height", "height: high ground", 0, {}, {}},
    {PROCTEX_MASK_CAVITY, "cavity", "cavities: joints, pits, grooves", 0, {}, {}},
    {PROCTEX_MASK_EDGES, "edges", "edges and ridges", 0, {}, {}},
    {PROCTEX_MASK_SLOPE, "slope", "slopes", 0, {}, {}},
    {PROCTEX_MASK_OCCLUSION, "occlusion", "open ground (not occluded)", 0, {}, {}},
    {PROCTEX_MASK_JOINTS, "joints", "the pattern's joints", 0, {}, {}},
    {PROCTEX_MASK_PIECES, "pieces", "a random value per piece", 0, {}, {}},
    {PROCTEX_MASK_NOISE, "noise", "the layer's noise: patches", 0, {}, {}},
};

constexpr ProctexChoice kCombines[] = {
    {PROCTEX_COMBINE_MULTIPLY, "multiply", "both (multiplied)", 0, {}, {}},
    {PROCTEX_COMBINE_MIN, "min", "both (the smaller)", 0, {}, {}},
    {PROCTEX_COMBINE_MAX, "max", "either (the larger)", 0, {}, {}},
};

constexpr ProctexChoice kPalettes[] = {
    {PROCTEX_LAYER_PALETTE_OWN, "own", "its color and color2", 0, {}, {}},
    {PROCTEX_MATERIAL_WOOD, "wood", "wood browns", 0, {}, {}},
    {PROCTEX_MATERIAL_MARBLE, "marble", "marble whites", 0, {}, {}},
    {PROCTEX_MATERIAL_STONE, "stone", "stone greys", 0, {}, {}},
    {PROCTEX_MATERIAL_GREEN, "green", "greens", 0, {}, {}},
    {PROCTEX_MATERIAL_BLUE, "blue", "blues", 0, {}, {}},
    {PROCTEX_MATERIAL_LAVA, "lava", "lava", 0, {}, {}},
    {PROCTEX_MATERIAL_CUSTOM, "custom", "the material's colour ramp (--colors)", 0, {}, {}},
};

std::span<const ProctexChoice> metalChoices() {
    return optionTable()[static_cast<std::size_t>(findOption("metal-type"))].choices;
}

constexpr double kSeedLimit = 1e9;

#define PROCTEX_AT(m) offsetof(LayerRecord, layer) + offsetof(ProctexLayer, m)
OptionSpec key(const char* name, const char* member, int kind, std::size_t offset, double lo,
               double hi, double step, const char* group, const char* help,
               std::span<const ProctexChoice> choices = {}) {
    return {name, member, kind, offset, lo, hi, step, lo, hi, group, help, choices, 0};
}

// Every key of a layer, in the text's order: the one table the parser, the
// printer, the check and the exported descriptions read.
const std::vector<OptionSpec>& keyTable() {
    static const std::vector<OptionSpec> keys = {
        key("mask", "mask", PROCTEX_KIND_CHOICE, PROCTEX_AT(mask), 0, 0, 1, "mask",
            "Where the layer shows", std::span(kMasks).subspan(1)),
        key("threshold", "threshold", PROCTEX_KIND_NUMBER, PROCTEX_AT(threshold), 0, 1, 0.01,
            "mask", "The mask value where the layer is half in"),
        key("softness", "softness", PROCTEX_KIND_NUMBER, PROCTEX_AT(softness), 0, 1, 0.01, "mask",
            "Half the width of the blend around the threshold"),
        key("invert", "invert", PROCTEX_KIND_FLAG, PROCTEX_AT(invert), 0, 1, 1, "mask",
            "Show where the mask is below the threshold"),
        key("mask2", "mask2", PROCTEX_KIND_CHOICE, PROCTEX_AT(mask2), 0, 0, 1, "mask",
            "A second source met with the first", kMasks),
        key("threshold2", "threshold2", PROCTEX_KIND_NUMBER, PROCTEX_AT(threshold2), 0, 1, 0.01,
            "mask", "The second source's threshold"),
        key("softness2", "softness2", PROCTEX_KIND_NUMBER, PROCTEX_AT(softness2), 0, 1, 0.01,
            "mask", "The second source's softness"),
        key("invert2", "invert2", PROCTEX_KIND_FLAG, PROCTEX_AT(invert2), 0, 1, 1, "mask",
            "Invert the second source"),
        key("combine", "combine", PROCTEX_KIND_CHOICE, PROCTEX_AT(combine), 0, 0, 1, "mask",
            "How the two sources meet", kCombines),
        key("noise-scale", "noiseScale", PROCTEX_KIND_NUMBER, PROCTEX_AT(noiseScale), 1, 4096, 1,
            "noise", "The layer's noise: its cell size in the material's units"),
        key("noise-octaves", "noiseOctaves", PROCTEX_KIND_INTEGER, PROCTEX_AT(noiseOctaves), 1, 10,
            1, "noise", "The layer's noise: its octaves"),
        key("noise-seed", "noiseSeed", PROCTEX_KIND_INTEGER, PROCTEX_AT(noiseSeed), -kSeedLimit,
            kSeedLimit, 1, "noise", "Varies the layer's noise"),
        key("color", "color", PROCTEX_KIND_COLOR, PROCTEX_AT(color), 0, 1, 0, "colour",
            "The layer's colour, #rrggbb"),
        key("color2", "color2", PROCTEX_KIND_COLOR, PROCTEX_AT(color2), 0, 1, 0, "colour",
            "A second colour, mixed in by the layer's noise and the relief"),
        key("piece-tint", "pieceTint", PROCTEX_KIND_NUMBER, PROCTEX_AT(pieceTint), 0, 1, 0.01,
            "colour", "How far each piece's brightness strays"),
        key("roughness", "roughness", PROCTEX_KIND_NUMBER, PROCTEX_AT(roughness), 0, 1, 0.01,
            "surface", "The layer's roughness"),
        key("metal", "metal", PROCTEX_KIND_NUMBER, PROCTEX_AT(metal), 0, 1, 0.01, "surface",
            "How metallic the layer is"),
        key("metal-type", "metalType", PROCTEX_KIND_CHOICE, PROCTEX_AT(metalType), 0, 0, 1,
            "surface", "The metal's measured colour", metalChoices()),
        key("emission", "emission", PROCTEX_KIND_NUMBER, PROCTEX_AT(emission), 0, 100, 0.1,
            "surface", "Glow of the layer's colour"),
        key("height", "height", PROCTEX_KIND_NUMBER, PROCTEX_AT(height), -1, 1, 0.005, "relief",
            "Relief the layer adds where it shows (negative sinks it)"),
        key("detail", "detail", PROCTEX_KIND_NUMBER, PROCTEX_AT(detail), 0, 1, 0.01, "relief",
            "Relief of the layer's own noise"),
        key("palette", "layerPalette", PROCTEX_KIND_CHOICE, offsetof(LayerRecord, palette), 0, 0, 1,
            "colour", "The layer's colours: its own two, a palette or the material's ramp",
            kPalettes),
    };
    return keys;
}
#undef PROCTEX_AT

float* floatAt(LayerRecord& r, const OptionSpec& k) {
    return reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(&r) + k.offset);
}
const float* floatAt(const LayerRecord& r, const OptionSpec& k) {
    return reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(&r) + k.offset);
}
int* intAt(LayerRecord& r, const OptionSpec& k) {
    return reinterpret_cast<int*>(reinterpret_cast<unsigned char*>(&r) + k.offset);
}
int intAt(const LayerRecord& r, const OptionSpec& k) {
    int v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&r) + k.offset, sizeof v);
    return v;
}

bool isWhole(int kind) {
    return kind != PROCTEX_KIND_NUMBER && kind != PROCTEX_KIND_COLOR;
}

// A whole-number key's value as the text writes it: a choice by name.
std::string nameOf(const OptionSpec& k, int value) {
    for (const ProctexChoice& c : k.choices) {
        if (c.value == value) return c.name;
    }
    return std::to_string(value);
}

bool readNumber(std::string_view text, float& value) {
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

// A whole-number key's value by name (any case, '-' or '_') or number.
bool readWhole(const OptionSpec& k, std::string_view text, int& value) {
    for (const ProctexChoice& c : k.choices) {
        if (sameName(c.name, text)) return value = c.value, true;
    }
    float number = 0.0f;
    // A whole number beyond int's range is no value (and no cast of it).
    if (!readNumber(text, number) || number != std::trunc(number) ||
        !(number >= -2147483648.0f && number < 2147483648.0f)) {
        return false;
    }
    value = truncToInt32(number);
    return true;
}

std::string accepted(const OptionSpec& k) {
    if (k.kind == PROCTEX_KIND_COLOR) return "#rrggbb";
    if (!k.choices.empty()) {
        std::string names;
        for (const ProctexChoice& c : k.choices)
            names += (names.empty() ? "" : ", ") + std::string(c.name);
        return "one of " + names;
    }
    return std::string(isWhole(k.kind) ? "a whole number" : "a number") + " from " +
           numberText(static_cast<float>(k.limitMin)) + " to " +
           numberText(static_cast<float>(k.limitMax));
}

// Why one value of a layer breaks its rule, or "".
std::string valueProblem(const LayerRecord& r, const OptionSpec& k, const std::string& name) {
    if (k.kind == PROCTEX_KIND_COLOR) {
        const float* rgb = floatAt(r, k);
        for (int c = 0; c < 3; ++c) {
            if (!(rgb[c] >= 0.0f && rgb[c] <= 1.0f)) {
                return name + "[" + std::to_string(c) + "] must be from 0 to 1 (got " +
                       numberText(rgb[c]) + ")";
            }
        }
        return {};
    }
    if (isWhole(k.kind)) {
        const int v = intAt(r, k);
        const bool named = std::any_of(k.choices.begin(), k.choices.end(),
                                       [v](const ProctexChoice& c) { return c.value == v; });
        if (k.choices.empty() ? v >= k.limitMin && v <= k.limitMax : named) return {};
        return name + " must be " + accepted(k) + " (got " + std::to_string(v) + ")";
    }
    const float v = *floatAt(r, k);
    if (v >= k.limitMin && v <= k.limitMax) return {};
    return name + " must be " + accepted(k) + " (got " + numberText(v) + ")";
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\n' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\n' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// One layer's words into `r`; why not, or "".
std::string readLayer(std::string_view text, const std::string& where, LayerRecord& r) {
    while (!(text = trimmed(text)).empty()) {
        const std::size_t end = std::min(text.find_first_of(" \t\n"), text.size());
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        const std::size_t equals = word.find('=');
        const std::string_view name = word.substr(0, equals);
        const OptionSpec* found = nullptr;
        for (const OptionSpec& k : keyTable()) {
            if (sameName(k.name, name)) found = &k;
        }
        if (equals == std::string_view::npos || found == nullptr) {
            std::string keys;
            for (const OptionSpec& k : keyTable())
                keys += (keys.empty() ? "" : ", ") + std::string(k.name);
            return where + ": '" + std::string(word) + "' is not key=value of a known key (" +
                   keys + ")";
        }
        const std::string_view value = word.substr(equals + 1);
        const std::string named = where + " " + found->name;
        bool read = false;
        if (found->kind == PROCTEX_KIND_COLOR) {
            read = readHexColor(value, floatAt(r, *found));
        } else if (isWhole(found->kind)) {
            read = readWhole(*found, value, *intAt(r, *found));
        } else {
            read = readNumber(value, *floatAt(r, *found));
        }
        if (!read)
            return named + " must be " + accepted(*found) + " (got '" + std::string(value) + "')";
        if (std::string problem = valueProblem(r, *found, named); !problem.empty()) return problem;
    }
    return {};
}

std::string valueText(const LayerRecord& r, const OptionSpec& k) {
    if (k.kind == PROCTEX_KIND_COLOR) return hexColorText(floatAt(r, k));
    if (isWhole(k.kind)) return nameOf(k, intAt(r, k));
    return numberText(*floatAt(r, k));
}

LayerRecord recordOf(const ProctexSettings& s, int i) {
    return {s.layers[i], s.layerPalette[i]};
}

}  // namespace

ProctexLayer defaultLayer() {
    ProctexLayer layer{};
    layer.mask = PROCTEX_MASK_ALL;
    layer.threshold = 0.5f;
    layer.softness = 0.05f;
    layer.mask2 = PROCTEX_MASK_NONE;
    layer.threshold2 = 0.5f;
    layer.softness2 = 0.05f;
    layer.combine = PROCTEX_COMBINE_MULTIPLY;
    layer.noiseScale = 32.0f;
    layer.noiseOctaves = 4;
    for (int c = 0; c < 3; ++c) layer.color[c] = layer.color2[c] = 0.5f;
    layer.roughness = 0.8f;
    layer.metalType = PROCTEX_METAL_TYPE_IRON;
    return layer;
}

std::span<const OptionSpec> layerKeyTable() {
    return keyTable();
}

double layerKeyDefault(const OptionSpec& k) {
    const LayerRecord r{defaultLayer(), PROCTEX_LAYER_PALETTE_OWN};
    if (isWhole(k.kind)) return intAt(r, k);
    return *floatAt(r, k);
}

const char* maskName(int mask) {
    return mask >= 0 && mask <= PROCTEX_MASK_NOISE ? kMasks[mask].name : "?";
}

std::string setLayers(std::string_view text, ProctexSettings& settings) {
    LayerRecord layers[PROCTEX_MAX_LAYERS];
    int count = 0;
    while (!trimmed(text).empty()) {
        const std::size_t semicolon = text.find(';');
        const std::string_view one = text.substr(0, semicolon);
        text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
        if (trimmed(one).empty()) continue;
        if (count == PROCTEX_MAX_LAYERS) {
            return "at most " + std::to_string(PROCTEX_MAX_LAYERS) + " layers";
        }
        LayerRecord& r = layers[count];
        r = {defaultLayer(), PROCTEX_LAYER_PALETTE_OWN};
        // The color2 a layer does not give is its color.
        r.layer.color2[0] = -1.0f;
        std::string problem = readLayer(one, "layer " + std::to_string(count + 1), r);
        if (r.layer.color2[0] < 0.0f) {
            std::copy(r.layer.color, r.layer.color + 3, r.layer.color2);
        }
        if (!problem.empty()) return problem;
        ++count;
    }
    settings.layerCount = count;
    for (int i = 0; i < PROCTEX_MAX_LAYERS; ++i) {
        settings.layers[i] = i < count ? layers[i].layer : ProctexLayer{};
        settings.layerPalette[i] = i < count ? layers[i].palette : PROCTEX_LAYER_PALETTE_OWN;
    }
    return {};
}

std::string layersText(const ProctexSettings& settings) {
    const LayerRecord defaults{defaultLayer(), PROCTEX_LAYER_PALETTE_OWN};
    std::string text;
    const int count = std::clamp(settings.layerCount, 0, PROCTEX_MAX_LAYERS);
    for (int i = 0; i < count; ++i) {
        const LayerRecord r = recordOf(settings, i);
        std::string words;
        for (const OptionSpec& k : keyTable()) {
            const std::string value = valueText(r, k);
            // color2 is left out when it is color, as the text reads it back.
            const std::string unchanged = std::strcmp(k.name, "color2") == 0
                                              ? hexColorText(r.layer.color)
                                              : valueText(defaults, k);
            if (value == unchanged) continue;
            words += (words.empty() ? "" : " ") + std::string(k.name) + "=" + value;
        }
        // A layer of defaults still is a layer.
        if (words.empty()) words = "mask=all";
        text += (i > 0 ? "; " : "") + words;
    }
    return text;
}

std::string layersProblem(const ProctexSettings& settings) {
    if (settings.layerCount < 0 || settings.layerCount > PROCTEX_MAX_LAYERS) {
        return "layerCount must be a whole number from 0 to " + std::to_string(PROCTEX_MAX_LAYERS) +
               " (got " + std::to_string(settings.layerCount) + ")";
    }
    for (int i = 0; i < settings.layerCount; ++i) {
        const LayerRecord r = recordOf(settings, i);
        for (const OptionSpec& k : keyTable()) {
            const std::string name = k.offset == offsetof(LayerRecord, palette)
                                         ? "layerPalette[" + std::to_string(i) + "]"
                                         : "layers[" + std::to_string(i) + "]." + k.member;
            if (std::string problem = valueProblem(r, k, name); !problem.empty()) return problem;
        }
    }
    return {};
}

}  // namespace proctex
