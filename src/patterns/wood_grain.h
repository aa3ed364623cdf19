// The grain of one board: growth rings from a log centre of the board's own,
// cut lengthwise so they stretch along the board, fine pores along it and
// now and then a knot the rings bend around.
#pragma once

#include <cstdint>

namespace proctex {

struct BoardPoint {
    uint32_t board;  // the board, whose hash places its log and knot
    float along;     // pixels along the board from its centre
    float across;    // pixels across it from its centre
};

// The grain's relief at a point, about -0.2..0.05 (latewood, pores and knots
// lie low), for boards `width` pixels wide; `unit` pixels per unit size the
// pores, `wobble` (the base relief, 0..1) bends the rings.
float woodGrain(const BoardPoint& point, float width, float unit, int32_t seed, float wobble);

}  // namespace proctex
