// What the row-filter kernels share: the row they work on, the scalar
// filters (used for the first pixel of a row, short rows and the portable
// kernel) and the choice of the cheapest filter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace proctex {

constexpr int kFilterCount = 5;  // none, sub, up, average, Paeth

struct FilterRow {
    const uint8_t* pixels;
    const uint8_t* above;  // nullptr on the first row, which has zeros above it
    std::size_t bytes;     // width * channels
    int channels;
};

// The sum of |filtered byte as signed char| for each filter. stb sums into an
// int, which cannot overflow for rows below 2^31 / 128 = 16 M bytes, so up to
// there both choose alike; beyond, stb's sum overflows (undefined in C, in
// practice it wraps and stb's choice turns arbitrary) while ours stays exact.
struct FilterSums {
    int64_t sum[kFilterCount] = {};
};

// Adds bytes [begin, end) of the row to the sums.
void addScalarSums(const FilterRow& row, std::size_t begin, std::size_t end, FilterSums& sums);
// Writes bytes [begin, end) of the row filtered with `filter` to out[begin, end).
void writeScalarFiltered(const FilterRow& row, int filter, std::size_t begin, std::size_t end,
                         uint8_t* out);
// The lowest sum; the first filter wins ties, as in stb.
int cheapestFilter(const FilterSums& sums);

// Each writes the row's filter number to out[0] and its filtered bytes after it.
void filterRowPortable(const FilterRow& row, uint8_t* out);
void filterRowSse2(const FilterRow& row, uint8_t* out);  // where SSE2 is compiled in
void filterRowAvx2(const FilterRow& row, uint8_t* out);  // x86-64, only when avx2Available()

// Loading `width` bytes at kTailMask + 32 - width + fresh gives width - fresh
// zero bytes and then `fresh` 0xFF bytes (width 16 or 32): the last vector of a
// row overlaps the one before it, and only its fresh lanes may count.
alignas(64) inline constexpr uint8_t kTailMask[64] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace proctex
