// Shared pieces of the structure patterns (stones, tiles, bricks, boards):
// periods fitted to the image when the material tiles, a hash that gives
// each piece its random values from the seed (no engine draws, so one
// piece's values never shift another's), and the loops that turn a
// pixel-to-piece function into a relief and into pieces with joints.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "core/field.h"
#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/pieces.h"
#include "core/tiling.h"
#include "patterns/pattern_input.h"

namespace proctex {

// One axis of a layout: periods of `step` pixels. Tiling: `count` periods
// fitted across the image, indices taken modulo count so the last period is
// the first one's neighbour; otherwise count 0, the size as given, and
// indices that run on past the edges.
struct LayoutAxis {
    float step = 1.0f;
    int32_t count = 0;

    int32_t wrap(int64_t i) const {
        return count > 0 ? wrapIndex(i, count) : static_cast<int32_t>(i);
    }
    int64_t indexOf(float position) const {
        return static_cast<int64_t>(truncToInt32(ffloor(position / step)));
    }
};

// `even` for layouts whose alternate periods differ (staggered rows, the
// two orientations of a plate), which continue across the edge only in even
// counts.
inline LayoutAxis layoutAxis(int32_t extent, float size, bool tiled, bool even = false) {
    const float period = std::fabs(size);
    if (!tiled) return {period, 0};
    const int32_t count = even ? evenPeriods(extent, period) : wholePeriods(extent, period);
    return {static_cast<float>(extent) / static_cast<float>(count), count};
}

// A well-mixed 32-bit value of a piece's two indices, the seed and a salt
// that tells the values of one piece apart.
inline uint32_t layoutHash(int32_t a, int32_t b, int32_t seed, uint32_t salt) {
    uint32_t h = static_cast<uint32_t>(a) * 0x9E3779B1u;
    h ^= (static_cast<uint32_t>(b) + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= (static_cast<uint32_t>(seed) + salt * 0x632BE59Bu) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

// The hash as a float in [0, 1).
inline float layoutUnit(int32_t a, int32_t b, int32_t seed, uint32_t salt) {
    return static_cast<float>(layoutHash(a, b, seed, salt) >> 8) * (1.0f / 16777216.0f);
}

// The piece of column a, row b: the same at every size of a tiling material.
inline uint32_t pieceIdOf(int32_t a, int32_t b) {
    return static_cast<uint32_t>(b) * 65536u + static_cast<uint32_t>(a);
}

// The main size of a layout in pixels: a negative patternParam draws the
// layout of its magnitude.
inline float layoutSize(const PatternInput& input) {
    return std::fabs(input.param);
}

// The base relief at pixel i, mid grey for kinds given none.
inline float baseAt(const FloatField& base, std::size_t i) {
    return base.empty() ? 0.5f : base[i];
}

// Where a pixel falls in a layout.
struct PieceHit {
    uint32_t id = 0;
    float edge = 0.0f;  // pixels to the piece's outline (0 on it)
    // Pixels along and across the piece from its centre, the long way first
    // (for grain and tilt).
    float along = 0.0f;
    float across = 0.0f;
};

// 0 below a, 1 above b, a smooth step between.
inline float smoothStep(float a, float b, float v) {
    const float t = clamp((v - a) / (b - a), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// heightAt(x, y, i) for every pixel, x and y at the pixel's centre and i
// its index in the field.
template <typename HeightAt>
FloatField fieldOf(int width, int height, HeightAt heightAt) {
    FloatField field(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            field[i] = heightAt(static_cast<float>(x) + 0.5f, py, i);
        }
    }
    return field;
}

// Each pixel's piece, and joints where it lies within jointHalf pixels of
// the piece's outline.
template <typename Locate>
PieceField piecesOf(int width, int height, float jointHalf, Locate locate) {
    PieceField pieces;
    pieces.id.resize(fieldSize(width, height));
    pieces.joint.resize(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        const float py = static_cast<float>(y) + 0.5f;
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const PieceHit hit = locate(static_cast<float>(x) + 0.5f, py);
            pieces.id[i] = hit.id;
            pieces.joint[i] = hit.edge < jointHalf ? 1 : 0;
        }
    }
    return pieces;
}

}  // namespace proctex
