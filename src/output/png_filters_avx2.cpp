// The AVX2 row-filter kernel: 32 bytes of a row at a time, otherwise the SSE2
// kernel's steps (see png_filters.cpp for why they give stb's bytes).
//
// Only the functions marked PROCTEX_AVX2 use AVX2 instructions, so the shared
// scalar helpers stay plain x86-64 code wherever the linker takes them from.
#include <immintrin.h>

#include "core/cpu_features.h"
#include "output/png_filters_kernels.h"

namespace proctex {

#if defined(__x86_64__)

namespace {

constexpr std::size_t kAvx2Width = 32;

PROCTEX_AVX2 __m256i load32(const uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

struct Lanes32 {
    __m256i x, left, above, upperLeft;
};

// Bytes i.. of the row; i >= channels, so the left bytes lie inside the row.
template <bool kHasAbove>
PROCTEX_AVX2 Lanes32 lanesAt(const FilterRow& row, std::size_t i) {
    const std::size_t n = static_cast<std::size_t>(row.channels);
    Lanes32 l{load32(row.pixels + i), load32(row.pixels + i - n), _mm256_setzero_si256(),
              _mm256_setzero_si256()};
    if constexpr (kHasAbove) {
        l.above = load32(row.above + i);
        l.upperLeft = load32(row.above + i - n);
    }
    return l;
}

PROCTEX_AVX2 __m256i absDiff32(__m256i a, __m256i b) {
    return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a));
}

PROCTEX_AVX2 __m256i lessEqual32(__m256i a, __m256i b) {  // unsigned, 0xFF where a <= b
    return _mm256_cmpeq_epi8(_mm256_subs_epu8(a, b), _mm256_setzero_si256());
}

PROCTEX_AVX2 __m256i select32(__m256i mask, __m256i yes, __m256i no) {
    return _mm256_or_si256(_mm256_and_si256(mask, yes), _mm256_andnot_si256(mask, no));
}

// (left + above) >> 1 without leaving bytes: avg rounds up, so take back the
// carried-in half where the sum is odd.
PROCTEX_AVX2 __m256i averagePrediction32(const Lanes32& l) {
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(l.left, l.above), _mm256_set1_epi8(1));
    return _mm256_sub_epi8(_mm256_avg_epu8(l.left, l.above), odd);
}

// Paeth in bytes: pa = |above - upperLeft|, pb = |left - upperLeft| and
// pc = |(above - upperLeft) + (left - upperLeft)|, which is pa + pb when both
// differences have the same sign and |pa - pb| otherwise. pc meets only pa and
// pb (both <= 255) in comparisons, so saturating it at 255 changes no outcome.
PROCTEX_AVX2 __m256i paethPrediction32(const Lanes32& l) {
    const __m256i pa = absDiff32(l.above, l.upperLeft);
    const __m256i pb = absDiff32(l.left, l.upperLeft);
    const __m256i opposite =
        _mm256_xor_si256(lessEqual32(l.upperLeft, l.above), lessEqual32(l.upperLeft, l.left));
    const __m256i pc = select32(opposite, absDiff32(pa, pb), _mm256_adds_epu8(pa, pb));
    const __m256i pickLeft = _mm256_and_si256(lessEqual32(pa, pb), lessEqual32(pa, pc));
    const __m256i pickAbove = lessEqual32(pb, pc);
    return select32(pickLeft, l.left, select32(pickAbove, l.above, l.upperLeft));
}

PROCTEX_AVX2 __m256i filtered32(int filter, const Lanes32& l) {
    switch (filter) {
        case 1:
            return _mm256_sub_epi8(l.x, l.left);
        case 2:
            return _mm256_sub_epi8(l.x, l.above);
        case 3:
            return _mm256_sub_epi8(l.x, averagePrediction32(l));
        case 4:
            return _mm256_sub_epi8(l.x, paethPrediction32(l));
        default:
            return l.x;
    }
}

