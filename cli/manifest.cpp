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
#include <string_view>

#include "platform.h"
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
    std::optional<bool> singleFile;

    void applyTo(Options& options) const {
        // The keys come in name order, "colors" before "material": a ramp,
        // which chooses the custom material, goes last as on the command
        // line, so a material given beside it does not undo it. The other
        // text options go with it.
        for (const Field* f : set) {
            if (!isText(*f)) copyField(*f, values, options);
        }
        for (const Field* f : set) {
            if (isText(*f)) copyField(*f, values, options);
        }
        for (const auto& [extra, on] : extras) setExtraOutput(*extra, on, options);
        if (naming) options.naming = *naming;
        if (small) setSmallFiles(*small, options);
        if (singleFile) options.singleFile = *singleFile;
    }

    bool sets(std::string_view name) const {
        return std::any_of(set.begin(), set.end(),
                           [name](const Field* f) { return std::string_view(f->name) == name; });
    }
};

// Deeper nesting than any manifest needs; a body of brackets stops here.
constexpr int kMaxDepth = 64;

// JSON text read strictly: a key given twice in one object (which a parser
// would settle by keeping one of them) and absurd nesting are faults.
json parseStrictly(const std::string& text) {
    std::vector<std::vector<std::string>> keys;  // of each open object
    const json::parser_callback_t check = [&keys](int depth, json::parse_event_t event,
                                                  json& parsed) {
        if (depth >= kMaxDepth) {  // depth counts from 0
            throw ManifestError("the JSON is nested deeper than " + std::to_string(kMaxDepth) +
                                " levels");
        }
        if (event == json::parse_event_t::object_start) keys.emplace_back();
        if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
        if (event == json::parse_event_t::key && !keys.empty()) {
            const std::string& key = parsed.get_ref<const std::string&>();
            std::vector<std::string>& seen = keys.back();
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                throw ManifestError("field \"" + key + "\": given twice in one object");
            }
            seen.push_back(key);
        }
        return true;
    };
    try {
        return json::parse(text, check);
    } catch (const json::exception& e) {  // out_of_range too: 1e400
        throw ManifestError(std::string("not valid JSON: ") + e.what());
    }
}

bool holdsControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// "item 2, field "width": " or, for a lone object, "field "width": ".
std::string fieldPlace(const std::string& where, const std::string& key) {
    return (where.empty() ? "" : where + ", ") + "field \"" + key + "\": ";
}

std::string describe(const json& value) {
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    std::string text = value.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

// A text option given as an array, one entry (a stop, a layer) a string:
// read as its text. An entry holding the separator or nothing would shift
// the numbers the library's reasons give ("layer 2 ...") off the array's.
std::string readEntries(const Field& field, const json& list, ProctexSettings& settings) {
    const std::string separator = textOptionOf(field)->separator;
    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string at = "entry " + std::to_string(i + 1) + " ";
        if (!list[i].is_string()) return at + "must be a string, not " + describe(list[i]);
        const std::string entry = list[i].get<std::string>();
        if (entry.find_first_not_of(" \t\n") == std::string::npos) return at + "is empty";
        if (entry.find(separator) != std::string::npos) {
            return at + "holds '" + separator + "': give each its own entry";
        }
        text += (i == 0 ? "" : separator + " ") + entry;
    }
    return setFieldFromText(field, text, settings);
}

// Reads one option value; an empty string when it fits, else the reason.
// Numbers, a choice's name, true/false for a flag and a text option's text
// or entries, by the library's rules.
std::string readValue(const Field& field, const json& value, ProctexSettings& settings) {
    if (value.is_boolean() && isFlag(field)) {
        return setFieldFromNumber(field, value.get<bool>() ? 1 : 0, settings);
    }
    if (value.is_string() && (isChoice(field) || isText(field))) {
        return setFieldFromText(field, value.get<std::string>(), settings);
    }
    if (value.is_array() && isText(field)) return readEntries(field, value, settings);
    if (!value.is_number()) return "must be " + acceptedValues(field) + ", not " + describe(value);
    // 512.0 is refused too: integer options are written without a point.
    if (!isNumber(field) && value.is_number_float()) {
        return "must be " + acceptedValues(field) + ", not " + describe(value);
    }
    if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX && !isNumber(field)) {
        return "must be " + acceptedValues(field) + " (got " + describe(value) + ")";
    }
    return setFieldFromNumber(field, value.get<double>(), settings);
}

