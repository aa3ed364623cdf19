// Fitting periodic features to the image for materials that tile: a whole
// number of periods across the width and the height, so the last period ends
// where the first begins on the opposite edge.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/fmath.h"
#include "core/numeric.h"

namespace proctex {

// How many periods of about `period` pixels fit across `extent` pixels: the
// nearest whole number to extent / |period|, at least `least` (also for a NaN
// or infinite quotient) and at most extent (a period of at least one pixel,
// which bounds the work of the layouts that visit every period).
inline int32_t wholePeriods(int32_t extent, float period, int32_t least = 1) {
    const float count = fround(static_cast<float>(extent) / std::fabs(period));
    if (!(count >= static_cast<float>(least))) return least;
    if (count >= static_cast<float>(extent)) return extent > least ? extent : least;
    return truncToInt32(count);
}

// The nearest even count, at least 2: for layouts whose alternate periods
// differ (the odd courses of a bond, the two colours of a checker), which
// only continue across the edge when the last period is an odd one.
inline int32_t evenPeriods(int32_t extent, float period) {
    return 2 * wholePeriods(extent, period * 2.0f);
}

// Radians per pixel of a sine of about `period` pixels (2 pi, or pi for a
// |sine|: `turn`) fitted to a whole number of periods across `extent`,
// signed like `period` so that a negative period still mirrors the wave.
inline float fittedPhaseStep(int32_t extent, float period, float turn, int32_t least = 1) {
    const float step =
        static_cast<float>(wholePeriods(extent, period, least)) * turn / static_cast<float>(extent);
    return period < 0.0f ? -step : step;
}

inline constexpr float kTurn = 6.28318531f;      // 2 pi: the period of a sine
inline constexpr float kHalfTurn = 3.14159265f;  // pi: the period of |sine|

// x modulo extent in 0..extent - 1, for coordinates that wrap.
inline int32_t wrapIndex(int64_t x, int32_t extent) {
    const int64_t r = x % extent;
    return static_cast<int32_t>(r < 0 ? r + extent : r);
}

}  // namespace proctex
