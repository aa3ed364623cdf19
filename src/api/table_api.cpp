// The exported option and map tables.
#include <proctex.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "api/settings.h"
#include "core/forced_unwind.h"
#include "settings/color_ramp_text.h"
#include "settings/layer_text.h"
#include "settings/naming_table.h"
#include "settings/option_table.h"

namespace {

// Fills the caller's struct up to its size, which is at least the first
// version's (`firstSize`); a larger caller's bytes beyond ours are left alone.
template <typename Info>
int copyInfo(const Info& full, Info* info, std::size_t firstSize) {
    if (info == nullptr || info->size < firstSize) return PROCTEX_ERROR_ARGUMENT;
    const std::size_t size = info->size;
    std::memcpy(info, &full, std::min(size, sizeof(Info)));
    info->size = size;
    return PROCTEX_OK;
}

// Whether a caller's struct of its own size holds the colour ramp, the layers.
bool coversRamp(const ProctexSettings* settings) {
    return settings->size >= offsetof(ProctexSettings, colorStops) + sizeof settings->colorStops;
}

bool coversLayers(const ProctexSettings* settings) {
    return settings->size >= offsetof(ProctexSettings, layers) + sizeof settings->layers;
}

// Sets a text-form member (the ramp, the layers) of a caller's settings.
template <typename Setter>
int parseInto(const char* text, ProctexSettings* settings, char* reason, size_t size,
              bool (*covers)(const ProctexSettings*), const char* notCovered, Setter set) {
    try {
        ProctexSettings full{};
        std::string why;
        int status = text == nullptr ? PROCTEX_ERROR_ARGUMENT
                                     : proctex::readCallerSettings(settings, full, why);
        if (text == nullptr) why = "text is a null pointer";
        if (status == PROCTEX_OK && !covers(settings)) {
            why = notCovered;
            status = PROCTEX_ERROR_ARGUMENT;
        }
        if (status == PROCTEX_OK) {
            why = set(text, full);
            status = why.empty() ? PROCTEX_OK : PROCTEX_ERROR_SETTINGS;
        }
        if (status != PROCTEX_OK) {
            proctex::copyReason(why, reason, size);
            return status;
        }
        return proctex::writeCallerSettings(full, settings, settings->size);
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {  // no exception leaves the library
        proctex::copyReason("out of memory", reason, size);
        return PROCTEX_ERROR_MEMORY;
    }
}

// A text-form member of a caller's settings, cut to size - 1 bytes and
// terminated; its whole length.
template <typename Text>
size_t textOf(const ProctexSettings* settings, char* text, size_t size,
              bool (*covers)(const ProctexSettings*), Text textOfSettings) {
    try {
        ProctexSettings full{};
        std::string why;
        const bool read = proctex::readCallerSettings(settings, full, why) == PROCTEX_OK;
        const std::string whole = read && covers(settings) ? textOfSettings(full) : "";
        proctex::copyReason(whole, text, size);
        return whole.size();
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {  // no exception leaves the library: no text
        proctex::copyReason("", text, size);
        return 0;
    }
}

}  // namespace

extern "C" {

PROCTEX_API int PROCTEX_CALL proctex_option_count(void) {
    return static_cast<int>(proctex::optionTable().size());
}

namespace {

// A row of a table as callers see it.
ProctexOptionInfo infoOf(const proctex::OptionSpec& o, double defaultValue, std::size_t offset) {
    ProctexOptionInfo full{};
    full.size = sizeof full;
    full.name = o.name;
    full.member = o.member;
    full.kind = o.kind;
    full.offset = offset;
    full.defaultValue = defaultValue;
    full.usefulMin = o.usefulMin;
    full.usefulMax = o.usefulMax;
    full.step = o.step;
    full.limitMin = o.limitMin;
    full.limitMax = o.limitMax;
    if (o.kind == PROCTEX_KIND_CHOICE && !o.choices.empty()) {
        full.limitMin = o.choices.front().value;
        full.limitMax = o.choices.back().value;
        full.usefulMin = full.limitMin;
        full.usefulMax = full.limitMax;
    }
    full.help = o.help;
    full.group = o.group;
    full.choiceCount = static_cast<int>(o.choices.size());
    full.choices = o.choices.empty() ? nullptr : o.choices.data();
    full.workMax = o.workMax > 0 ? o.workMax : full.limitMax;
    full.usedWithOption = o.usedWith == nullptr ? -1 : proctex::findOption(o.usedWith);
    full.usedWithValue = o.usedWithValue;
    return full;
}

}  // namespace

PROCTEX_API int PROCTEX_CALL proctex_option_info(int index, ProctexOptionInfo* info) {
    if (index < 0 || index >= proctex_option_count()) return PROCTEX_ERROR_ARGUMENT;
    const proctex::OptionSpec& o = proctex::optionTable()[static_cast<std::size_t>(index)];
    const ProctexOptionInfo full =
        infoOf(o, proctex::optionValue(o, proctex::defaultSettings()), o.offset);
    return copyInfo(full, info, offsetof(ProctexOptionInfo, workMax));
}

PROCTEX_API int PROCTEX_CALL proctex_layer_option_count(void) {
    return static_cast<int>(proctex::layerKeyTable().size());
}

PROCTEX_API int PROCTEX_CALL proctex_layer_option_info(int index, ProctexOptionInfo* info) {
    if (index < 0 || index >= proctex_layer_option_count()) return PROCTEX_ERROR_ARGUMENT;
    const proctex::OptionSpec& k = proctex::layerKeyTable()[static_cast<std::size_t>(index)];
    // The palette lies beside the layers, not in ProctexLayer.
    const bool beside = k.offset >= sizeof(ProctexLayer);
    const ProctexOptionInfo full =
        infoOf(k, proctex::layerKeyDefault(k), beside ? static_cast<std::size_t>(-1) : k.offset);
    return copyInfo(full, info, offsetof(ProctexOptionInfo, workMax));
}

PROCTEX_API int PROCTEX_CALL proctex_option_find(const char* name) {
    return name == nullptr ? -1 : proctex::findOption(name);
}

PROCTEX_API int PROCTEX_CALL proctex_choice_parse(int option, const char* text, int* value) {
    if (option < 0 || option >= proctex_option_count() || text == nullptr || value == nullptr) {
        return PROCTEX_ERROR_ARGUMENT;
    }
    const proctex::OptionSpec& o = proctex::optionTable()[static_cast<std::size_t>(option)];
    const ProctexChoice* c = proctex::findChoice(o, text);
    if (c == nullptr) return PROCTEX_ERROR_SETTINGS;
    *value = c->value;
    return PROCTEX_OK;
}

PROCTEX_API int PROCTEX_CALL proctex_map_count(void) {
    return static_cast<int>(proctex::mapTable().size());
}

PROCTEX_API int PROCTEX_CALL proctex_map_info(int map, ProctexMapInfo* info) {
    if (map < 0 || map >= proctex_map_count()) return PROCTEX_ERROR_ARGUMENT;
    const proctex::MapSpec& m = proctex::mapTable()[static_cast<std::size_t>(map)];
    ProctexMapInfo full{};
    full.size = sizeof full;
    full.map = m.map;
    full.name = m.name;
    full.suffix = m.suffix;
    full.channels = m.channels;
    full.bitDepth = m.bitDepth;
    full.srgb = m.srgb;
    full.legacy = m.legacy;
    full.help = m.help;
    return copyInfo(full, info, sizeof(ProctexMapInfo));
}

PROCTEX_API int PROCTEX_CALL proctex_colors_parse(const char* text, ProctexSettings* settings,
                                                  char* reason, size_t size) {
    return parseInto(text, settings, reason, size, coversRamp,
                     "settings.size does not reach the colour ramp (use proctex_settings_init)",
                     proctex::setColorRamp);
}

PROCTEX_API size_t PROCTEX_CALL proctex_colors_text(const ProctexSettings* settings, char* text,
                                                    size_t size) {
    return textOf(settings, text, size, coversRamp, proctex::colorRampText);
}

PROCTEX_API int PROCTEX_CALL proctex_layer_defaults(ProctexLayer* layer) {
    if (layer == nullptr) return PROCTEX_ERROR_ARGUMENT;
    *layer = proctex::defaultLayer();
    return PROCTEX_OK;
}

PROCTEX_API int PROCTEX_CALL proctex_layers_parse(const char* text, ProctexSettings* settings,
                                                  char* reason, size_t size) {
    // A caller's struct from before layerPalette takes layers without palettes.
    const auto set = [settings](std::string_view words, ProctexSettings& full) {
        std::string why = proctex::setLayers(words, full);
        const bool holdsPalettes = settings->size >= offsetof(ProctexSettings, layerPalette) +
                                                         sizeof settings->layerPalette;
        for (int i = 0; why.empty() && !holdsPalettes && i < full.layerCount; ++i) {
            if (full.layerPalette[i] != PROCTEX_LAYER_PALETTE_OWN) {
                why = "layer " + std::to_string(i + 1) +
                      " palette: settings.size does not reach layerPalette (use "
                      "proctex_settings_init)";
            }
        }
        return why;
    };
    return parseInto(text, settings, reason, size, coversLayers,
                     "settings.size does not reach the layers (use proctex_settings_init)", set);
}

PROCTEX_API size_t PROCTEX_CALL proctex_layers_text(const ProctexSettings* settings, char* text,
                                                    size_t size) {
    return textOf(settings, text, size, coversLayers, proctex::layersText);
}

PROCTEX_API int PROCTEX_CALL proctex_naming_count(void) {
    return static_cast<int>(proctex::namingTable().size());
}

PROCTEX_API const char* PROCTEX_CALL proctex_naming_name(int convention) {
    if (convention < 0 || convention >= proctex_naming_count()) return nullptr;
    return proctex::namingTable()[static_cast<std::size_t>(convention)].name;
}

PROCTEX_API const char* PROCTEX_CALL proctex_naming_help(int convention) {
    if (convention < 0 || convention >= proctex_naming_count()) return nullptr;
    return proctex::namingTable()[static_cast<std::size_t>(convention)].help;
}

PROCTEX_API const char* PROCTEX_CALL proctex_naming_suffix(int convention, int map) {
    if (convention < 0 || convention >= proctex_naming_count() || map < 0 ||
        map >= proctex::kNamedMaps) {
        return nullptr;
    }
    return proctex::namingTable()[static_cast<std::size_t>(convention)]
        .suffix[static_cast<std::size_t>(map)];
}

}  // extern "C"
