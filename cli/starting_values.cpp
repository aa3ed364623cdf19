#include "starting_values.h"

#include <charconv>
#include <nlohmann/json.hpp>

namespace proctex::cli {

namespace {

// Values that read clearly at the default 512 x 512 and at 1024 x 1024. The
// two tone curves only remap the relief, so theirs lie far from the identity:
// a gamma of 0.5 leaves bright islands in dark ground, an exponent of 0.5
// darkens all but the middle level.
constexpr PatternStart kPatternStarts[] = {
    {PROCTEX_PATTERN_RINGS, "rings", 16.0f},
    {PROCTEX_PATTERN_GROOVES, "grooves", 8.0f},
    {PROCTEX_PATTERN_TONE_CURVE, "tone curve", 0.5f},
    {PROCTEX_PATTERN_DAMPED_EXTREMES, "damped extremes", 0.5f},
    {PROCTEX_PATTERN_CELLS, "cells", 16.0f},
    {PROCTEX_PATTERN_BRUSHED, "brushed", 200.0f},
    {PROCTEX_PATTERN_DISCS, "discs", 24.0f},
    {PROCTEX_PATTERN_CHECKER, "checker", 32.0f},
    {PROCTEX_PATTERN_KNOTS, "knots", 10.0f},
    {PROCTEX_PATTERN_DIAMONDS, "diamonds", 32.0f},
    {PROCTEX_PATTERN_EGG_CRATE, "egg crate", 10.0f},
};

// Strength 0 hides veins and scratches and is refused for bricks; planks
// take 1 for their wood grain.
constexpr OverlayStart kOverlayStarts[] = {
    {PROCTEX_OVERLAY_VEINS, "veins", 16.0f, 0.6f},
    {PROCTEX_OVERLAY_BRICKS, "bricks", 96.0f, 40.0f},
    {PROCTEX_OVERLAY_PLANKS, "planks", 256.0f, 1.0f},
    {PROCTEX_OVERLAY_SCRATCHES, "scratches", 60.0f, 0.6f},
};

// The shortest text that reads back as the same float ("0.6", not 0.6000000238).
std::string numberText(float v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

nlohmann::json numberJson(float v) {
    return nlohmann::json::parse(numberText(v));
}

}  // namespace

std::span<const PatternStart> patternStarts() {
    return kPatternStarts;
}

std::span<const OverlayStart> overlayStarts() {
    return kOverlayStarts;
}

void applyStartingValues(const ChosenSettings& chosen, ProctexSettings& settings) {
    if (chosen.pattern && !chosen.patternParam) {
        for (const PatternStart& p : kPatternStarts) {
            if (p.type == settings.patternType) settings.patternParam = p.param;
        }
    }
    if (chosen.overlay) {
        for (const OverlayStart& o : kOverlayStarts) {
            if (o.type != settings.overlayType) continue;
            if (!chosen.overlayParam) settings.overlayParam = o.param;
            if (!chosen.overlayStrength) settings.overlayStrength = o.strength;
        }
    }
}

std::string startingValuesJson() {
    nlohmann::json table;
    for (const PatternStart& p : kPatternStarts) {
        table["pattern"][std::to_string(p.type)] = {{"pattern-param", numberJson(p.param)}};
    }
    for (const OverlayStart& o : kOverlayStarts) {
        table["overlay"][std::to_string(o.type)] = {{"overlay-param", numberJson(o.param)},
                                                    {"overlay-strength", numberJson(o.strength)}};
    }
    return table.dump();
}

std::string startingValuesHelp() {
    std::string text = "Starting values when a pattern or overlay is chosen without them:\n";
    for (const PatternStart& p : kPatternStarts) {
        text += "  --pattern " + std::to_string(p.type) + " (" + p.name + "): --pattern-param " +
                numberText(p.param) + "\n";
    }
    for (const OverlayStart& o : kOverlayStarts) {
        text += "  --overlay " + std::to_string(o.type) + " (" + o.name + "): --overlay-param " +
                numberText(o.param) + " --overlay-strength " + numberText(o.strength) + "\n";
    }
    return text;
}

}  // namespace proctex::cli
