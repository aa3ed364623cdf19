// The value types every stage reads and writes.
#pragma once

#include <cstddef>
#include <vector>

namespace proctex {

// One float per pixel, row-major: pixel (x, y) at index y * width + x, row 0 at
// the top. The dimensions travel beside the field as separate arguments.
using FloatField = std::vector<float>;

struct Color3 {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

// Laid out like a FloatField.
using ColorField = std::vector<Color3>;

// Element count of a width x height field. Callers have checked that the
// product fits (see the argument checks of the pipeline), so it is never negative.
inline std::size_t fieldSize(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

}  // namespace proctex