// |v| of each byte read as signed; -128 gives 128 as an unsigned byte.
PROCTEX_AVX2 __m256i absSigned32(__m256i v) {
    return _mm256_min_epu8(v, _mm256_sub_epi8(_mm256_setzero_si256(), v));
}

PROCTEX_AVX2 void accumulate32(__m256i filtered, __m256i keep, __m256i& acc) {
    const __m256i magnitude = _mm256_and_si256(absSigned32(filtered), keep);
    acc = _mm256_add_epi64(acc, _mm256_sad_epu8(magnitude, _mm256_setzero_si256()));
}

PROCTEX_AVX2 void accumulateAll32(const Lanes32& l, __m256i keep, __m256i (&acc)[kFilterCount]) {
    for (int f = 0; f < kFilterCount; ++f) accumulate32(filtered32(f, l), keep, acc[f]);
}

// Bytes [channels, bytes) of a row at least channels + 32 bytes long.
template <bool kHasAbove>
PROCTEX_AVX2 void addVectorSums32(const FilterRow& row, FilterSums& sums) {
    __m256i acc[kFilterCount];
    for (__m256i& a : acc) a = _mm256_setzero_si256();
    const __m256i all = _mm256_set1_epi8(-1);
    std::size_t i = static_cast<std::size_t>(row.channels);
    for (; i + kAvx2Width <= row.bytes; i += kAvx2Width) {
        accumulateAll32(lanesAt<kHasAbove>(row, i), all, acc);
    }
    if (i < row.bytes) {
        const std::size_t fresh = row.bytes - i;
        const __m256i keep = load32(kTailMask + 32 - kAvx2Width + fresh);
        accumulateAll32(lanesAt<kHasAbove>(row, row.bytes - kAvx2Width), keep, acc);
    }
    for (int f = 0; f < kFilterCount; ++f) {
        alignas(32) int64_t quarters[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(quarters), acc[f]);
        sums.sum[f] += quarters[0] + quarters[1] + quarters[2] + quarters[3];
    }
}

// The last vector overlaps the one before it and rewrites the same bytes.
template <bool kHasAbove>
PROCTEX_AVX2 void storeFiltered32(const FilterRow& row, int filter, std::size_t i, uint8_t* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                        filtered32(filter, lanesAt<kHasAbove>(row, i)));
}

template <bool kHasAbove>
PROCTEX_AVX2 void writeVectorFiltered32(const FilterRow& row, int filter, uint8_t* out) {
    std::size_t i = static_cast<std::size_t>(row.channels);
    for (; i + kAvx2Width <= row.bytes; i += kAvx2Width)
        storeFiltered32<kHasAbove>(row, filter, i, out);
    if (i < row.bytes) storeFiltered32<kHasAbove>(row, filter, row.bytes - kAvx2Width, out);
}

template <bool kHasAbove>
PROCTEX_AVX2 void filterRowAvx2With(const FilterRow& row, uint8_t* out) {
    const std::size_t n = static_cast<std::size_t>(row.channels);
    const bool vectors = row.bytes >= n + kAvx2Width;
    const std::size_t head = vectors ? n : row.bytes;
    FilterSums sums;
    addScalarSums(row, 0, head, sums);
    if (vectors) addVectorSums32<kHasAbove>(row, sums);
    const int filter = cheapestFilter(sums);
    out[0] = static_cast<uint8_t>(filter);
    writeScalarFiltered(row, filter, 0, head, out + 1);
    if (vectors) writeVectorFiltered32<kHasAbove>(row, filter, out + 1);
}

}  // namespace

PROCTEX_AVX2 void filterRowAvx2(const FilterRow& row, uint8_t* out) {
    if (row.above) {
        filterRowAvx2With<true>(row, out);
    } else {
        filterRowAvx2With<false>(row, out);
    }
}

#endif  // __x86_64__

}  // namespace proctex
