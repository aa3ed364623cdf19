#include "manifest.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "presets.h"

namespace proctex::cli {

namespace {

using nlohmann::json;

// What one manifest object asks for: a preset, an output and the options it
// sets explicitly.
struct ItemSettings {
    const Preset* preset = nullptr;
    std::optional<std::string> output;
    ProctexSettings values = defaultSettings();
    std::vector<const Field*> set;
    std::vector<std::pair<const ExtraOutput*, bool>> extras;
    std::optional<std::string> naming;
    std::optional<bool> small;

    void applyTo(Options& options) const {
        for (const Field* f : set) copyField(*f, values, options);
        for (const auto& [extra, on] : extras) setExtraOutput(*extra, on, options);
        if (naming) options.naming = *naming;
        if (small) setSmallFiles(*small, options);
    }
};

std::string describe(const json& value) {
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    std::string text = value.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

// Reads one option value; an empty string when it fits, else the reason.
std::string readValue(const Field& field, const json& value, ProctexSettings& settings) {
    if (std::holds_alternative<int ProctexSettings::*>(field.member)) {
        const auto member = std::get<int ProctexSettings::*>(field.member);
        if (value.is_boolean()) {
            settings.*member = value.get<bool>() ? 1 : 0;
            return {};
        }
        if (value.is_number_integer() || value.is_number_unsigned()) {
            if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX) {
                return "is out of the integer range";
            }
            const std::int64_t v = value.get<std::int64_t>();
            if (v < INT32_MIN || v > INT32_MAX) return "is out of the integer range";
            settings.*member = static_cast<int>(v);
            return {};
        }
        // 512.0 is refused too: integer options are written without a point.
        return "must be a whole number such as 1 or 512, not " + describe(value);
    }
    const auto member = std::get<float ProctexSettings::*>(field.member);
    if (!value.is_number()) return "must be a number, not " + describe(value);
    const double v = value.get<double>();
    if (std::fabs(v) > FLT_MAX) return "is out of the float range";
    settings.*member = static_cast<float>(v);
    return {};
}

ItemSettings readItemSettings(const json& object, const std::string& where, bool outputAllowed) {
    if (!object.is_object()) {
        throw ManifestError(where + ": must be an object, not " + describe(object));
    }
    ItemSettings settings;
    for (const auto& [key, value] : object.items()) {
        const std::string at = where + ", field \"" + key + "\": ";
        if (key == "preset") {
            if (!value.is_string()) throw ManifestError(at + "must be a preset name");
            settings.preset = findPreset(value.get<std::string>());
            if (settings.preset == nullptr) {
                throw ManifestError(at + "no preset is called \"" + value.get<std::string>() +
                                    "\" (proctex --list-presets lists them)");
            }
        } else if (key == "output") {
            if (!outputAllowed) throw ManifestError(at + "each item names its own output");
            if (!value.is_string() || value.get<std::string>().empty()) {
                throw ManifestError(at + "must be a non-empty path");
            }
            settings.output = value.get<std::string>();
        } else if (const Field* field = findField(key)) {
            if (std::find(settings.set.begin(), settings.set.end(), field) != settings.set.end()) {
                throw ManifestError(at + "\"" + field->name + "\" is given twice");
            }
            if (const std::string why = readValue(*field, value, settings.values); !why.empty()) {
                throw ManifestError(at + why);
            }
            settings.set.push_back(field);
        } else if (const ExtraOutput* extra = findExtraOutput(key)) {
            if (!value.is_boolean()) throw ManifestError(at + "must be true or false");
            settings.extras.emplace_back(extra, value.get<bool>());
        } else if (key == "naming") {
            if (!value.is_string() || findNamingConvention(value.get<std::string>()) == nullptr) {
                throw ManifestError(at + "must be one of proctex, ambientcg, unreal, unity, godot");
            }
            settings.naming = value.get<std::string>();
        } else if (key == "compression") {
            if (value != "default" && value != "small") {
                throw ManifestError(at + "must be \"default\" or \"small\"");
            }
            settings.small = value == "small";
        } else if (key == "proctex" || key == "files") {
            // What a sidecar record adds: the version that wrote it and the
            // files it made. Informational; the settings alone make the files.
        } else {
            throw ManifestError(at +
                                "unknown field (options take their long names, such as "
                                "\"scale\" or \"pattern-param\")");
        }
    }
    return settings;
}

// Two items writing the same file would overwrite each other, in whatever
// order their threads finish.
void rejectSharedOutputs(const std::vector<BatchItem>& items) {
    std::map<std::string, std::size_t> owner;
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (const auto& file : outputFiles(items[i].options)) {
            const std::string key = std::filesystem::path(file).lexically_normal().string();
            const auto [it, fresh] = owner.emplace(key, i);
            if (!fresh && it->second != i) {
                throw ManifestError("item " + std::to_string(i + 1) +
                                    ", field \"output\": writes " + file + ", as item " +
                                    std::to_string(it->second + 1) + " does");
            }
        }
    }
}

}  // namespace

std::vector<BatchItem> parseManifest(const std::string& text) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ManifestError(std::string("not valid JSON: ") + e.what());
    }

    const json* list = &root;
    ItemSettings defaults;
    if (root.is_object()) {
        for (const auto& [key, value] : root.items()) {
            if (key != "materials" && key != "defaults") {
                throw ManifestError("field \"" + key +
                                    "\": unknown (the manifest holds \"defaults\" and "
                                    "\"materials\")");
            }
        }
        if (!root.contains("materials")) {
            throw ManifestError("field \"materials\": missing (the list of items)");
        }
        list = &root["materials"];
        if (root.contains("defaults"))
            defaults = readItemSettings(root["defaults"], "defaults", false);
    }
    if (!list->is_array()) {
        throw ManifestError("the list of items must be an array, not " + describe(*list));
    }

    std::vector<BatchItem> items;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        const ItemSettings settings = readItemSettings((*list)[i], where, true);
        if (!settings.output) throw ManifestError(where + ", field \"output\": missing");
        BatchItem item;
        const Preset* preset = settings.preset != nullptr ? settings.preset : defaults.preset;
        if (preset != nullptr) item.options = preset->options;
        defaults.applyTo(item.options);
        settings.applyTo(item.options);
        item.options.output = *settings.output;
        item.name = settings.preset != nullptr ? settings.preset->name : *settings.output;
        items.push_back(std::move(item));
    }
    rejectSharedOutputs(items);
    return items;
}

namespace {

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ManifestError("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::vector<BatchItem> loadManifest(const std::filesystem::path& path) {
    return parseManifest(readText(path));
}

Options loadMaterial(const std::filesystem::path& path) {
    json root;
    try {
        root = json::parse(readText(path));
    } catch (const json::parse_error& e) {
        throw ManifestError(std::string("not valid JSON: ") + e.what());
    }
    const ItemSettings settings = readItemSettings(root, "the record", false);
    Options options;
    if (settings.preset != nullptr) options = settings.preset->options;
    settings.applyTo(options);
    return options;
}

Options parseMaterial(const std::string& text) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::exception& e) {
        // parse_error, and out_of_range for a number beyond a double (1e400).
        throw ManifestError(std::string("not valid JSON: ") + e.what());
    }
    const ItemSettings settings = readItemSettings(root, "the request", false);
    Options options;
    if (settings.preset != nullptr) options = settings.preset->options;
    settings.applyTo(options);
    return options;
}

}  // namespace proctex::cli
