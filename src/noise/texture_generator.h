// The noise generator: its settings and the seeded permutation table. It is
// never changed after construction; every operation only reads it.
#pragma once

#include <cstdint>
#include <vector>

#include "core/field.h"

namespace proctex {

struct TextureGenerator {
    int32_t width;
    int32_t height;
    float scale;  // pixels per noise unit
    int32_t octaves;
    int32_t seed;
    std::vector<int32_t> permutation;  // 512 entries: a permutation of 0..255, twice
    bool seamless;                     // base fields use tileableNoise
    // Base fields wrap at the image edges: each octave's lattice holds a
    // whole number of cells across the width and the height (tilingCells).
    bool tiling;

    TextureGenerator(int32_t width, int32_t height, float scale, int32_t octaves, int32_t seed,
                     bool seamless, bool tiling = false);

    // Gradient noise in 0..1 whose lattice wraps every trunc(period) cells.
    float tileableNoise(float x, float y, float periodX, float periodY) const;

    // Sum of `octaves` noise layers, stretched to exactly 0..1.
    FloatField generateFractalBase(float persistence, float lacunarity) const;
    // One noise layer at the generator's scale, stretched to exactly 0..1.
    FloatField generateSingleOctaveBase() const;

    static float fade(float t) { return (t * t * t) * ((t * ((t * 6.0f) - 15.0f)) + 10.0f); }
    static float lerp(float t, float a, float b) { return a + t * (b - a); }
    static float grad(int32_t hash, float x, float y);

private:
    void initPermutation();
};

// The octaves of a fractal meant at one pixel per unit, sampled at
// `pixelsPerUnit`: one more per lacunarity step of finer sampling (at most
// kMaxAddedOctaves more), one fewer per step of coarser sampling (at least
// one left), so the finest layer keeps its size in pixels. Unchanged at 1,
// for fewer than one octave and for a lacunarity of at most 1.
constexpr int32_t kMaxAddedOctaves = 4;
int32_t sampledOctaves(int32_t octaves, float lacunarity, float pixelsPerUnit);

}  // namespace proctex