// true/false, or 1/0 as for the flags among the options.
std::optional<bool> readSwitch(const json& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value == 1) return true;
    if (value == 0) return false;
    return std::nullopt;
}

// Reads every key; each fault goes to `faults` and the reading goes on.
ItemSettings readItemSettings(const json& object, const std::string& where, bool outputAllowed,
                              std::vector<std::string>& faults) {
    ItemSettings settings;
    if (!object.is_object()) {
        faults.push_back((where.empty() ? std::string("the material") : where) +
                         ": must be an object, not " + describe(object));
        return settings;
    }
    for (const auto& [key, value] : object.items()) {
        const std::string at = fieldPlace(where, key);
        if (key == "preset") {
            if (!value.is_string()) {
                faults.push_back(at + "must be a preset name");
                continue;
            }
            settings.preset = findPreset(value.get<std::string>());
            if (settings.preset == nullptr) {
                faults.push_back(at + unknownPresetMessage(value.get<std::string>()));
            }
        } else if (key == "output") {
            if (!outputAllowed) {
                faults.push_back(at + "each item names its own output");
            } else if (!value.is_string() || value.get<std::string>().empty()) {
                faults.push_back(at + "must be a non-empty path");
            } else if (holdsControlCharacter(value.get<std::string>())) {
                faults.push_back(at + "must not hold control characters (such as \\u0000)");
            } else {
                settings.output = value.get<std::string>();
            }
        } else if (const Field* field = findField(key)) {
            if (std::find(settings.set.begin(), settings.set.end(), field) != settings.set.end()) {
                faults.push_back(at + "\"" + field->name + "\" is given twice");
            } else if (const std::string why = readValue(*field, value, settings.values);
                       !why.empty()) {
                faults.push_back(at + why);
            } else {
                settings.set.push_back(field);
            }
        } else if (const ExtraOutput* extra = findExtraOutput(key)) {
            if (const auto on = readSwitch(value)) {
                settings.extras.emplace_back(extra, *on);
            } else {
                faults.push_back(at + "must be true or false (or 1 or 0)");
            }
        } else if (key == "single-file" || key == "single_file") {
            settings.singleFile = readSwitch(value);
            if (!settings.singleFile) faults.push_back(at + "must be true or false (or 1 or 0)");
        } else if (key == "naming") {
            if (!value.is_string() || findNamingConvention(value.get<std::string>()) == nullptr) {
                std::string names;
                for (const NamingConvention& c : namingConventions()) {
                    names += (names.empty() ? "" : ", ") + c.name;
                }
                faults.push_back(at + "must be one of " + names);
            } else {
                settings.naming = value.get<std::string>();
            }
        } else if (key == "compression") {
            if (value != "default" && value != "small") {
                faults.push_back(at + "must be \"default\" or \"small\"");
            } else {
                settings.small = value == "small";
            }
        } else if (key == "proctex" || key == "files") {
            // What a sidecar record adds: the version that wrote it and the
            // files it made. Informational; the settings alone make the files.
        } else {
            faults.push_back(at +
                             "unknown field (options take their long names, such as "
                             "\"scale\" or \"pattern-param\")");
        }
    }
    // A record from before sizes on the tile holds no units: its sizes were
    // pixels, and its files come back only in pixels.
    const Field* units = findField("units");
    if (object.contains("proctex") && units != nullptr &&
        std::find(settings.set.begin(), settings.set.end(), units) == settings.set.end()) {
        (void)setFieldFromNumber(*units, PROCTEX_UNITS_PIXELS, settings.values);
        settings.set.push_back(units);
    }
    return settings;
}

