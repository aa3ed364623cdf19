#include "settings/layer_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <span>

#include "core/number_text.h"
#include "settings/color_ramp_text.h"
#include "settings/option_table.h"

namespace proctex {

namespace {

using L = ProctexLayer;

enum class KeyKind { Number, Whole, Color, Mask, Combine, Metal };

// One member of a layer: its key in the text, where it lives and its rule.
struct LayerKey {
    const char* key;
    const char* member;
    KeyKind kind;
    std::size_t offset;
    float lo;
    float hi;
};

constexpr const char* kMaskNames[] = {"none",  "all",       "height", "cavity", "edges",
                                      "slope", "occlusion", "joints", "pieces", "noise"};
constexpr const char* kCombineNames[] = {"multiply", "min", "max"};

#define PROCTEX_AT(m) offsetof(L, m)
constexpr LayerKey kKeys[] = {
    {"mask", "mask", KeyKind::Mask, PROCTEX_AT(mask), PROCTEX_MASK_ALL, PROCTEX_MASK_NOISE},
    {"threshold", "threshold", KeyKind::Number, PROCTEX_AT(threshold), 0, 1},
    {"softness", "softness", KeyKind::Number, PROCTEX_AT(softness), 0, 1},
    {"invert", "invert", KeyKind::Whole, PROCTEX_AT(invert), 0, 1},
    {"mask2", "mask2", KeyKind::Mask, PROCTEX_AT(mask2), PROCTEX_MASK_NONE, PROCTEX_MASK_NOISE},
    {"threshold2", "threshold2", KeyKind::Number, PROCTEX_AT(threshold2), 0, 1},
    {"softness2", "softness2", KeyKind::Number, PROCTEX_AT(softness2), 0, 1},
    {"invert2", "invert2", KeyKind::Whole, PROCTEX_AT(invert2), 0, 1},
    {"combine", "combine", KeyKind::Combine, PROCTEX_AT(combine), PROCTEX_COMBINE_MULTIPLY,
     PROCTEX_COMBINE_MAX},
    {"noise-scale", "noiseScale", KeyKind::Number, PROCTEX_AT(noiseScale), 1, 4096},
    {"noise-octaves", "noiseOctaves", KeyKind::Whole, PROCTEX_AT(noiseOctaves), 1, 10},
    {"noise-seed", "noiseSeed", KeyKind::Whole, PROCTEX_AT(noiseSeed), -1e9f, 1e9f},
    {"color", "color", KeyKind::Color, PROCTEX_AT(color), 0, 1},
    {"color2", "color2", KeyKind::Color, PROCTEX_AT(color2), 0, 1},
    {"piece-tint", "pieceTint", KeyKind::Number, PROCTEX_AT(pieceTint), 0, 1},
    {"roughness", "roughness", KeyKind::Number, PROCTEX_AT(roughness), 0, 1},
    {"metal", "metal", KeyKind::Number, PROCTEX_AT(metal), 0, 1},
    {"metal-type", "metalType", KeyKind::Metal, PROCTEX_AT(metalType), PROCTEX_METAL_TYPE_IRON,
     PROCTEX_METAL_TYPE_CHROME},
    {"emission", "emission", KeyKind::Number, PROCTEX_AT(emission), 0, 100},
    {"height", "height", KeyKind::Number, PROCTEX_AT(height), -1, 1},
    {"detail", "detail", KeyKind::Number, PROCTEX_AT(detail), 0, 1},
};
#undef PROCTEX_AT

float* floatAt(L& layer, const LayerKey& k) {
    return reinterpret_cast<float*>(reinterpret_cast<unsigned char*>(&layer) + k.offset);
}
const float* floatAt(const L& layer, const LayerKey& k) {
    return reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(&layer) +
                                          k.offset);
}
int* intAt(L& layer, const LayerKey& k) {
    return reinterpret_cast<int*>(reinterpret_cast<unsigned char*>(&layer) + k.offset);
}
int intAt(const L& layer, const LayerKey& k) {
    int v;
    std::memcpy(&v, reinterpret_cast<const unsigned char*>(&layer) + k.offset, sizeof v);
    return v;
}

bool isWhole(KeyKind kind) {
    return kind != KeyKind::Number && kind != KeyKind::Color;
}

std::span<const ProctexChoice> metalChoices() {
    const OptionSpec& metal = optionTable()[static_cast<std::size_t>(findOption("metal-type"))];
    return metal.choices;
}

// The names a whole-number key takes; empty for plain numbers.
std::string nameOf(KeyKind kind, int value) {
    if (kind == KeyKind::Mask && value >= 0 && value <= PROCTEX_MASK_NOISE)
        return kMaskNames[value];
    if (kind == KeyKind::Combine && value >= 0 && value <= PROCTEX_COMBINE_MAX) {
        return kCombineNames[value];
    }
    if (kind == KeyKind::Metal) {
        for (const ProctexChoice& c : metalChoices()) {
            if (c.value == value) return c.name;
        }
    }
    return std::to_string(value);
}

bool readNumber(std::string_view text, float& value) {
    const auto parsed = std::from_chars(text.data(), text.data() + text.size(), value);
    return parsed.ec == std::errc() && parsed.ptr == text.data() + text.size() &&
           std::isfinite(value);
}

// A whole-number key's value by name (any case, '-' or '_') or number.
bool readWhole(const LayerKey& k, std::string_view text, int& value) {
    const auto byName = [&](std::span<const char* const> names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (sameName(names[i], text)) return value = static_cast<int>(i), true;
        }
        return false;
    };
    if (k.kind == KeyKind::Mask && byName(kMaskNames)) return true;
    if (k.kind == KeyKind::Combine && byName(kCombineNames)) return true;
    if (k.kind == KeyKind::Metal) {
        for (const ProctexChoice& c : metalChoices()) {
            if (sameName(c.name, text)) return value = c.value, true;
        }
    }
    float number = 0.0f;
    if (!readNumber(text, number) || number != std::trunc(number)) return false;
    value = static_cast<int>(number);
    return true;
}

