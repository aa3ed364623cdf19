// Colour ramps that turn a height field into the diffuse colours.
#pragma once

#include <cstddef>

#include "core/field.h"

namespace proctex {

// Material types 2..7 have a three-stop ramp (low at 0, mid at 0.5, high at 1);
// every other value is black to white.
ColorField colorize(const FloatField& height, int materialType);
// colorize over `count` heights into `colors`, so a field can be coloured a
// block at a time.
void colorizeInto(const float* heights, std::size_t count, int materialType, Color3* colors);

// One stop of a colour ramp of the caller's: a colour at a height.
struct ColorStop {
    Color3 color;
    float position = 0.0f;
};

// Colours `count` heights through 1..8 stops ordered by position: the first
// stop's colour up to its position, then lerpColor between neighbouring
// stops, the last stop's colour beyond it. NaN takes the first colour.
void colorStopRampInto(const float* heights, std::size_t count, const ColorStop* stops,
                       int stopCount, Color3* colors);

// Per channel a + (b - a) * t, with t clamped to 0..1 first.
Color3 lerpColor(Color3 a, Color3 b, float t);

}  // namespace proctex
