#include "presets.h"

#include <string>
#include <vector>

#include "suggest.h"

namespace proctex::cli {

namespace {

std::vector<Preset> readPresets() {
    std::vector<Preset> list;
    for (int i = 0; i < proctex_preset_count(); ++i) {
        Preset p{proctex_preset_name(i), proctex_preset_description(i), Options()};
        if (p.name == nullptr || p.description == nullptr ||
            proctex_preset_settings(p.name, &p.options, sizeof(ProctexSettings)) != PROCTEX_OK) {
            continue;
        }
        list.push_back(std::move(p));
    }
    return list;
}

}  // namespace

std::span<const Preset> presets() {
    static const std::vector<Preset> list = readPresets();
    return list;
}

const Preset* findPreset(std::string_view name) {
    const std::string folded = foldedName(name);
    for (const Preset& p : presets()) {
        if (folded == p.name) return &p;
    }
    return nullptr;
}

std::string unknownPresetMessage(std::string_view name) {
    std::vector<std::string> names;
    for (const Preset& p : presets()) names.emplace_back(p.name);
    const std::string near = closestName(name, names);
    return "no preset is called '" + std::string(name) + "' (" +
           (near.empty() ? "see --list-presets" : "did you mean " + near + "?") + ")";
}

}  // namespace proctex::cli
