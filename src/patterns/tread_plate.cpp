// Tread plate: lozenges in a basket weave turned by 45 degrees. On a square
// lattice of pitch Q every point holds a lozenge, along the lattice's rows
// where the indices' sum is even and along its columns where it is odd, so a
// lozenge's tips point at the flanks of its four neighbours. Turned, the
// lattice repeats every Q sqrt(2) across and down the image with two
// lozenges in each square, at its corners and its middle: whole squares fit
// a tile.
#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "patterns/piece_layout.h"
#include "patterns/surface_patterns.h"

namespace proctex {

namespace {

constexpr float kLozengeLength = 0.72f;  // half a lozenge's length, of the pitch
constexpr float kLozengeWidth = 0.19f;   // half its width at the middle, of the pitch
constexpr float kLozengeEnds = 0.55f;    // the rounding of its ends, of its half width
constexpr float kLozengeRise = 0.45f;
constexpr float kHalfDiagonal = 0.70710678f;
constexpr float kSquareOfPitch = 1.41421356f;

// The signed distance from (a, b) to a rhombus with half diagonals
// (length, width): the nearest point of its edge in the first quadrant,
// negative inside.
float rhombusDistance(float a, float b, float length, float width) {
    const float pa = std::fabs(a), pb = std::fabs(b);
    const float ea = -length, eb = width;  // the edge from (length, 0) to (0, width)
    const float t = clamp(((pa - length) * ea + pb * eb) / (ea * ea + eb * eb), 0.0f, 1.0f);
    const float da = pa - (length + t * ea), db = pb - t * eb;
    const float d = fsqrt(da * da + db * db);
    return pa * width + pb * length < length * width ? -d : d;
}

struct PlateGrid {
    LayoutAxis x;  // squares of Q sqrt(2), fitted to the image when tiling
    LayoutAxis y;
    float pitch = 1.0f;
};

// How high the lozenge at lattice point (a, b) stands over a pixel, 0 off it.
float lozengeRise(const PlateGrid& g, int64_t a, int64_t b, float px, float py) {
    // Lattice point (a, b) lies at ((a - b) / 2, (a + b) / 2) squares.
    const float u = px - static_cast<float>(a - b) * 0.5f * g.x.step;
    const float v = py - static_cast<float>(a + b) * 0.5f * g.y.step;
    const float turn = ((a + b) & 1) != 0 ? -1.0f : 1.0f;
    const float along = (u + turn * v) * kHalfDiagonal;
    const float across = (v - turn * u) * kHalfDiagonal;
    const float width = kLozengeWidth * g.pitch;
    const float rounding = kLozengeEnds * width;
    // A thinner, shorter rhombus grown by the rounding: ends and sides round.
    const float inside =
        rounding -
        rhombusDistance(along, across, kLozengeLength * g.pitch - rounding, width - rounding);
    if (inside <= 0.0f) return 0.0f;
    const float s = std::min(inside / rounding, 1.0f);
    return fsqrt(s * (2.0f - s)) * (0.85f + 0.15f * std::min(inside / width, 1.0f));
}

// The lozenges that can reach a pixel are those of the lattice points
// around its nearest one.
float plateRise(const PlateGrid& g, float px, float py) {
    const float sx = px / g.x.step, sy = py / g.y.step;
    const int64_t a0 = truncToInt32(ffloor(sx + sy + 0.5f));
    const int64_t b0 = truncToInt32(ffloor(sy - sx + 0.5f));
    float rise = 0.0f;
    for (int64_t b = b0 - 1; b <= b0 + 1; ++b) {
        for (int64_t a = a0 - 1; a <= a0 + 1; ++a) {
            rise = std::max(rise, lozengeRise(g, a, b, px, py));
        }
    }
    return rise;
}

}  // namespace

FloatField generateDiamondPlatePattern(const PatternInput& in) {
    const float pitch = layoutSize(in);
    const float square = pitch * kSquareOfPitch;
    const PlateGrid grid{layoutAxis(in.width, square, in.tiled),
                         layoutAxis(in.height, square, in.tiled), pitch};
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const float plate = 0.3f + (baseAt(in.base, i) - 0.5f) * 0.05f;
        return clamp(plate + kLozengeRise * plateRise(grid, px, py), 0.0f, 1.0f);
    });
}

}  // namespace proctex
