// The four overlays of overlayType 1 to 4. Each builds a new depth
// field of width x height values, row-major, which the overlay stage carves
// into the height field with blendOverlay. Sizes are positive (the pipeline
// checks them before any stage runs); a size of 0 gives an empty field.
#pragma once

#include <cstdint>
#include <vector>

#include "core/field.h"
#include "core/pieces.h"

namespace proctex {

// Veins: 1 - |sin(x / veinScale + noise * 7)| with the fractal noise of a
// private generator (seed + 1000, scale 80, 4 octaves, tileable when
// `seamless`). Values 0..1. A veinScale of 0 gives NaN values; the overlay
// stage rejects it beforehand.
FloatField generateVeins(int width, int height, float veinScale, int32_t seed, bool seamless,
                         float unit = 1.0f);

// Bricks: a running-bond brick layout; 0.3 on the 3-pixel mortar joints,
// 0.0 on the brick faces. No randomness.
FloatField generateBricks(int width, int height, float brickWidth, float brickHeight,
                          float unit = 1.0f);

// Planks: staggered planks, plankLength long and plankLength / 5 high, with
// 2-pixel seams (0.6) at each plank's left end and top edge. Each plank's
// depth comes from an engine seeded with seed + course * 1000 + column:
// plain mode one draw over [0, 0.3); grain mode g over [0, 100) and k over
// [-0.1, 0.1), giving grain * 0.2 + sin((ly + g) / 3) * 0.15 + k with the
// fractal field of a private generator (seed + 7000, scale 50, 3 octaves).
// The draws are made once per plank, not once per pixel; the field equals
// per-pixel seeding bit for bit.
FloatField generatePlanks(int width, int height, float plankLength, int32_t seed, bool withGrain,
                          float unit = 1.0f);

// Scratches: scratchCount straight tapered strokes (none when the count is 0 or
// less) from one engine seeded with seed + 999. Values 0..0.6.
FloatField generateScratches(int width, int height, int32_t scratchCount, int32_t seed,
                             float unit = 1.0f);

// The tiling forms (tileable == 1): periodic with the image as one period,
// sizes fitted to a whole number of periods across and down (core/tiling.h).

// Veins: the private noise tiles (hashed as `seamless` chooses), and the sine
// fits a whole number of veins across the width.
FloatField generateTiledVeins(int width, int height, float veinScale, int32_t seed, bool seamless,
                              float unit = 1.0f);

// Bricks: whole bricks per course and an even number of courses, so the
// running bond continues across the top and bottom edges.
FloatField generateTiledBricks(int width, int height, float brickWidth, float brickHeight,
                               float unit = 1.0f);

// Planks: whole boards per course and an even number of courses; the board
// that crosses the side edges is one board (one set of draws), and the grain
// noise tiles.
FloatField generateTiledPlanks(int width, int height, float plankLength, int32_t seed,
                               bool withGrain, float unit = 1.0f);

// Scratches: the same strokes, continuing across the edges.
FloatField generateTiledScratches(int width, int height, int32_t scratchCount, int32_t seed,
                                  float unit = 1.0f);

// The bricks and boards of the bricks and planks overlays (plain or tiling
// form, as `tiled` says) and their joints, as the overlays draw them.
PieceField brickPieces(int width, int height, float brickWidth, float brickHeight, float unit,
                       bool tiled);
PieceField plankPieces(int width, int height, float plankLength, float unit, bool tiled);

// Building blocks of the planks and scratches overlays, for tests and
// benchmarks.

// The engine seed of the plank in course `row`, column `col`:
// seed + row * 1000 + col with 32-bit wrap-around.
int32_t plankSeed(int32_t seed, int32_t row, int32_t col);

// The first one or two draws of an engine freshly seeded with `plankSeed`.
struct PlankDraws {
    float grainOffset = 0.0f;  // g, grain mode (first output)
    float colorShift = 0.0f;   // k, grain mode (second output)
    float plankColor = 0.0f;   // plain mode (first output)
};
PlankDraws drawPlank(int32_t plankSeed, bool withGrain);

// The five draws of one scratch, in draw order.
struct ScratchStroke {
    float x0 = 0.0f;  // distPos * width
    float y0 = 0.0f;  // distPos * height
    float angle = 0.0f;
    float length = 0.0f;
    float maxWidth = 0.0f;
};

// The strokes generateScratches paints, in draw order (empty for a count of 0
// or less).
std::vector<ScratchStroke> drawScratches(int width, int height, int32_t scratchCount, int32_t seed,
                                         float unit = 1.0f);

// Paints one stroke into `overlay` (width x height) with the maximum rule.
void paintScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke);

// paintScratch's samples with each pixel taken modulo the image size: a
// stroke that leaves on one side goes on from the other (tiling).
void paintWrappedScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke);

}  // namespace proctex
