// Bricks in a running bond, boards of random lengths and herringbone
// parquet: rectangular pieces in courses, with their joints.
#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "patterns/piece_layout.h"
#include "patterns/structure_patterns.h"
#include "patterns/wood_grain.h"

namespace proctex {

namespace {

enum CourseSalt : uint32_t { kEnd = 30, kCourseShift, kLift, kBondPhase };

// Courses of pieces. A piece's ends stray from the nominal grid by up to
// `endJitter` of a length each way (less than half, so ends keep their
// order); each course is shifted by its own share of a length.
struct Courses {
    LayoutAxis rows;
    LayoutAxis lengths;
    float endJitter = 0.0f;
    int32_t seed = 0;
    bool runningBond = false;  // courses alternate by half a length, give or take

    float shift(int32_t row) const {
        const float own = layoutUnit(row, 0, seed, kCourseShift);
        if (!runningBond) return own;
        const float phase = layoutUnit(0, 0, seed, kBondPhase);
        return phase + ((row & 1) != 0 ? 0.5f : 0.0f) + (own - 0.5f) * 0.16f;
    }
    float end(int64_t k, int32_t row, float offset) const {
        const float stray =
            (layoutUnit(lengths.wrap(k), row, seed, kEnd) - 0.5f) * 2.0f * endJitter;
        return offset + (static_cast<float>(k) + stray) * lengths.step;
    }
};

PieceHit locateInCourse(const Courses& c, float px, float py) {
    const int64_t j = c.rows.indexOf(py);
    const int32_t row = c.rows.wrap(j);
    const float offset = c.shift(row) * c.lengths.step;
    int64_t k = c.lengths.indexOf(px - offset);
    if (px < c.end(k, row, offset)) {
        --k;
    } else if (px >= c.end(k + 1, row, offset)) {
        ++k;
    }
    const float left = c.end(k, row, offset), right = c.end(k + 1, row, offset);
    const float top = static_cast<float>(j) * c.rows.step, bottom = top + c.rows.step;
    const float edge = std::min(std::min(px - left, right - px), std::min(py - top, bottom - py));
    return {pieceIdOf(c.lengths.wrap(k), row), std::max(edge, 0.0f), px - (left + right) * 0.5f,
            py - (top + bottom) * 0.5f};
}

// A face over a sunken joint: `joint` half its width, `bevel` its rounded edge.
float faceOverJoint(float face, float jointLevel, float edge, float joint, float bevel) {
    const float s = smoothStep(joint, joint + bevel, edge);
    return clamp(jointLevel + (face - jointLevel) * s, 0.0f, 1.0f);
}

float pieceLift(uint32_t id, int32_t seed) {
    return layoutUnit(static_cast<int32_t>(id), 0, seed, kLift) - 0.5f;
}

// --- Bricks ----------------------------------------------------------------------

constexpr float kBrickCourse = 1.0f / 3.0f;  // a course's height, of a brick's length
constexpr float kBrickEnds = 0.1f;           // the strays of a brick's ends
constexpr float kBrickJoint = 0.025f;        // half the mortar joint, of a length
constexpr float kBrickBevel = 0.03f;

Courses brickCourses(const PatternInput& in) {
    const float length = layoutSize(in);
    return {layoutAxis(in.height, length * kBrickCourse, in.tiled, true),
            layoutAxis(in.width, length, in.tiled), kBrickEnds, in.seed, true};
}

// --- Boards ----------------------------------------------------------------------

constexpr float kBoardLength = 6.0f;  // a board's mean length, of its width
constexpr float kBoardEnds = 0.35f;   // lengths from 1.8 to 10 widths
constexpr float kBoardJoint = 0.02f;  // half the gap, of a width
constexpr float kBoardBevel = 0.04f;

Courses boardCourses(const PatternInput& in) {
    const float width = layoutSize(in);
    return {layoutAxis(in.height, width, in.tiled),
            layoutAxis(in.width, width * kBoardLength, in.tiled), kBoardEnds, in.seed, false};
}

float boardHeight(const PieceHit& hit, float width, const PatternInput& in, float base) {
    const float grain = woodGrain({hit.id, hit.along, hit.across}, width, in.unit, in.seed, base);
    const float face = 0.62f + pieceLift(hit.id, in.seed) * 0.05f + grain;
    return faceOverJoint(face, 0.12f, hit.edge, kBoardJoint * width, kBoardBevel * width);
}

// --- Herringbone -----------------------------------------------------------------
//
// Boards kHerringbone board widths long, laid along and across in turn. On a
// grid of squares one board wide, board t of staircase s covers, along the
// grid's rows, squares (t + sk .. t + sk + k - 1, t - sk) and, across them,
// squares (t + sk, t - sk + 1 .. t - sk + k): the staircases climb the
// diagonal and sit k squares apart. Turned by 45 degrees, as parquet is laid,
// the zigzag runs down the image and the layout repeats every k diagonals of
// a square across and every diagonal down, so whole repeats fit a tile.

constexpr int32_t kHerringbone = 4;  // a board's length, in its widths
constexpr float kParquetJoint = 0.04f;
constexpr float kParquetBevel = 0.06f;
constexpr float kSquareDiagonal = 1.41421356f;

struct Herringbone {
    float width = 1.0f;  // a board's width in pixels
    // Pixels per square diagonal across and down, fitted to whole repeats
    // when tiling; and the square diagonals across (a multiple of k) and
    // down the image, 0 when not tiling.
    float stepX = 1.0f;
    float stepY = 1.0f;
    int32_t across = 0;
    int32_t down = 0;
};

Herringbone herringbone(const PatternInput& in) {
    const float width = layoutSize(in);
    const float diagonal = width * kSquareDiagonal;
    const LayoutAxis x =
        layoutAxis(in.width, diagonal * static_cast<float>(kHerringbone), in.tiled);
    const LayoutAxis y = layoutAxis(in.height, diagonal, in.tiled);
    return {width, x.step / static_cast<float>(kHerringbone), y.step, x.count * kHerringbone,
            y.count};
}

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

PieceHit locateHerringbone(const Herringbone& h, float px, float py) {
    const int64_t k = kHerringbone;
    // Squares along the diagonals: p down and right, q down and left.
    const float sx = px / h.stepX, sy = py / h.stepY;
    const float p = sx + sy, q = sy - sx;
    const int64_t cp = static_cast<int64_t>(truncToInt32(ffloor(p)));
    const int64_t cq = static_cast<int64_t>(truncToInt32(ffloor(q)));
    const int64_t s = floorDiv(cp - cq + k, 2 * k);
    const bool alongP = cp - cq - 2 * s * k >= 0;
    // The board's first square and its extent in squares.
    const int64_t p0 = alongP ? cq + 2 * s * k : cp;
    const int64_t q0 = alongP ? cq : cp - 2 * s * k + 1;
    const float lengthP = static_cast<float>(alongP ? k : 1);
    const float lengthQ = static_cast<float>(alongP ? 1 : k);
    const float u = p - static_cast<float>(p0), v = q - static_cast<float>(q0);
    const float edge = std::min(std::min(u, lengthP - u), std::min(v, lengthQ - v)) * h.width;
    const float along = (alongP ? u - lengthP * 0.5f : v - lengthQ * 0.5f) * h.width;
    const float across = (alongP ? v - lengthQ * 0.5f : u - lengthP * 0.5f) * h.width;
    // A board's first square, modulo the repeats of a tiling image: one image
    // across moves (p, q) by (across, -across), one down by (down, down).
    int64_t sum = p0 + q0, difference = p0 - q0;
    if (h.across > 0) {
        sum = wrapIndex(sum, 2 * h.down);
        difference = wrapIndex(difference, 2 * h.across);
    }
    const uint32_t id = pieceIdOf(static_cast<int32_t>(difference), static_cast<int32_t>(sum));
    return {id, std::max(edge, 0.0f), along, across};
}

}  // namespace

FloatField generateBondBrickPattern(const PatternInput& in) {
    const Courses courses = brickCourses(in);
    const float length = layoutSize(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const PieceHit hit = locateInCourse(courses, px, py);
        const float base = baseAt(in.base, i);
        const float face = 0.7f + pieceLift(hit.id, in.seed) * 0.08f + (base - 0.5f) * 0.2f;
        const float mortar = 0.25f + base * 0.1f;
        return faceOverJoint(face, mortar, hit.edge, kBrickJoint * length, kBrickBevel * length);
    });
}

