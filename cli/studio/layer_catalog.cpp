#include "layer_catalog.h"

#include <proctex.h>

#include <algorithm>
#include <charconv>
#include <functional>
#include <string>
#include <string_view>

namespace proctex::cli::studio {

namespace {

using nlohmann::ordered_json;

ProctexLayer defaultLayer() {
    ProctexLayer layer{};
    proctex_layer_defaults(&layer);
    return layer;
}

// The value the library's text gives `key` for a default layer changed by
// `change`; "" when the text leaves the key out (it holds its default).
// Names (masks, colours) come from the library this way, never from a copy.
std::string layerWord(const std::function<void(ProctexLayer&)>& change, std::string_view key) {
    ProctexSettings settings;
    proctex_settings_init(&settings);
    settings.layerCount = 1;
    settings.layers[0] = defaultLayer();
    change(settings.layers[0]);
    std::string text(proctex_layers_text(&settings, nullptr, 0) + 1, '\0');
    text.resize(proctex_layers_text(&settings, text.data(), text.size()));
    const std::string start = std::string(key).append(1, '=');
    for (std::size_t at = 0; at < text.size(); at = text.find(' ', at) + 1) {
        if (text.compare(at, start.size(), start) == 0) {
            const std::size_t from = at + start.size();
            return text.substr(from, text.find_first_of(" ;", from) - from);
        }
        if (text.find(' ', at) == std::string::npos) break;
    }
    return {};
}

bool isWholeNumber(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The shortest decimal of a float (0.05, not 0.05000000074505806).
ordered_json number(float value) {
    char buffer[32];
    return ordered_json::parse(
        std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr));
}

}  // namespace

ordered_json layerCatalog() {
    ordered_json masks = ordered_json::array();
    // Named masks run from PROCTEX_MASK_ALL up; past the last the text
    // gives the number. mask2 is printed for every one of them.
    for (int mask = PROCTEX_MASK_ALL; mask < 64; ++mask) {
        const std::string name = layerWord([mask](ProctexLayer& l) { l.mask2 = mask; }, "mask2");
        if (name.empty() || isWholeNumber(name)) break;
        masks.push_back(name);
    }
    const ProctexLayer d = defaultLayer();
    // The default colour as the text spells it: color2 differs from a changed color.
    const std::string color = layerWord(
        [](ProctexLayer& l) {
            std::copy(l.color, l.color + 3, l.color2);
            std::fill(l.color, l.color + 3, l.color[0] > 0.5f ? 0.0f : 1.0f);
        },
        "color2");
    return {{"masks", masks},
            {"defaults",
             {{"mask", masks.at(static_cast<std::size_t>(d.mask - PROCTEX_MASK_ALL))},
              {"threshold", number(d.threshold)},
              {"softness", number(d.softness)},
              {"invert", d.invert},
              {"color", color},
              {"roughness", number(d.roughness)},
              {"metal", number(d.metal)},
              {"height", number(d.height)}}}};
}

}  // namespace proctex::cli::studio
