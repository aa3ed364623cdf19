#include "layer_keys.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <vector>

#include "options.h"

namespace proctex::cli {

namespace {

std::vector<ProctexOptionInfo> readKeys() {
    std::vector<ProctexOptionInfo> keys;
    for (int i = 0; i < proctex_layer_option_count(); ++i) {
        ProctexOptionInfo info{};
        info.size = sizeof info;
        if (proctex_layer_option_info(i, &info) == PROCTEX_OK) keys.push_back(info);
    }
    return keys;
}

// The shortest text that reads back as the same float ("0.05", not 0.0500000007).
std::string shortest(double value) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value)).ptr;
    return std::string(buffer, end);
}

bool isWhole(const ProctexOptionInfo& key) {
    return key.kind == PROCTEX_KIND_INTEGER || key.kind == PROCTEX_KIND_FLAG ||
           key.kind == PROCTEX_KIND_CHOICE;
}

std::string numberText(const ProctexOptionInfo& key, double value) {
    return isWhole(key) ? std::to_string(static_cast<long long>(value)) : shortest(value);
}

// A colour channel as the text's byte: the nearest of 0..255.
unsigned channelByte(float channel) {
    const float clamped = channel > 0.0f ? std::min(channel, 1.0f) : 0.0f;
    return static_cast<unsigned>(clamped * 255.0f + 0.5f);
}

// How the help names a key's value: "NUMBER", "NAME", "#RRGGBB".
const char* valueWord(const ProctexOptionInfo& key) {
    switch (key.kind) {
        case PROCTEX_KIND_CHOICE:
            return "NAME";
        case PROCTEX_KIND_COLOR:
            return "#RRGGBB";
        case PROCTEX_KIND_FLAG:
            return "0|1";
        case PROCTEX_KIND_INTEGER:
            return "INT";
        default:
            return "NUMBER";
    }
}

}  // namespace

std::span<const ProctexOptionInfo> layerKeys() {
    static const std::vector<ProctexOptionInfo> keys = readKeys();
    return keys;
}

std::string layerKeyDefault(const ProctexOptionInfo& key) {
    if (key.kind == PROCTEX_KIND_COLOR) {
        // The row holds only the red: the whole colour is the default layer's.
        ProctexLayer layer{};
        proctex_layer_defaults(&layer);
        float rgb[3];
        std::memcpy(rgb, reinterpret_cast<const unsigned char*>(&layer) + key.offset, sizeof rgb);
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", channelByte(rgb[0]), channelByte(rgb[1]),
                      channelByte(rgb[2]));
        return text;
    }
    for (int i = 0; i < key.choiceCount; ++i) {
        if (key.choices[i].value == static_cast<int>(key.defaultValue)) return key.choices[i].name;
    }
    return numberText(key, key.defaultValue);
}

std::string layerKeyValues(const ProctexOptionInfo& key) {
    switch (key.kind) {
        case PROCTEX_KIND_COLOR:
            return "#rrggbb";
        case PROCTEX_KIND_FLAG:
            return "1 or 0";
        case PROCTEX_KIND_CHOICE: {
            std::string names = "one of ";
            for (int i = 0; i < key.choiceCount; ++i) {
                names += (i > 0 ? ", " : "") + std::string(key.choices[i].name);
            }
            return names;
        }
        default: {
            std::string text = (isWhole(key) ? "a whole number from " : "a number from ") +
                               numberText(key, key.limitMin) + " to " +
                               numberText(key, key.limitMax);
            if (key.usefulMin != key.limitMin || key.usefulMax != key.limitMax) {
                text += ", useful " + numberText(key, key.usefulMin) + " to " +
                        numberText(key, key.usefulMax);
            }
            return text;
        }
    }
}

std::string layerKeysHelp() {
    const Field* layers = findField("layers");
    std::string text =
        "The keys of a layer, for --layers \"KEY=VALUE KEY=VALUE ...; ...\" (up to " +
        std::to_string(layers != nullptr ? static_cast<int>(layers->info.limitMax)
                                         : PROCTEX_MAX_LAYERS) +
        " layers, one per ';', each painting over the ones before it) and a manifest's "
        "\"layers\". A key left out keeps its default. Names are read in any case, with '-' "
        "or '_'.\n";
    // By group, in the order the groups first appear in the table.
    std::vector<std::string> groups;
    for (const ProctexOptionInfo& key : layerKeys()) {
        if (std::find(groups.begin(), groups.end(), key.group) == groups.end()) {
            groups.emplace_back(key.group);
        }
    }
    for (const std::string& group : groups) {
        text += "\n" + group + ":\n";
        for (const ProctexOptionInfo& key : layerKeys()) {
            if (group != key.group) continue;
            std::string head = "  " + std::string(key.name) + "=" + valueWord(key);
            head.resize(std::max<std::size_t>(head.size() + 1, 24), ' ');
            // A colour's help already says #rrggbb.
            const std::string values =
                key.kind == PROCTEX_KIND_COLOR ? "" : ": " + layerKeyValues(key);
            text += head + key.help + values + " (default " + layerKeyDefault(key) + ")\n";
        }
    }
    return text;
}

}  // namespace proctex::cli