// The options of an item read from `own` over `defaults`, with the starting
// values of what either chose without its parameters.
Options itemOptions(const ItemSettings& defaults, const ItemSettings& own) {
    Options options;
    const Preset* preset = own.preset != nullptr ? own.preset : defaults.preset;
    if (preset != nullptr) options = preset->options;
    defaults.applyTo(options);
    own.applyTo(options);
    applyStartingValues(
        [&](std::string_view name) { return defaults.sets(name) || own.sets(name); }, options);
    return options;
}

// What the library would refuse, as a fault naming the field its reason names.
void checkSettings(const Options& options, const std::string& where,
                   std::vector<std::string>& faults) {
    const auto refusal = settingsRefusal(options);
    if (!refusal) return;
    const Field* field = refusal->field;
    faults.push_back(
        (field != nullptr ? fieldPlace(where, field->name) : (where.empty() ? "" : where + ": ")) +
        refusal->reason);
}

// The file a path names, however it is spelled: out/a.png, ./out/a.png,
// $PWD/out/a.png and ../here/out/a.png (or a folder reached through a
// symlink) are one file.
std::string resolvedPath(const std::string& file) {
    std::error_code ec;
    const std::filesystem::path path = pathFromUtf8(file);
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) return utf8FromPath(path.lexically_normal());
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, ec);
    return utf8FromPath(ec ? absolute.lexically_normal() : resolved);
}

