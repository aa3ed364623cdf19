// Cobbles, hexagonal and square tiles: pieces around points of a lattice.
// Every pixel belongs to its nearest point; its distance to the cell's
// outline (the nearest bisector with a neighbour) shapes the relief, so a
// stone is a smooth dome from its mortar line up, whatever its outline.
#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "patterns/piece_layout.h"
#include "patterns/structure_patterns.h"

namespace proctex {

namespace {

// Points one per cell of a lattice, odd rows shifted half a cell when
// staggered (hexagons), each strayed from its cell's centre by up to
// `jitter` of a cell both ways (cobbles).
struct Lattice {
    LayoutAxis x;
    LayoutAxis y;
    float jitter = 0.0f;
    bool staggered = false;
    int32_t seed = 0;

    void centre(int64_t i, int64_t j, float& cx, float& cy) const {
        float u = static_cast<float>(i) + 0.5f;
        float v = static_cast<float>(j) + 0.5f;
        if (staggered && (j & 1) != 0) u = u + 0.5f;
        if (jitter > 0.0f) {
            const int32_t wi = x.wrap(i), wj = y.wrap(j);
            u = u + (layoutUnit(wi, wj, seed, 1) - 0.5f) * 2.0f * jitter;
            v = v + (layoutUnit(wi, wj, seed, 2) - 0.5f) * 2.0f * jitter;
        }
        cx = u * x.step;
        cy = v * y.step;
    }
};

struct CellHit {
    PieceHit piece;
    float roundEdge;  // the distance to the outline with its corners rounded
};

// The smaller of a and b, blended over k where they are close: the corners
// of a cell's outline become rounded, so a dome has no crease where the
// nearest side changes.
float smoothMin(float a, float b, float k) {
    const float h = std::max(k - std::fabs(a - b), 0.0f) / k;
    return std::min(a, b) - h * h * k * 0.25f;
}

// The nearest point among the 3 x 3 cells around the pixel (the points stray
// too little for a farther one to be nearer), then the distance to the
// bisector with each point around that one.
CellHit locateCell(const Lattice& lattice, float px, float py, float rounding) {
    const int64_t i0 = lattice.x.indexOf(px), j0 = lattice.y.indexOf(py);
    int64_t bi = i0, bj = j0;
    float ax = 0.0f, ay = 0.0f, best = INFINITY;
    for (int64_t j = j0 - 1; j <= j0 + 1; ++j) {
        for (int64_t i = i0 - 1; i <= i0 + 1; ++i) {
            float cx, cy;
            lattice.centre(i, j, cx, cy);
            const float d = (cx - px) * (cx - px) + (cy - py) * (cy - py);
            if (d < best) best = d, bi = i, bj = j, ax = cx, ay = cy;
        }
    }
    float edge = INFINITY, round = INFINITY;
    for (int64_t j = bj - 1; j <= bj + 1; ++j) {
        for (int64_t i = bi - 1; i <= bi + 1; ++i) {
            if (i == bi && j == bj) continue;
            float bx, by;
            lattice.centre(i, j, bx, by);
            const float nx = bx - ax, ny = by - ay;
            const float length = fsqrt(nx * nx + ny * ny);
            if (!(length > 0.0f)) continue;
            const float mx = (ax + bx) * 0.5f - px, my = (ay + by) * 0.5f - py;
            const float d = (mx * nx + my * ny) / length;
            edge = std::min(edge, d);
            round = smoothMin(round, d, rounding);
        }
    }
    const uint32_t id = pieceIdOf(lattice.x.wrap(bi), lattice.y.wrap(bj));
    return {{id, std::max(edge, 0.0f), px - ax, py - ay}, std::max(round, 0.0f)};
}

// --- Cobbles ---------------------------------------------------------------------

constexpr float kCobbleJitter = 0.3f;    // of a stone's cell, each way
constexpr float kCobbleJoint = 0.05f;    // half the mortar line, of a stone's size
constexpr float kCobbleShoulder = 0.3f;  // the rounding of a stone's flank
constexpr float kCobbleCorners = 0.15f;  // the rounding of its outline's corners

Lattice cobbleLattice(const PatternInput& in) {
    const float size = layoutSize(in);
    return {layoutAxis(in.width, size, in.tiled), layoutAxis(in.height, size, in.tiled),
            kCobbleJitter, false, in.seed};
}

// --- Tiles -----------------------------------------------------------------------

constexpr float kTileJoint = 0.035f;           // half the grout line, of a tile's size
constexpr float kTileBevel = 0.05f;            // the rounded edge of a tile's face
constexpr float kRowsPerHexagon = 0.8660254f;  // sqrt(3) / 2: rows of hexagons

Lattice hexagonLattice(const PatternInput& in) {
    const float size = layoutSize(in);
    return {layoutAxis(in.width, size, in.tiled),
            layoutAxis(in.height, size * kRowsPerHexagon, in.tiled, true), 0.0f, true, in.seed};
}

struct SquareGrid {
    LayoutAxis x;
    LayoutAxis y;
};

SquareGrid squareGrid(const PatternInput& in) {
    const float size = layoutSize(in);
    return {layoutAxis(in.width, size, in.tiled), layoutAxis(in.height, size, in.tiled)};
}

PieceHit locateSquare(const SquareGrid& grid, float px, float py) {
    const int64_t i = grid.x.indexOf(px), j = grid.y.indexOf(py);
    const float u = px - (static_cast<float>(i) + 0.5f) * grid.x.step;
    const float v = py - (static_cast<float>(j) + 0.5f) * grid.y.step;
    const float edge =
        std::min(grid.x.step * 0.5f - std::fabs(u), grid.y.step * 0.5f - std::fabs(v));
    return {pieceIdOf(grid.x.wrap(i), grid.y.wrap(j)), std::max(edge, 0.0f), u, v};
}

// A glazed tile: a flat face a little higher or lower than its neighbours
// and tilted its own way, its edge rounded down into sunken grout.
float tileHeight(const PieceHit& hit, float size, int32_t seed, float base) {
    const uint32_t id = hit.id;
    const int32_t key = static_cast<int32_t>(id);
    const float lift = (layoutUnit(key, 0, seed, 3) - 0.5f) * 0.06f;
    const float angle = layoutUnit(key, 0, seed, 4) * 6.28318531f;
    const float tilt = (hit.along * fcos(angle) + hit.across * fsin(angle)) / size * 0.06f;
    const float face = 0.72f + lift + tilt + (base - 0.5f) * 0.05f;
    const float grout = 0.18f + base * 0.1f;
    const float joint = kTileJoint * size;
    const float s = smoothStep(joint, joint + kTileBevel * size, hit.edge);
    return clamp(grout + (face - grout) * s, 0.0f, 1.0f);
}

}  // namespace

FloatField generateCobblePattern(const PatternInput& in) {
    const Lattice lattice = cobbleLattice(in);
    const float size = layoutSize(in);
    const float rounding = kCobbleCorners * size;
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const CellHit hit = locateCell(lattice, px, py, rounding);
        const float base = baseAt(in.base, i);
        // A dome: a quarter circle from the mortar line up the flank, and a
        // crown that falls gently from the stone's middle.
        const float s =
            clamp((hit.roundEdge - kCobbleJoint * size) / (kCobbleShoulder * size), 0.0f, 1.0f);
        const float dome = fsqrt(s * (2.0f - s));
        const float r2 = (hit.piece.along * hit.piece.along + hit.piece.across * hit.piece.across) /
                         (size * size);
        const int32_t key = static_cast<int32_t>(hit.piece.id);
        const float top = 0.8f + (layoutUnit(key, 0, in.seed, 3) - 0.5f) * 0.16f;
        const float stone = top - r2 * 0.35f + (base - 0.5f) * 0.15f;
        const float mortar = 0.1f + base * 0.12f;
        return clamp(mortar + (stone - mortar) * dome, 0.0f, 1.0f);
    });
}

