#include "patterns/wood_grain.h"

#include <algorithm>
#include <cmath>

#include "core/fmath.h"
#include "core/numeric.h"
#include "patterns/piece_layout.h"

namespace proctex {

namespace {

// Salts of a board's random values.
enum GrainSalt : uint32_t {
    kLogSide = 20,
    kLogDistance,
    kLogAlong,
    kRingSpacing,
    kStretch,
    kKnotChance,
    kKnotAlong,
    kKnotAcross,
    kKnotSize,
    kPores,
};

constexpr float kKnotShare = 0.4f;    // the boards with a knot
constexpr float kPoreLength = 14.0f;  // units along the board a pore runs
constexpr float kPoreWidth = 1.2f;    // units across

float fraction(float v) {
    return v - ffloor(v);
}

}  // namespace

float woodGrain(const BoardPoint& point, float width, float unit, int32_t seed, float wobble) {
    const int32_t key = static_cast<int32_t>(point.board);
    auto value = [&](uint32_t salt) { return layoutUnit(key, 0, seed, salt); };
    // The log's centre lies beside the board, so the rings arch along it.
    const float side = value(kLogSide) < 0.5f ? -1.0f : 1.0f;
    const float logAcross = side * width * (0.3f + 1.2f * value(kLogDistance));
    const float logAlong = width * 6.0f * (value(kLogAlong) - 0.5f);
    const float stretch = 0.08f + 0.12f * value(kStretch);
    const float spacing = width * (0.12f + 0.1f * value(kRingSpacing));
    const float dy = point.across - logAcross;
    const float dx = (point.along - logAlong) * stretch;
    float radius = fsqrt(dx * dx + dy * dy) + (wobble - 0.5f) * width * 0.08f;

    float knot = 0.0f;
    if (value(kKnotChance) < kKnotShare) {
        const float kx = point.along - width * 4.0f * (value(kKnotAlong) - 0.5f);
        const float ky = point.across - width * 0.6f * (value(kKnotAcross) - 0.5f);
        const float size = width * (0.07f + 0.08f * value(kKnotSize));
        const float d2 = (kx * kx + ky * ky) / (size * size);
        // The rings swell around the knot, its core is dark and hard.
        radius = radius + size * 3.0f / (1.0f + d2);
        knot = std::max(0.0f, 1.0f - d2);
    }
    const float ring = fraction(radius / spacing);
    const float latewood = smoothStep(0.7f, 0.97f, ring) * (1.0f - smoothStep(0.97f, 1.0f, ring));

    // Pores: short dark streaks in lines along the board.
    const int32_t line = truncToInt32(ffloor(point.across / (kPoreWidth * unit)));
    const int32_t run = truncToInt32(
        ffloor(point.along / (kPoreLength * unit) + layoutUnit(key, line, seed, kPores)));
    const float pore =
        std::max(0.0f, layoutUnit(line, run, wrappingAdd(seed, key), kPores + 1) - 0.75f) * 4.0f;

    return 0.05f - ring * 0.05f - latewood * 0.16f - pore * 0.05f - knot * knot * 0.2f;
}

}  // namespace proctex
