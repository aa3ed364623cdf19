// The one description of every setting and every map: names, members,
// kinds, ranges, help and named choices. The exported table functions, the
// settings check's structured refusals and every front end read it.
#pragma once

#include <proctex.h>

#include <cstddef>
#include <span>
#include <string_view>

namespace proctex {

struct OptionSpec {
    const char* name;    // the command line's long name
    const char* member;  // the ProctexSettings member
    int kind;            // PROCTEX_KIND_...
    std::size_t offset;  // of the member in ProctexSettings
    double usefulMin;
    double usefulMax;
    double step;
    double limitMin;
    double limitMax;
    const char* group;
    const char* help;
    std::span<const ProctexChoice> choices;
    double workMax;  // the cap of renders on request; 0: none below limitMax
    // The option (by name) and value without which this one changes nothing;
    // null when it always counts.
    const char* usedWith = nullptr;
    int usedWithValue = 0;
};

struct MapSpec {
    int map;
    const char* name;
    const char* suffix;
    int channels;
    int bitDepth;
    int srgb;
    int legacy;
    const char* help;
};

std::span<const OptionSpec> optionTable();
std::span<const MapSpec> mapTable();

// The option a name ("pattern-param", "pattern_param") or member
// ("patternParam") stands for; -1 when none.
int findOption(std::string_view name);

// The value of an option's member in `settings`, as a double.
double optionValue(const OptionSpec& option, const ProctexSettings& settings);

// Names as every table compares them: any case, '-' and '_' alike.
bool sameName(std::string_view a, std::string_view b);

// The code a choice's name (any case, '-' or '_') or number stands for.
const ProctexChoice* findChoice(const OptionSpec& option, std::string_view text);

// The option a settings reason is about: reasons start with the member
// they refuse ("patternParam must be ..."). -1 when it names none.
int optionNamedBy(std::string_view reason);

}  // namespace proctex