PieceField bondBrickPieces(const PatternInput& in) {
    const Courses courses = brickCourses(in);
    return piecesOf(in.width, in.height, kBrickJoint * layoutSize(in),
                    [&](float px, float py) { return locateInCourse(courses, px, py); });
}

FloatField generateBoardPattern(const PatternInput& in) {
    const Courses courses = boardCourses(in);
    const float width = layoutSize(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        return boardHeight(locateInCourse(courses, px, py), width, in, baseAt(in.base, i));
    });
}

PieceField boardPieces(const PatternInput& in) {
    const Courses courses = boardCourses(in);
    return piecesOf(in.width, in.height, kBoardJoint * layoutSize(in),
                    [&](float px, float py) { return locateInCourse(courses, px, py); });
}

FloatField generateHerringbonePattern(const PatternInput& in) {
    const Herringbone layout = herringbone(in);
    const float width = layoutSize(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const PieceHit hit = locateHerringbone(layout, px, py);
        const float base = baseAt(in.base, i);
        const float grain =
            woodGrain({hit.id, hit.along, hit.across}, width, in.unit, in.seed, base);
        const float face = 0.62f + pieceLift(hit.id, in.seed) * 0.06f + grain;
        return faceOverJoint(face, 0.12f, hit.edge, kParquetJoint * width, kParquetBevel * width);
    });
}

PieceField herringbonePieces(const PatternInput& in) {
    const Herringbone layout = herringbone(in);
    return piecesOf(in.width, in.height, kParquetJoint * layoutSize(in),
                    [&](float px, float py) { return locateHerringbone(layout, px, py); });
}

}  // namespace proctex
