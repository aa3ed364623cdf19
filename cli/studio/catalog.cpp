#include "catalog.h"

#include <proctex.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

#include "layer_catalog.h"
#include "options.h"
#include "presets.h"
#include "render.h"

namespace proctex::cli::studio {

namespace {

using nlohmann::ordered_json;

ordered_json value(const Field& f, const ProctexSettings& s) {
    const std::string text = fieldText(f, s);
    return isText(f) ? ordered_json(text) : ordered_json::parse(text);
}

// A control as the library's table describes it: the slider covers the
// useful range, the number box beside it takes the limits.
ordered_json fieldJson(const Field& f) {
    const ProctexOptionInfo& info = f.info;
    ordered_json j;
    j["name"] = f.name;
    j["member"] = info.member;
    j["help"] = f.help;
    j["group"] = info.group;
    const TextOption* textOption = textOptionOf(f);
    j["type"] = textOption != nullptr ? textOption->kindName : isNumber(f) ? "float" : "int";
    j["default"] = info.defaultValue;
    j["min"] = info.usefulMin;
    j["max"] = info.usefulMax;
    j["step"] = info.step;
    j["limitMin"] = info.limitMin;
    j["limitMax"] = std::min(info.limitMax, info.workMax);  // what one render may ask
    if (isFlag(f)) j["flag"] = true;
    if (info.usedWithOption >= 0) {
        // The page shows the control only while the other holds the value.
        j["usedWith"] = {{"name", fields()[static_cast<std::size_t>(info.usedWithOption)].name},
                         {"value", info.usedWithValue}};
    }
    if (textOption != nullptr) {
        j["maxEntries"] = info.limitMax;
        // What the text chooses besides its entries (a ramp: the custom
        // material), as the library sets it: the page shows those controls with it.
        const ProctexSettings before = defaultSettings();
        ProctexSettings after = before;
        (void)setFieldFromText(f, textOption->example, after);
        j["sets"] = ordered_json::object();
        for (const Field& other : fields()) {
            if (&other != &f && fieldText(other, after) != fieldText(other, before)) {
                j["sets"][other.name] = value(other, after);
            }
        }
    }
    if (info.kind == PROCTEX_KIND_LAYERS) j["layer"] = layerCatalog();
    for (int i = 0; i < info.choiceCount; ++i) {
        const ProctexChoice& c = info.choices[i];
        ordered_json choice = {{"value", c.value}, {"name", c.name}, {"label", c.label}};
        for (int k = 0; k < c.startCount; ++k) choice["start"][c.startOption[k]] = c.startValue[k];
        j["choices"].push_back(choice);
    }
    return j;
}

ordered_json settingsJson(const ProctexSettings& s) {
    ordered_json j = ordered_json::object();
    for (const Field& f : fields()) j[f.name] = value(f, s);
    return j;
}

}  // namespace

std::string catalogJson() {
    const ProctexSettings defaults = defaultSettings();
    ordered_json root;
    root["version"] = proctex_version();
    for (const Field& f : fields()) root["fields"].push_back(fieldJson(f));
    root["defaults"] = settingsJson(defaults);
    root["presets"] = ordered_json::array();
    for (const Preset& p : presets()) {
        root["presets"].push_back({{"name", p.name},
                                   {"description", p.description},
                                   {"settings", settingsJson(p.options)}});
    }
    for (const StudioMap& m : studioMaps()) {
        const ProctexMapInfo info = mapInfo(m.map);
        root["maps"].push_back({{"name", m.name},
                                {"srgb", m.srgb},
                                {"suffix", info.suffix},
                                {"legacy", info.legacy != 0},
                                {"bitDepth", info.bitDepth}});
    }
    return root.dump();
}

}  // namespace proctex::cli::studio
