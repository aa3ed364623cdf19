// Good starting values for a pattern or overlay chosen without its parameters.
// The library takes 0 for a missing parameter, which it refuses for most
// types or which draws nothing; the tool fills in a visible value instead.
#pragma once

#include <proctex.h>

#include <span>
#include <string>

namespace proctex::cli {

struct PatternStart {
    int type;
    const char* name;
    float param;
};

struct OverlayStart {
    int type;
    const char* name;
    float param;
    float strength;
};

std::span<const PatternStart> patternStarts();
std::span<const OverlayStart> overlayStarts();

// Which of the pattern and overlay settings a request gave explicitly.
struct ChosenSettings {
    bool pattern = false;
    bool patternParam = false;
    bool overlay = false;
    bool overlayParam = false;
    bool overlayStrength = false;
};

// A pattern or overlay chosen without its parameter (or strength) takes the
// starting value of its type; explicit values, 0 included, stay as given.
void applyStartingValues(const ChosenSettings& chosen, ProctexSettings& settings);

// The table as one JSON object, {"pattern": {"6": {"pattern-param": 16}},
// "overlay": {...}}, for other front ends to compare their copies against.
std::string startingValuesJson();

// The table as lines for --help: "pattern 6 (cells): --pattern-param 16".
std::string startingValuesHelp();

}  // namespace proctex::cli
