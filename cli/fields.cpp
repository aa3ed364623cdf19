// The settings as the library's option table describes them: reading,
// writing and checking values by name, and the starting values of choices.
#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>

#include "options.h"
#include "suggest.h"

namespace proctex::cli {

namespace {

std::vector<Field> readTable() {
    std::vector<Field> table;
    for (int i = 0; i < proctex_option_count(); ++i) {
        ProctexOptionInfo info{};
        info.size = sizeof info;
        if (proctex_option_info(i, &info) != PROCTEX_OK) continue;
        table.push_back({info.name, info.help, info});
    }
    return table;
}

unsigned char* memberBytes(const Field& field, ProctexSettings& settings) {
    return reinterpret_cast<unsigned char*>(&settings) + field.info.offset;
}

const unsigned char* memberBytes(const Field& field, const ProctexSettings& settings) {
    return reinterpret_cast<const unsigned char*>(&settings) + field.info.offset;
}

float floatOf(const Field& field, const ProctexSettings& settings) {
    float v;
    std::memcpy(&v, memberBytes(field, settings), sizeof v);
    return v;
}

int intOf(const Field& field, const ProctexSettings& settings) {
    int v;
    std::memcpy(&v, memberBytes(field, settings), sizeof v);
    return v;
}

void setInt(const Field& field, int v, ProctexSettings& settings) {
    std::memcpy(memberBytes(field, settings), &v, sizeof v);
}

void setFloat(const Field& field, float v, ProctexSettings& settings) {
    std::memcpy(memberBytes(field, settings), &v, sizeof v);
}

// The shortest text that reads back as the same value ("0.6", not 0.6000000238).
template <typename T>
std::string shortest(T v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

std::span<const ProctexChoice> choicesOf(const Field& field) {
    if (field.info.choices == nullptr) return {};
    return {field.info.choices, static_cast<std::size_t>(field.info.choiceCount)};
}

const ProctexChoice* choiceOf(const Field& field, int code) {
    for (const ProctexChoice& c : choicesOf(field)) {
        if (c.value == code) return &c;
    }
    return nullptr;
}

constexpr TextOption kTextOptions[] = {
    {PROCTEX_KIND_COLORS, "colors", proctex_colors_parse, proctex_colors_text, "#RRGGBB@POS,...",
     ",", "one to", "colour stops #rrggbb@position", "#2b1d0e@0,#d9b38c@1"},
    {PROCTEX_KIND_LAYERS, "layers", proctex_layers_parse, proctex_layers_text,
     "\"KEY=VALUE ...; ...\"", ";", "up to", "layers of key=value words, ';' between layers",
     "mask=joints color=#9a948a"},
};

std::string choiceProblem(const Field& field, std::string_view text) {
    std::vector<std::string> names;
    for (const ProctexChoice& c : choicesOf(field)) names.emplace_back(c.name);
    std::string message = "unknown " + std::string(field.name) + " '" + std::string(text) + "'";
    if (const std::string near = closestName(foldedName(text), names); !near.empty()) {
        message += " (did you mean " + near + "?)";
    }
    return message + "; choose one of " + acceptedValues(field);
}

}  // namespace

const TextOption* textOptionOf(const Field& field) {
    for (const TextOption& t : kTextOptions) {
        if (t.kind == field.info.kind) return &t;
    }
    return nullptr;
}

std::span<const Field> fields() {
    static const std::vector<Field> table = readTable();
    return table;
}

const Field* findField(std::string_view name) {
    const int index = proctex_option_find(std::string(name).c_str());
    if (index < 0 || static_cast<std::size_t>(index) >= fields().size()) return nullptr;
    return &fields()[static_cast<std::size_t>(index)];
}

void copyField(const Field& field, const ProctexSettings& from, ProctexSettings& to) {
    if (isText(field)) {
        (void)setFieldFromText(field, fieldText(field, from), to);  // read before, so it fits
        return;
    }
    static_assert(sizeof(int) == sizeof(float), "every option is one 4-byte member");
    std::memcpy(memberBytes(field, to), memberBytes(field, from), sizeof(int));
}

std::string fieldText(const Field& field, const ProctexSettings& settings) {
    if (const TextOption* t = textOptionOf(field)) {
        std::string text(t->print(&settings, nullptr, 0) + 1, '\0');
        text.resize(t->print(&settings, text.data(), text.size()));
        return text;
    }
    return isNumber(field) ? shortest(floatOf(field, settings)) : shortest(intOf(field, settings));
}

double fieldNumber(const Field& field, const ProctexSettings& settings) {
    if (isText(field)) return intOf(field, settings);  // the count begins the pair
    return isNumber(field) ? floatOf(field, settings) : intOf(field, settings);
}

std::string fieldDisplayText(const Field& field, const ProctexSettings& settings) {
    if (isChoice(field)) {
        if (const ProctexChoice* c = choiceOf(field, intOf(field, settings))) return c->name;
    }
    return fieldText(field, settings);
}

bool isNumber(const Field& field) {
    return field.info.kind == PROCTEX_KIND_NUMBER;
}

bool isFlag(const Field& field) {
    return field.info.kind == PROCTEX_KIND_FLAG;
}

bool isChoice(const Field& field) {
    return field.info.kind == PROCTEX_KIND_CHOICE;
}

bool isText(const Field& field) {
    return textOptionOf(field) != nullptr;
}

const char* valueTypeName(const Field& field) {
    if (const TextOption* t = textOptionOf(field)) return t->typeName;
    return isFlag(field) ? "BOOL" : isChoice(field) ? "NAME" : isNumber(field) ? "NUMBER" : "INT";
}

std::string acceptedValues(const Field& field) {
    if (isFlag(field)) return "true or false (or 1 or 0)";
    if (const TextOption* t = textOptionOf(field)) {
        return std::string(t->fewest) + " " + shortest(static_cast<int>(field.info.limitMax)) +
               " " + t->entries + ", such as \"" + t->example + "\"";
    }
    if (isChoice(field)) {
        std::string names;
        for (const ProctexChoice& c : choicesOf(field)) {
            names += (names.empty() ? "" : ", ") + std::string(c.name) + " (" +
                     std::to_string(c.value) + ")";
        }
        return names;
    }
    const bool whole = field.info.kind == PROCTEX_KIND_INTEGER;
    auto text = [whole](double v) {
        return whole ? shortest(static_cast<long long>(v)) : shortest(static_cast<float>(v));
    };
    if (field.info.limitMin <= -FLT_MAX && field.info.limitMax >= FLT_MAX) {
        return "a finite number";
    }
    return (whole ? "a whole number from " : "a number from ") + text(field.info.limitMin) +
           " to " + text(field.info.limitMax);
}

std::string setFieldFromNumber(const Field& field, double value, ProctexSettings& settings) {
    const std::string range = "must be " + acceptedValues(field);
    if (isText(field)) return range;
    if (!std::isfinite(value) || value < field.info.limitMin || value > field.info.limitMax) {
        return range + " (got " + (std::isnan(value) ? std::string("nan") : shortest(value)) + ")";
    }
    if (isNumber(field)) {
        // -0 renders otherwise than 0 yet is written back as "0": a record
        // or manifest could not make the same files again.
        const float number = static_cast<float>(value);
        setFloat(field, number == 0.0f ? 0.0f : number, settings);
        return {};
    }
    if (value != std::floor(value)) return range + " (got " + shortest(value) + ")";
    const int code = static_cast<int>(value);  // finite, whole and within int limits
    if (isChoice(field) && choiceOf(field, code) == nullptr) {
        return choiceProblem(field, shortest(code));
    }
    setInt(field, code, settings);
    return {};
}

std::string setFieldFromText(const Field& field, std::string_view text, ProctexSettings& settings) {
    if (isFlag(field)) {
        if (text == "true" || text == "1") return setFieldFromNumber(field, 1, settings);
        if (text == "false" || text == "0") return setFieldFromNumber(field, 0, settings);
        return "must be " + acceptedValues(field) + " (got '" + std::string(text) + "')";
    }
    if (const TextOption* t = textOptionOf(field)) {
        char reason[PROCTEX_REASON_SIZE] = "";
        return t->parse(std::string(text).c_str(), &settings, reason, sizeof reason) == PROCTEX_OK
                   ? std::string()
                   : std::string(reason);
    }
    if (isChoice(field)) {
        int code = 0;
        if (proctex_choice_parse(proctex_option_find(field.name), std::string(text).c_str(),
                                 &code) != PROCTEX_OK) {
            return choiceProblem(field, text);
        }
        setInt(field, code, settings);
        return {};
    }
    const std::string s(text);
    char* end = nullptr;
    errno = 0;
    const double value = s.empty() ? 0.0 : std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size()) {
        return "must be " + acceptedValues(field) + " (got '" + s + "')";
    }
    return setFieldFromNumber(field, value, settings);
}

void applyStartingValues(const std::function<bool(std::string_view name)>& given,
                         ProctexSettings& settings) {
    for (const Field& field : fields()) {
        if (!isChoice(field) || !given(field.name)) continue;
        const ProctexChoice* c = choiceOf(field, intOf(field, settings));
        if (c == nullptr) continue;
        for (int k = 0; k < c->startCount; ++k) {
            const Field* start = findField(c->startOption[k]);
            if (start != nullptr && !given(start->name)) {
                setFieldFromNumber(*start, c->startValue[k], settings);
            }
        }
    }
}

std::vector<std::string> startOptions(const Field& field, const ProctexSettings& settings) {
    std::vector<std::string> options;
    if (!isChoice(field)) return options;
    if (const ProctexChoice* c = choiceOf(field, intOf(field, settings))) {
        for (int k = 0; k < c->startCount; ++k) options.emplace_back(c->startOption[k]);
    }
    return options;
}

std::string startingValuesHelp() {
    std::string text = "Starting values when a pattern or overlay is chosen without them:\n";
    for (const Field& field : fields()) {
        for (const ProctexChoice& c : choicesOf(field)) {
            if (c.startCount == 0) continue;
            text += "  --" + std::string(field.name) + " " + c.name + ":";
            for (int k = 0; k < c.startCount; ++k) {
                text += " --" + std::string(c.startOption[k]) + " " + shortest(c.startValue[k]);
            }
            text += "\n";
        }
    }
    return text;
}

std::string startingValuesJson() {
    nlohmann::ordered_json table = nlohmann::ordered_json::object();
    for (const Field& field : fields()) {
        for (const ProctexChoice& c : choicesOf(field)) {
            if (c.startCount == 0) continue;
            auto& entry = table[field.name][std::to_string(c.value)];
            for (int k = 0; k < c.startCount; ++k) {
                entry[c.startOption[k]] = nlohmann::ordered_json::parse(shortest(c.startValue[k]));
            }
        }
    }
    return table.dump();
}

std::optional<Refusal> settingsRefusal(const ProctexSettings& settings) {
    char reason[PROCTEX_REASON_SIZE] = "";
    int option = -1;
    if (proctex_settings_refusal(&settings, &option, reason, sizeof reason) == PROCTEX_OK) {
        return std::nullopt;
    }
    Refusal refusal;
    refusal.reason = reason;
    if (option >= 0 && static_cast<std::size_t>(option) < fields().size()) {
        refusal.field = &fields()[static_cast<std::size_t>(option)];
    }
    return refusal;
}

ProctexMapInfo mapInfo(int map) {
    ProctexMapInfo info{};
    info.size = sizeof info;
    proctex_map_info(map, &info);
    return info;
}

}  // namespace proctex::cli
