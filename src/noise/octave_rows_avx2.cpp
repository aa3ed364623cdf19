// The AVX2 kernel of the octave sum: eight pixels of a row at a time.
//
// Only the functions marked PROCTEX_AVX2 use AVX2 instructions, so the rest of
// the library (and any inline function shared with other files) stays plain
// x86-64. The target names AVX2 alone: no fused multiply-add can be emitted,
// and every operation below is the same IEEE single-precision operation, in
// the same order, as in the portable kernel:
//  - floor is vroundps towards minus infinity, exact like floorf;
//  - vcvttps2dq gives INT32_MIN for NaN and out-of-range values, which is
//    truncToInt32's definition;
//  - (n + 1) / 2 is computed as (n + 1) * 0.5, the same correctly rounded value;
//  - grad(h, x, y) is taken as a(h) * x + b(h) * y with a and b in {-1, 0, 1}
//    read from tables: both products are exact and the sum is rounded once,
//    as grad's own sum of the selected, sign-flipped terms is. The two can
//    differ only in the sign of a zero, and a signed zero cannot survive to
//    the result, which adds 1 to the interpolated value; a NaN coordinate
//    makes both NaN through the fade weights.
#include <immintrin.h>

#include <cstring>

#include "core/cpu_features.h"
#include "core/fmath.h"
#include "core/progress.h"
#include "noise/octave_rows.h"

namespace proctex {

#if defined(__x86_64__)

namespace {

// a(h) and b(h) of every hash, split in halves h < 8 and h >= 8 for the
// eight-entry lookup of vpermps, and b(h) times the row's two y offsets.
struct GradTables {
    alignas(32) float aLow[8], aHigh[8];
    alignas(32) float c0Low[8], c0High[8];  // b(h) * yf
    alignas(32) float c1Low[8], c1High[8];  // b(h) * (yf - 1)
};

void fillGradTables(const OctaveRow& row, GradTables& t) {
    for (int h = 0; h < 16; ++h) {
        const float a = TextureGenerator::grad(h, 1.0f, 0.0f);
        const float b = TextureGenerator::grad(h, 0.0f, 1.0f);
        float* aHalf = h < 8 ? t.aLow : t.aHigh;
        float* c0Half = h < 8 ? t.c0Low : t.c0High;
        float* c1Half = h < 8 ? t.c1Low : t.c1High;
        aHalf[h & 7] = a;
        c0Half[h & 7] = b * row.yf;
        c1Half[h & 7] = b * row.yf1;
    }
}

struct LoadedTables {
    __m256 aLow, aHigh, c0Low, c0High, c1Low, c1High;
};

PROCTEX_AVX2 inline LoadedTables loadTables(const GradTables& t) {
    return {_mm256_load_ps(t.aLow),   _mm256_load_ps(t.aHigh), _mm256_load_ps(t.c0Low),
            _mm256_load_ps(t.c0High), _mm256_load_ps(t.c1Low), _mm256_load_ps(t.c1High)};
}

// Lanes of a 16-entry table: the low three bits of `index` pick within a
// half, the sign bit of `upper` (bit 3 of the hash moved there) picks the half.
PROCTEX_AVX2 inline __m256 lookup16(__m256 low, __m256 high, __m256i index, __m256 upper) {
    return _mm256_blendv_ps(_mm256_permutevar8x32_ps(low, index),
                            _mm256_permutevar8x32_ps(high, index), upper);
}

// grad(h, x, y) for the hash in bits shift..shift+3 of `hashes`, with y the
// row's upper (c0) or lower (c1) corner offset.
template <int shift, bool lowerRow>
PROCTEX_AVX2 inline __m256 gradLanes(const LoadedTables& t, __m256i hashes, __m256 x) {
    const __m256i index = _mm256_srli_epi32(hashes, shift);
    const __m256 upper = _mm256_castsi256_ps(_mm256_slli_epi32(hashes, 28 - shift));
    const __m256 a = lookup16(t.aLow, t.aHigh, index, upper);
    const __m256 c = lowerRow ? lookup16(t.c1Low, t.c1High, index, upper)
                              : lookup16(t.c0Low, t.c0High, index, upper);
    return _mm256_add_ps(_mm256_mul_ps(a, x), c);
}

PROCTEX_AVX2 inline __m256 fadeLanes(__m256 t) {
    const __m256 t3 = _mm256_mul_ps(_mm256_mul_ps(t, t), t);
    __m256 inner = _mm256_sub_ps(_mm256_mul_ps(t, _mm256_set1_ps(6.0f)), _mm256_set1_ps(15.0f));
    inner = _mm256_add_ps(_mm256_mul_ps(t, inner), _mm256_set1_ps(10.0f));
    return _mm256_mul_ps(t3, inner);
}

PROCTEX_AVX2 inline __m256 lerpLanes(__m256 t, __m256 a, __m256 b) {
    return _mm256_add_ps(a, _mm256_mul_ps(t, _mm256_sub_ps(b, a)));
}

// Four corner hashes per lane: bits 0-3 (left, upper), 4-7 (left, lower),
// 8-11 (right, upper), 12-15 (right, lower).
PROCTEX_AVX2 inline __m256 noiseFromHashes(const LoadedTables& t, __m256i hashes, __m256 xf,
                                           __m256 u, __m256 v) {
    const __m256 xf1 = _mm256_sub_ps(xf, _mm256_set1_ps(1.0f));
    const __m256 g00 = gradLanes<0, false>(t, hashes, xf);
    const __m256 g01 = gradLanes<4, true>(t, hashes, xf);
    const __m256 g10 = gradLanes<8, false>(t, hashes, xf1);
    const __m256 g11 = gradLanes<12, true>(t, hashes, xf1);
    const __m256 n = lerpLanes(v, lerpLanes(u, g00, g10), lerpLanes(u, g01, g11));
    return _mm256_mul_ps(_mm256_add_ps(n, _mm256_set1_ps(1.0f)), _mm256_set1_ps(0.5f));
}

// Truncating remainder of each lane by a period of at least 1, through
// double division: |cell| <= 2^31, so the quotient's distance from the next
// integer (at least 1 / period) is far above double rounding, and its
// truncation is the exact integer quotient.
PROCTEX_AVX2 inline __m256i remainderLanes(__m256i cell, int32_t period) {
    const __m256d p = _mm256_set1_pd(static_cast<double>(period));
    const __m256d qLow = _mm256_round_pd(
        _mm256_div_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(cell)), p), _MM_FROUND_TO_ZERO);
    const __m256d qHigh =
        _mm256_round_pd(_mm256_div_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(cell, 1)), p),
                        _MM_FROUND_TO_ZERO);
    const __m256i q = _mm256_set_m128i(_mm256_cvttpd_epi32(qHigh), _mm256_cvttpd_epi32(qLow));
    return _mm256_sub_epi32(cell, _mm256_mullo_epi32(q, _mm256_set1_epi32(period)));
}