std::string accepted(const LayerKey& k) {
    std::string names;
    auto list = [&](std::span<const char* const> all, int from) {
        for (std::size_t i = static_cast<std::size_t>(from); i < all.size(); ++i) {
            names += (names.empty() ? "" : ", ") + std::string(all[i]);
        }
    };
    if (k.kind == KeyKind::Mask) list(kMaskNames, static_cast<int>(k.lo));
    if (k.kind == KeyKind::Combine) list(kCombineNames, 0);
    if (k.kind == KeyKind::Metal) {
        for (const ProctexChoice& c : metalChoices())
            names += (names.empty() ? "" : ", ") + std::string(c.name);
    }
    if (k.kind == KeyKind::Color) return "#rrggbb";
    if (!names.empty()) return "one of " + names;
    return std::string(isWhole(k.kind) ? "a whole number" : "a number") + " from " +
           numberText(k.lo) + " to " + numberText(k.hi);
}

// Why one value of a layer breaks its rule, or "".
std::string valueProblem(const L& layer, const LayerKey& k, const std::string& name) {
    if (k.kind == KeyKind::Color) {
        const float* rgb = floatAt(layer, k);
        for (int c = 0; c < 3; ++c) {
            if (!(rgb[c] >= 0.0f && rgb[c] <= 1.0f)) {
                return name + "[" + std::to_string(c) + "] must be from 0 to 1 (got " +
                       numberText(rgb[c]) + ")";
            }
        }
        return {};
    }
    if (isWhole(k.kind)) {
        const int v = intAt(layer, k);
        if (v >= k.lo && v <= k.hi) return {};
        return name + " must be " + accepted(k) + " (got " + std::to_string(v) + ")";
    }
    const float v = *floatAt(layer, k);
    if (v >= k.lo && v <= k.hi) return {};
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

// One layer's words into `layer`; why not, or "".
std::string readLayer(std::string_view text, const std::string& where, L& layer) {
    while (!(text = trimmed(text)).empty()) {
        const std::size_t end = std::min(text.find_first_of(" \t\n"), text.size());
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        const std::size_t equals = word.find('=');
        const std::string_view key = word.substr(0, equals);
        const LayerKey* found = nullptr;
        for (const LayerKey& k : kKeys) {
            if (sameName(k.key, key)) found = &k;
        }
        if (equals == std::string_view::npos || found == nullptr) {
            std::string keys;
            for (const LayerKey& k : kKeys) keys += (keys.empty() ? "" : ", ") + std::string(k.key);
            return where + ": '" + std::string(word) + "' is not key=value of a known key (" +
                   keys + ")";
        }
        const std::string_view value = word.substr(equals + 1);
        const std::string name = where + " " + found->key;
        bool read = false;
        if (found->kind == KeyKind::Color) {
            read = readHexColor(value, floatAt(layer, *found));
        } else if (isWhole(found->kind)) {
            read = readWhole(*found, value, *intAt(layer, *found));
        } else {
            read = readNumber(value, *floatAt(layer, *found));
        }
        if (!read)
            return name + " must be " + accepted(*found) + " (got '" + std::string(value) + "')";
        if (std::string problem = valueProblem(layer, *found, name); !problem.empty())
            return problem;
    }
    return {};
}

std::string valueText(const L& layer, const LayerKey& k) {
    if (k.kind == KeyKind::Color) return hexColorText(floatAt(layer, k));
    if (isWhole(k.kind)) return nameOf(k.kind, intAt(layer, k));
    return numberText(*floatAt(layer, k));
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

const char* maskName(int mask) {
    return mask >= 0 && mask <= PROCTEX_MASK_NOISE ? kMaskNames[mask] : "?";
}

std::string setLayers(std::string_view text, ProctexSettings& settings) {
    ProctexLayer layers[PROCTEX_MAX_LAYERS];
    int count = 0;
    while (!trimmed(text).empty()) {
        const std::size_t semicolon = text.find(';');
        const std::string_view one = text.substr(0, semicolon);
        text.remove_prefix(semicolon == std::string_view::npos ? text.size() : semicolon + 1);
        if (trimmed(one).empty()) continue;
        if (count == PROCTEX_MAX_LAYERS) {
            return "at most " + std::to_string(PROCTEX_MAX_LAYERS) + " layers";
        }
        layers[count] = defaultLayer();
        // The color2 a layer does not give is its color.
        layers[count].color2[0] = -1.0f;
        std::string problem = readLayer(one, "layer " + std::to_string(count + 1), layers[count]);
        if (layers[count].color2[0] < 0.0f) {
            std::copy(layers[count].color, layers[count].color + 3, layers[count].color2);
        }
        if (!problem.empty()) return problem;
        ++count;
    }
    settings.layerCount = count;
    std::copy(layers, layers + count, settings.layers);
    std::fill(settings.layers + count, settings.layers + PROCTEX_MAX_LAYERS, ProctexLayer{});
    return {};
}

std::string layersText(const ProctexSettings& settings) {
    const ProctexLayer defaults = defaultLayer();
    std::string text;
    const int count = std::clamp(settings.layerCount, 0, PROCTEX_MAX_LAYERS);
    for (int i = 0; i < count; ++i) {
        const ProctexLayer& layer = settings.layers[i];
        std::string words;
        for (const LayerKey& k : kKeys) {
            const std::string value = valueText(layer, k);
            // color2 is left out when it is color, as the text reads it back.
            const std::string unchanged = std::strcmp(k.key, "color2") == 0
                                              ? hexColorText(layer.color)
                                              : valueText(defaults, k);
            if (value == unchanged) continue;
            words += (words.empty() ? "" : " ") + std::string(k.key) + "=" + value;
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
        for (const LayerKey& k : kKeys) {
            const std::string name = "layers[" + std::to_string(i) + "]." + k.member;
            if (std::string problem = valueProblem(settings.layers[i], k, name); !problem.empty()) {
                return problem;
            }
        }
    }
    return {};
}

}  // namespace proctex
