#include "catalog.h"

#include <proctex.h>

#include <nlohmann/json.hpp>
#include <string_view>

#include "options.h"
#include "presets.h"
#include "render.h"

namespace proctex::cli::studio {

namespace {

using nlohmann::ordered_json;

// A control's range: the useful ranges of proctex.h, which the sliders cover
// (the number box beside each takes any value the library accepts).
struct Range {
    const char* field;
    double min;
    double max;
    double step;
};

constexpr Range kRanges[] = {
    {"width", 64, 4096, 64},
    {"height", 64, 4096, 64},
    {"scale", 8, 256, 1},
    {"octaves", 0, 10, 1},
    {"persistence", 0.3, 0.7, 0.01},
    {"lacunarity", 1.5, 3, 0.01},
    {"pattern-param", 0, 300, 0.5},
    {"overlay-param", 0, 512, 1},
    {"overlay-strength", 0, 80, 0.05},
    {"seed", 0, 99999, 1},
    {"contrast", 0.5, 2, 0.01},
    {"brightness", -0.4, 0.4, 0.01},
    {"normal-strength", -10, 10, 0.1},
    {"roughness", 0, 1, 0.01},
    {"ao-radius", 0, 256, 1},
    {"ao-strength", 0, 16, 0.1},
    {"tile-size", 0, 10, 0.01},
    {"height-range", 0, 1, 0.001},
    {"metal", 0, 1, 0.01},
    {"emission", 0, 10, 0.1},
    {"emission-level", 0, 1, 0.01},
};

struct Choice {
    const char* field;
    int value;
    const char* name;
};

// The type codes of proctex.h, by name.
constexpr Choice kChoices[] = {
    {"base", 0, "fractal"},
    {"base", 1, "single octave"},
    {"material", 0, "black to white"},
    {"material", 1, "grey"},
    {"material", 2, "wood"},
    {"material", 3, "marble"},
    {"material", 4, "stone"},
    {"material", 5, "green"},
    {"material", 6, "blue"},
    {"material", 7, "lava"},
    {"pattern", 0, "none"},
    {"pattern", 2, "rings"},
    {"pattern", 3, "grooves"},
    {"pattern", 4, "tone curve"},
    {"pattern", 5, "damped extremes"},
    {"pattern", 6, "cells"},
    {"pattern", 7, "brushed"},
    {"pattern", 8, "discs"},
    {"pattern", 9, "checker"},
    {"pattern", 10, "knots"},
    {"pattern", 11, "diamonds"},
    {"pattern", 12, "egg crate"},
    {"overlay", 0, "none"},
    {"overlay", 1, "veins"},
    {"overlay", 2, "bricks"},
    {"overlay", 3, "planks"},
    {"overlay", 4, "scratches"},
    {"material", 9, "custom colours"},
    {"metal-type", 0, "iron"},
    {"metal-type", 1, "steel"},
    {"metal-type", 2, "aluminium"},
    {"metal-type", 3, "copper"},
    {"metal-type", 4, "gold"},
    {"metal-type", 5, "brass"},
    {"metal-type", 6, "chrome"},
    {"metal-mask", 0, "everywhere"},
    {"metal-mask", 1, "bare tops, rusty pits"},
    {"metal-mask", 2, "bare pits, coated tops"},
};

// Flags the library tests for exactly 1.
constexpr std::string_view kFlags[] = {"invert", "seamless", "roughness-map", "metallic-map",
                                       "pbr"};

ordered_json value(const Field& f, const ProctexSettings& s) {
    return ordered_json::parse(fieldText(f, s));
}

ordered_json fieldJson(const Field& f, const ProctexSettings& defaults) {
    ordered_json j;
    j["name"] = f.name;
    j["help"] = f.help;
    j["type"] = std::holds_alternative<int ProctexSettings::*>(f.member) ? "int" : "float";
    j["default"] = value(f, defaults);
    for (const Range& r : kRanges) {
        if (f.name == std::string_view(r.field)) {
            j["min"] = r.min;
            j["max"] = r.max;
            j["step"] = r.step;
        }
    }
    for (const Choice& c : kChoices) {
        if (f.name == std::string_view(c.field)) {
            j["choices"].push_back({{"value", c.value}, {"name", c.name}});
        }
    }
    for (std::string_view flag : kFlags) {
        if (f.name == flag) j["flag"] = true;
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
    root["maxSide"] = kMaxSide;
    for (const Field& f : fields()) root["fields"].push_back(fieldJson(f, defaults));
    root["defaults"] = settingsJson(defaults);
    root["presets"] = ordered_json::array();
    for (const Preset& p : presets()) {
        root["presets"].push_back({{"name", p.name},
                                   {"description", p.description},
                                   {"settings", settingsJson(p.options)}});
    }
    for (const StudioMap& m : studioMaps()) {
        root["maps"].push_back({{"name", m.name}, {"srgb", m.srgb}});
    }
    return root.dump();
}

}  // namespace proctex::cli::studio