enum class Lattice { plain, tileable, tiling };

// One octave over `count` pixels whose x / scale (tiling: x) are in xs, added
// into acc (both hold eight floats per block; the caller pads the last block).
template <Lattice lattice>
PROCTEX_AVX2 void addOctaveRow(const OctaveRow& row, const float* xs, int32_t count, float* acc) {
    GradTables tables;
    fillGradTables(row, tables);
    const LoadedTables t = loadTables(tables);
    const __m256 frequency = _mm256_set1_ps(row.xStep);
    const __m256 amplitude = _mm256_set1_ps(row.amplitude);
    const __m256 v = _mm256_set1_ps(row.v);
    const __m256i mask255 = _mm256_set1_epi32(255);
    const int* pairs = reinterpret_cast<const int*>(row.pairs);
    // Tiling: only the pixels in the last lattice column (and the padding
    // after them) need its right neighbour wrapped to column 0; before them
    // the two bytes of the plain read are right. Columns grow with x, so
    // those pixels are the blocks from the first one in the last column on.
    int32_t wrapFrom = count;
    if constexpr (lattice == Lattice::tiling) {
        const float lastColumn = static_cast<float>(row.cellsX - 1);
        int32_t lo = 0;
        int32_t hi = count;
        while (lo < hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            if (ffloor(xs[mid] * row.xStep) >= lastColumn) {
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        wrapFrom = lo & ~7;
    }
    for (int32_t i = 0; i < count; i += 8) {
        const __m256 sx = _mm256_mul_ps(_mm256_load_ps(xs + i), frequency);
        const __m256 fx = _mm256_round_ps(sx, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
        const __m256i cell = _mm256_cvttps_epi32(fx);
        const __m256 xf = _mm256_sub_ps(sx, fx);
        const __m256 u = fadeLanes(xf);
        __m256i hashes;
        if (lattice == Lattice::plain || (lattice == Lattice::tiling && i < wrapFrom)) {
            // Bytes X and X + 1 of the pair row in one read.
            hashes = _mm256_i32gather_epi32(pairs, _mm256_and_si256(cell, mask255), 1);
        } else if constexpr (lattice == Lattice::tiling) {
            // Columns beyond the last wrap once; the right neighbour of the
            // last column is column 0, not the byte after it.
            const __m256i cells = _mm256_set1_epi32(row.cellsX);
            const __m256i last = _mm256_set1_epi32(row.cellsX - 1);
            const __m256i column =
                _mm256_sub_epi32(cell, _mm256_and_si256(_mm256_cmpgt_epi32(cell, last), cells));
            hashes = _mm256_i32gather_epi32(pairs, _mm256_and_si256(column, mask255), 1);
            const __m256i wrapped = _mm256_or_si256(_mm256_and_si256(hashes, mask255),
                                                    _mm256_set1_epi32(row.pairs[0] << 8));
            hashes = _mm256_blendv_epi8(hashes, wrapped, _mm256_cmpeq_epi32(column, last));
        } else if constexpr (lattice == Lattice::tileable) {
            const __m256i period = _mm256_set1_epi32(row.periodX);
            __m256i x0 = remainderLanes(cell, row.periodX);
            // (x0 + 1) mod period from the uncorrected x0 in (-period, period).
            __m256i x1 = _mm256_add_epi32(x0, _mm256_set1_epi32(1));
            x1 = _mm256_andnot_si256(_mm256_cmpeq_epi32(x1, period), x1);
            const __m256i zero = _mm256_setzero_si256();
            x0 = _mm256_add_epi32(x0, _mm256_and_si256(_mm256_cmpgt_epi32(zero, x0), period));
            x1 = _mm256_add_epi32(x1, _mm256_and_si256(_mm256_cmpgt_epi32(zero, x1), period));
            const __m256i left = _mm256_i32gather_epi32(pairs, _mm256_and_si256(x0, mask255), 1);
            const __m256i right = _mm256_i32gather_epi32(pairs, _mm256_and_si256(x1, mask255), 1);
            const __m256i byte = _mm256_set1_epi32(255);
            hashes = _mm256_or_si256(_mm256_and_si256(left, byte),
                                     _mm256_slli_epi32(_mm256_and_si256(right, byte), 8));
        }
        const __m256 n = noiseFromHashes(t, hashes, xf, u, v);
        float* a = acc + i;
        _mm256_storeu_ps(a, _mm256_add_ps(_mm256_loadu_ps(a), _mm256_mul_ps(n, amplitude)));
    }
}

constexpr int32_t kChunk = 512;  // pixels of a row summed in one stack buffer

PROCTEX_AVX2 SampleRange sumOctavesAvx2Impl(const OctaveJob& job, float* data) {
    LatticeHashes hashes(job.permutation, job.seamless);
    OctaveRow row;
    __m256 minLanes = _mm256_set1_ps(1e10f);
    __m256 maxLanes = _mm256_set1_ps(-1e10f);
    SampleRange tail;
    alignas(32) float acc[kChunk];
    alignas(32) float xs[kChunk];  // x / scale, the same for every octave
    for (int32_t y = 0; y < job.height; ++y) {
        progressCheckpoint(y, job.height);
        float* out = data + static_cast<std::size_t>(y) * job.width;
        for (int32_t x = 0; x < job.width; x += kChunk) {
            const int32_t count = job.width - x < kChunk ? job.width - x : kChunk;
            const int32_t padded = (count + 7) & ~7;
            // (float)x rounds like cvtdq2ps, and the quotient is the one each
            // octave's (x / scale) * frequency starts from.
            const __m256 scale = _mm256_set1_ps(job.scale);
            for (int32_t i = 0; i < padded; i += 8) {
                const __m256i columns = _mm256_add_epi32(_mm256_set1_epi32(x + i),
                                                         _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
                const __m256 fx = _mm256_cvtepi32_ps(columns);
                _mm256_store_ps(xs + i, job.tiling ? fx : _mm256_div_ps(fx, scale));
                _mm256_store_ps(acc + i, _mm256_setzero_ps());
            }
            row.amplitude = 1.0f;
            row.frequency = 1.0f;
            for (int32_t octave = 0; octave < job.octaves; ++octave) {
                prepareOctaveRow(job, hashes, y, row);
                if (job.tiling) {
                    addOctaveRow<Lattice::tiling>(row, xs, padded, acc);
                } else if (job.seamless) {
                    addOctaveRow<Lattice::tileable>(row, xs, padded, acc);
                } else {
                    addOctaveRow<Lattice::plain>(row, xs, padded, acc);
                }
                row.amplitude = row.amplitude * job.persistence;
                row.frequency = row.frequency * job.lacunarity;
            }
            std::memcpy(out + x, acc, sizeof(float) * static_cast<std::size_t>(count));
            // Lane-wise running range with the scalar rule: vminps(v, m) is
            // v < m ? v : m, so NaN never enters, as in SampleRange::add.
            const int32_t whole = count & ~7;
            for (int32_t i = 0; i < whole; i += 8) {
                const __m256 s = _mm256_load_ps(acc + i);
                minLanes = _mm256_min_ps(s, minLanes);
                maxLanes = _mm256_max_ps(s, maxLanes);
            }
            for (int32_t i = whole; i < count; ++i) tail.add(acc[i]);
        }
    }
    // The minimum and maximum of a set do not depend on the order of the
    // comparisons (a raw sum is never -0, so no ±0 tie can arise).
    alignas(32) float lanes[8];
    _mm256_store_ps(lanes, minLanes);
    for (float v : lanes) {
        if (v < tail.minVal) tail.minVal = v;
    }
    _mm256_store_ps(lanes, maxLanes);
    for (float v : lanes) {
        if (v > tail.maxVal) tail.maxVal = v;
    }
    return tail;
}

}  // namespace

SampleRange sumOctavesAvx2(const OctaveJob& job, float* data) {
    return sumOctavesAvx2Impl(job, data);
}

#endif

}  // namespace proctex
