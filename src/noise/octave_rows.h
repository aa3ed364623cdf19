// The octave sum of the base fields, row by row, with two interchangeable
// kernels: a portable one and an AVX2 one chosen at run time. Both give the
// same fields bit for bit as the per-pixel loop over noise / tileableNoise.
//
// Work per row and octave is split by what it depends on:
//  - the row's lattice row, its position in the cell and its fade weight
//    depend only on y and the octave, so they are computed once per row and
//    octave, not once per pixel;
//  - the corner hashes of one lattice row pair depend only on the lattice
//    column, so the row's 256 columns are packed once into a table of bytes
//    (low nibble: hash of the upper corner row, high nibble: the lower one),
//    and a pixel reads all four corner hashes with one or two byte loads
//    instead of the ten (noise) or eight (tileableNoise) permutation reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/cpu_features.h"
#include "noise/texture_generator.h"

namespace proctex {

// Which kernel sums the octaves. `automatic` takes AVX2 where the processor
// has it; the others force one kernel (tests compare them).
enum class NoisePath { automatic, portable, avx2 };

// What the kernels need of a generator and a base-field request.
struct OctaveJob {
    const int32_t* permutation;  // 512 entries
    int32_t width;
    int32_t height;
    float scale;
    int32_t octaves;
    float persistence;
    float lacunarity;
    bool seamless;
    // Every octave's lattice wraps at the image edges: a whole number of cells
    // across the width and the height (see tilingCells). The hashes stay those
    // the seamless flag chooses.
    bool tiling = false;
};

// The lattice cells one octave spans across `extent` pixels in tiling mode:
// (extent / scale) x frequency rounded to the nearest whole number, at least
// 1 (also for NaN) and at most 2^24. Cells are then extent / count pixels
// wide, so scale and the lacunarity steps move by less than half a cell
// across the image.
int32_t tilingCells(int32_t extent, float scale, float frequency);

// Running minimum and maximum with the base fields' rules: strict
// comparisons, so NaN samples never enter.
struct SampleRange {
    float minVal = 1e10f;
    float maxVal = -1e10f;

    void add(float v) {
        if (v < minVal) minVal = v;
        if (v > maxVal) maxVal = v;
    }
};

// Corner hashes of one lattice row (the low four bits, all grad reads) for
// every lattice column, built row by row when first needed. Plain noise hashes
// a corner (c, r) as T[T[T[c] + r]], tileable noise as T[T[c] + r].
class LatticeHashes {
public:
    LatticeHashes(const int32_t* permutation, bool tileable);

    // Packs the corner rows r0 (low nibbles) and r1 (high nibbles) of every
    // lattice column into pairs[0..255]; pairs[256..259] repeat pairs[0..3],
    // so column 255's right neighbour is column 0 and a four-byte read at any
    // column stays inside.
    void packRowPair(int32_t r0, int32_t r1, uint8_t* pairs);

private:
    const uint8_t* row(int32_t r);

    const int32_t* permutation_;
    bool tileable_;
    std::vector<uint8_t> hashes_;  // 256 x 256
    bool built_[256] = {};
};

inline constexpr std::size_t kPairBytes = 260;

// The per-row part of one octave: the lattice row pair, the position in the
// cell (yf and yf - 1) and its fade weight, for tileable noise the
// horizontal lattice period, and in tiling mode the lattice columns across
// the image and the step of one pixel in cells.
struct OctaveRow {
    float amplitude;
    float frequency;
    float yf;
    float yf1;
    float v;
    int32_t periodX;
    int32_t cellsX;
    float xStep;
    alignas(32) uint8_t pairs[kPairBytes];
};

void prepareOctaveRow(const OctaveJob& job, LatticeHashes& hashes, int32_t y, OctaveRow& row);

// Non-negative lattice corners c0 = c mod p and c1 = (c + 1) mod p, the
// remainder taken with the sign of the dividend first, then corrected.
inline void wrapCorners(int32_t cell, int32_t period, int32_t& c0, int32_t& c1) {
    c0 = cell % period;
    c1 = (c0 + 1) % period;
    if (c0 < 0) c0 += period;
    if (c1 < 0) c1 += period;
}

// A period below one cell (also NaN or infinite) would divide by zero in the
// lattice remainder; one cell is the nearest meaningful period.
int32_t latticePeriod(float period);

// Fills data (width x height, all zero on entry) with the raw octave sums and
// returns their range. The kernels behind it:
SampleRange sumOctaves(const OctaveJob& job, float* data, NoisePath path);
SampleRange sumOctavesPortable(const OctaveJob& job, float* data);
// Only on x86-64; call it only when avx2Available().
SampleRange sumOctavesAvx2(const OctaveJob& job, float* data);

// The base fields with a chosen kernel; TextureGenerator's own functions are
// these with NoisePath::automatic.
FloatField fractalBaseField(const TextureGenerator& generator, float persistence, float lacunarity,
                            NoisePath path);
FloatField singleOctaveBaseField(const TextureGenerator& generator, NoisePath path);

}  // namespace proctex