// One item: its options over `defaults`, its output checked. Null when it is
// not an object. `missingOutput` follows the fault of an item without one.
std::optional<BatchItem> readItem(const json& object, std::size_t number, const std::string& where,
                                  const ItemSettings& defaults, const std::string& missingOutput,
                                  std::vector<std::string>& faults) {
    const std::size_t faultsBefore = faults.size();
    const ItemSettings settings = readItemSettings(object, where, true, faults);
    if (!object.is_object()) return std::nullopt;
    if (!settings.output && !object.contains("output")) {
        faults.push_back(fieldPlace(where, "output") + "missing" + missingOutput);
    }
    BatchItem item;
    item.number = number;
    item.options = itemOptions(defaults, settings);
    item.options.output = settings.output.value_or("");
    item.name = settings.preset != nullptr ? settings.preset->name : item.options.output;
    if (settings.output) {
        std::string problem = outputPathProblem(item.options.output, item.options.singleFile);
        if (problem.empty()) problem = setNameProblem(item.options);
        if (!problem.empty()) faults.push_back(fieldPlace(where, "output") + problem);
    }
    // Settings read with faults are not what the item meant: no second guess.
    if (faults.size() == faultsBefore) checkSettings(item.options, where, faults);
    return item;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

ManifestError::ManifestError(const std::string& fault)
    : ManifestError(std::vector<std::string>{fault}) {}

ManifestError::ManifestError(std::vector<std::string> faults)
    : std::runtime_error(joinLines(faults)), faults_(std::move(faults)) {}

MaterialRequest parseMaterial(const json& object) {
    MaterialRequest request;
    const ItemSettings settings = readItemSettings(object, "", false, request.errors);
    request.options = itemOptions(ItemSettings{}, settings);
    if (request.errors.empty()) checkSettings(request.options, "", request.errors);
    return request;
}

std::string sameFileKey(const std::string& file, bool ignoreCase) {
    std::string key = resolvedPath(file);
    // ASCII only: the names the tool derives differ in ASCII letters.
    if (ignoreCase) {
        for (char& c : key) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

std::vector<std::string> overwriteFaults(const std::vector<BatchItem>& items,
                                         const std::vector<KeptFile>& kept, bool ignoreCase) {
    std::vector<std::string> faults;
    std::map<std::string, std::string> owner;  // by key: "item 2", "the report", ...
    for (const KeptFile& k : kept) owner.emplace(sameFileKey(k.path, ignoreCase), k.what);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string self = "item " + std::to_string(i + 1);
        for (const auto& file : itemFiles(items[i].options)) {
            const auto [it, fresh] = owner.emplace(sameFileKey(file, ignoreCase), self);
            // Threads finishing in any order would leave either one's file.
            if (!fresh && it->second != self) {
                faults.push_back(self + ", field \"output\": writes " + file + ", as " +
                                 it->second +
                                 (it->second.rfind("item ", 0) == 0 ? " does" : " is"));
                break;
            }
        }
    }
    return faults;
}

std::vector<BatchItem> parseManifest(const std::string& text) {
    const json root = parseStrictly(text);

    std::vector<std::string> faults;
    const json* list = &root;
    ItemSettings defaults;
    if (root.is_object()) {
        for (const auto& [key, value] : root.items()) {
            if (key != "materials" && key != "defaults") {
                faults.push_back("field \"" + key +
                                 "\": unknown (the manifest holds \"defaults\" and "
                                 "\"materials\")");
            }
        }
        if (!root.contains("materials")) {
            faults.push_back("field \"materials\": missing (the list of items)");
            throw ManifestError(faults);
        }
        list = &root.at("materials");
        if (root.contains("defaults")) {
            defaults = readItemSettings(root.at("defaults"), "defaults", false, faults);
        }
    }
    if (!list->is_array()) {
        faults.push_back("the list of items must be an array, not " + describe(*list));
        throw ManifestError(faults);
    }

    std::vector<BatchItem> items;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        if (auto item = readItem((*list)[i], i + 1, where, defaults, "", faults)) {
            items.push_back(std::move(*item));
        }
    }
    if (faults.empty()) faults = overwriteFaults(items, {}, kNamesIgnoreCase);
    if (!faults.empty()) throw ManifestError(faults);
    return items;
}

namespace {

// At most `limit` bytes: /dev/zero or a huge file is refused, not read.
std::string readText(const std::filesystem::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ManifestError("cannot read " + utf8FromPath(path));
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) throw ManifestError("cannot read " + utf8FromPath(path));
    if (static_cast<std::size_t>(in.gcount()) > limit) {
        throw ManifestError("larger than " + std::to_string(limit >> 20) +
                            " MiB: not a record or manifest of proctex");
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace

std::vector<BatchItem> loadManifest(const std::filesystem::path& path) {
    return parseManifest(readText(path, kMaxManifestBytes));
}

BatchItem loadMaterialItem(const std::filesystem::path& path, const std::string& output) {
    return parseMaterialItem(readText(path, kMaxRecordBytes), output);
}

Options loadMaterial(const std::filesystem::path& path) {
    return parseMaterial(readText(path, kMaxRecordBytes), true);
}

RecordFacts loadRecordFacts(const std::filesystem::path& path) {
    return parseRecordFacts(readText(path, kMaxRecordBytes));
}

RecordFacts parseRecordFacts(const std::string& text) {
    const json root = parseStrictly(text);
    RecordFacts facts;
    if (!root.is_object()) return facts;
    if (const auto version = root.find("proctex"); version != root.end() && version->is_string()) {
        facts.version = version->get<std::string>();
    }
    const auto files = root.find("files");
    if (files == root.end() || !files->is_array()) return facts;
    for (const json& file : *files) {
        const auto name = file.find("name");
        const auto sha = file.find("sha256");
        if (file.is_object() && name != file.end() && name->is_string() && sha != file.end() &&
            sha->is_string()) {
            facts.files.emplace_back(name->get<std::string>(), sha->get<std::string>());
        }
    }
    return facts;
}

BatchItem parseMaterialItem(const std::string& text, const std::string& output) {
    json root = parseStrictly(text);
    if (!output.empty() && root.is_object()) root["output"] = output;
    std::vector<std::string> faults;
    std::optional<BatchItem> item = readItem(
        root, 1, "", ItemSettings{}, " (give it in the file or after the file's name)", faults);
    if (!faults.empty()) throw ManifestError(faults);
    return std::move(*item);
}

Options parseMaterial(const std::string& text, bool outputIgnored) {
    json root = parseStrictly(text);
    // A manifest item names its own output; read by --from, the command line does.
    if (outputIgnored && root.is_object()) root.erase("output");
    MaterialRequest request = parseMaterial(root);
    if (!request.errors.empty()) throw ManifestError(request.errors);
    return request.options;
}

}  // namespace proctex::cli