PieceField cobblePieces(const PatternInput& in) {
    const Lattice lattice = cobbleLattice(in);
    return piecesOf(in.width, in.height, kCobbleJoint * layoutSize(in), [&](float px, float py) {
        return locateCell(lattice, px, py, kCobbleCorners * layoutSize(in)).piece;
    });
}

FloatField generateHexTilePattern(const PatternInput& in) {
    const Lattice lattice = hexagonLattice(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const PieceHit hit = locateCell(lattice, px, py, 1.0f).piece;
        return tileHeight(hit, layoutSize(in), in.seed, baseAt(in.base, i));
    });
}

PieceField hexTilePieces(const PatternInput& in) {
    const Lattice lattice = hexagonLattice(in);
    return piecesOf(in.width, in.height, kTileJoint * layoutSize(in),
                    [&](float px, float py) { return locateCell(lattice, px, py, 1.0f).piece; });
}

FloatField generateSquareTilePattern(const PatternInput& in) {
    const SquareGrid grid = squareGrid(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        return tileHeight(locateSquare(grid, px, py), layoutSize(in), in.seed, baseAt(in.base, i));
    });
}

PieceField squareTilePieces(const PatternInput& in) {
    const SquareGrid grid = squareGrid(in);
    return piecesOf(in.width, in.height, kTileJoint * layoutSize(in),
                    [&](float px, float py) { return locateSquare(grid, px, py); });
}

}  // namespace proctex
