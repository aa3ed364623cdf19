#include "layer_catalog.h"

#include <proctex.h>

#include "layer_keys.h"

namespace proctex::cli::studio {

namespace {

using nlohmann::ordered_json;

// The page's names of the library's kinds of key.
const char* kindName(int kind) {
    switch (kind) {
        case PROCTEX_KIND_INTEGER:
            return "integer";
        case PROCTEX_KIND_FLAG:
            return "flag";
        case PROCTEX_KIND_CHOICE:
            return "choice";
        case PROCTEX_KIND_COLOR:
            return "color";
        default:
            return "number";
    }
}

ordered_json keyJson(const ProctexOptionInfo& key) {
    const std::string fallback = layerKeyDefault(key);
    ordered_json j;
    j["name"] = key.name;
    j["member"] = key.member;
    j["kind"] = kindName(key.kind);
    j["group"] = key.group;
    j["help"] = key.help;
    // Numbers as numbers; names and colours as the text writes them.
    const bool named = key.kind == PROCTEX_KIND_CHOICE || key.kind == PROCTEX_KIND_COLOR;
    j["default"] = named ? ordered_json(fallback) : ordered_json::parse(fallback);
    j["min"] = key.usefulMin;
    j["max"] = key.usefulMax;
    j["step"] = key.step;
    j["limitMin"] = key.limitMin;
    j["limitMax"] = key.limitMax;
    for (int i = 0; i < key.choiceCount; ++i) {
        const ProctexChoice& c = key.choices[i];
        j["choices"].push_back({{"value", c.value}, {"name", c.name}, {"label", c.label}});
    }
    return j;
}

}  // namespace

ordered_json layerCatalog() {
    ordered_json keys = ordered_json::array();
    for (const ProctexOptionInfo& key : layerKeys()) keys.push_back(keyJson(key));
    return {{"keys", keys}};
}

}  // namespace proctex::cli::studio
