// The row filters: the scalar rules, the portable and SSE2 kernels, and the
// choice of kernel. Filtering reads only original bytes (left, above, upper
// left), so every byte of a row is independent of the others: the vector
// kernels compute all five filters of 16 or 32 bytes at once and sum them in
// one pass, then write the winner in a second.
//
// stb tries on the first row filters "up" = none, "average" with the left byte
// alone and Paeth as paeth(left, 0, 0), yet writes the numbers 0..4: these are
// the plain filters with zero bytes above the row, which is how they are
// computed here.
#include "output/png_filters.h"

#include <cstdlib>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/cpu_features.h"
#include "output/png_filters_kernels.h"

namespace proctex {

namespace {

// stb's predictor, with its tie order: left, then above, then upper left.
int paethPredictor(int left, int above, int upperLeft) {
    const int p = left + above - upperLeft;
    const int pa = std::abs(p - left);
    const int pb = std::abs(p - above);
    const int pc = std::abs(p - upperLeft);
    if (pa <= pb && pa <= pc) return left;
    if (pb <= pc) return above;
    return upperLeft;
}

struct Neighbours {
    int x, left, above, upperLeft;
};

Neighbours neighboursAt(const FilterRow& row, std::size_t i) {
    const std::size_t n = static_cast<std::size_t>(row.channels);
    const bool hasLeft = i >= n;
    return {row.pixels[i], hasLeft ? row.pixels[i - n] : 0, row.above ? row.above[i] : 0,
            row.above && hasLeft ? row.above[i - n] : 0};
}

uint8_t filteredByte(int filter, const Neighbours& p) {
    int prediction = 0;
    switch (filter) {
        case 1:
            prediction = p.left;
            break;
        case 2:
            prediction = p.above;
            break;
        case 3:
            prediction = (p.left + p.above) >> 1;
            break;
        case 4:
            prediction = paethPredictor(p.left, p.above, p.upperLeft);
            break;
        default:
            break;
    }
    return static_cast<uint8_t>(p.x - prediction);
}

int absSigned(uint8_t v) {
    return std::abs(static_cast<int8_t>(v));
}

}  // namespace

void addScalarSums(const FilterRow& row, std::size_t begin, std::size_t end, FilterSums& sums) {
    for (std::size_t i = begin; i < end; ++i) {
        const Neighbours p = neighboursAt(row, i);
        for (int f = 0; f < kFilterCount; ++f) sums.sum[f] += absSigned(filteredByte(f, p));
    }
}

void writeScalarFiltered(const FilterRow& row, int filter, std::size_t begin, std::size_t end,
                         uint8_t* out) {
    for (std::size_t i = begin; i < end; ++i) out[i] = filteredByte(filter, neighboursAt(row, i));
}

int cheapestFilter(const FilterSums& sums) {
    int best = 0;
    for (int f = 1; f < kFilterCount; ++f) {
        if (sums.sum[f] < sums.sum[best]) best = f;
    }
    return best;
}

void filterRowPortable(const FilterRow& row, uint8_t* out) {
    FilterSums sums;
    addScalarSums(row, 0, row.bytes, sums);
    const int filter = cheapestFilter(sums);
    out[0] = static_cast<uint8_t>(filter);
    writeScalarFiltered(row, filter, 0, row.bytes, out + 1);
}

#if defined(__SSE2__)

namespace {

constexpr std::size_t kSse2Width = 16;

__m128i load16(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

struct Lanes16 {
    __m128i x, left, above, upperLeft;
};

// Bytes i.. of the row; i >= channels, so the left bytes lie inside the row.
template <bool kHasAbove>
Lanes16 lanesAt(const FilterRow& row, std::size_t i) {
    const std::size_t n = static_cast<std::size_t>(row.channels);
    Lanes16 l{load16(row.pixels + i), load16(row.pixels + i - n), _mm_setzero_si128(),
              _mm_setzero_si128()};
    if constexpr (kHasAbove) {
        l.above = load16(row.above + i);
        l.upperLeft = load16(row.above + i - n);
    }
    return l;
}

__m128i absDiff16(__m128i a, __m128i b) {
    return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a));
}

__m128i lessEqual16(__m128i a, __m128i b) {  // unsigned, 0xFF where a <= b
    return _mm_cmpeq_epi8(_mm_subs_epu8(a, b), _mm_setzero_si128());
}

__m128i select16(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// (left + above) >> 1 without leaving bytes: avg rounds up, so take back the
// carried-in half where the sum is odd.
__m128i averagePrediction16(const Lanes16& l) {
    const __m128i odd = _mm_and_si128(_mm_xor_si128(l.left, l.above), _mm_set1_epi8(1));
    return _mm_sub_epi8(_mm_avg_epu8(l.left, l.above), odd);
}

// Paeth in bytes: pa = |above - upperLeft|, pb = |left - upperLeft| and
// pc = |(above - upperLeft) + (left - upperLeft)|, which is pa + pb when both
// differences have the same sign and |pa - pb| otherwise. pc meets only pa and
// pb (both <= 255) in comparisons, so saturating it at 255 changes no outcome.
__m128i paethPrediction16(const Lanes16& l) {
    const __m128i pa = absDiff16(l.above, l.upperLeft);
    const __m128i pb = absDiff16(l.left, l.upperLeft);
    const __m128i opposite =
        _mm_xor_si128(lessEqual16(l.upperLeft, l.above), lessEqual16(l.upperLeft, l.left));
    const __m128i pc = select16(opposite, absDiff16(pa, pb), _mm_adds_epu8(pa, pb));
    const __m128i pickLeft = _mm_and_si128(lessEqual16(pa, pb), lessEqual16(pa, pc));
    const __m128i pickAbove = lessEqual16(pb, pc);
    return select16(pickLeft, l.left, select16(pickAbove, l.above, l.upperLeft));
}

__m128i filtered16(int filter, const Lanes16& l) {
    switch (filter) {
        case 1:
            return _mm_sub_epi8(l.x, l.left);
        case 2:
            return _mm_sub_epi8(l.x, l.above);
        case 3:
            return _mm_sub_epi8(l.x, averagePrediction16(l));
        case 4:
            return _mm_sub_epi8(l.x, paethPrediction16(l));
        default:
            return l.x;
    }
}

// |v| of each byte read as signed; -128 gives 128 as an unsigned byte.
__m128i absSigned16(__m128i v) {
    return _mm_min_epu8(v, _mm_sub_epi8(_mm_setzero_si128(), v));
}

void accumulate16(__m128i filtered, __m128i keep, __m128i& acc) {
    const __m128i magnitude = _mm_and_si128(absSigned16(filtered), keep);
    acc = _mm_add_epi64(acc, _mm_sad_epu8(magnitude, _mm_setzero_si128()));
}

void accumulateAll16(const Lanes16& l, __m128i keep, __m128i (&acc)[kFilterCount]) {
    for (int f = 0; f < kFilterCount; ++f) accumulate16(filtered16(f, l), keep, acc[f]);
}

// Bytes [channels, bytes) of a row at least channels + 16 bytes long.
template <bool kHasAbove>
void addVectorSums16(const FilterRow& row, FilterSums& sums) {
    __m128i acc[kFilterCount];
    for (__m128i& a : acc) a = _mm_setzero_si128();
    const __m128i all = _mm_set1_epi8(-1);
    std::size_t i = static_cast<std::size_t>(row.channels);
    for (; i + kSse2Width <= row.bytes; i += kSse2Width) {
        accumulateAll16(lanesAt<kHasAbove>(row, i), all, acc);
    }
    if (i < row.bytes) {
        const std::size_t fresh = row.bytes - i;
        const __m128i keep = load16(kTailMask + 32 - kSse2Width + fresh);
        accumulateAll16(lanesAt<kHasAbove>(row, row.bytes - kSse2Width), keep, acc);
    }
    for (int f = 0; f < kFilterCount; ++f) {
        alignas(16) int64_t halves[2];
        _mm_store_si128(reinterpret_cast<__m128i*>(halves), acc[f]);
        sums.sum[f] += halves[0] + halves[1];
    }
}

// The last vector overlaps the one before it and rewrites the same bytes.
template <bool kHasAbove>
void storeFiltered16(const FilterRow& row, int filter, std::size_t i, uint8_t* out) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                     filtered16(filter, lanesAt<kHasAbove>(row, i)));
}

template <bool kHasAbove>
void writeVectorFiltered16(const FilterRow& row, int filter, uint8_t* out) {
    std::size_t i = static_cast<std::size_t>(row.channels);
    for (; i + kSse2Width <= row.bytes; i += kSse2Width)
        storeFiltered16<kHasAbove>(row, filter, i, out);
    if (i < row.bytes) storeFiltered16<kHasAbove>(row, filter, row.bytes - kSse2Width, out);
}

template <bool kHasAbove>
void filterRowSse2With(const FilterRow& row, uint8_t* out) {
    const std::size_t n = static_cast<std::size_t>(row.channels);
    const bool vectors = row.bytes >= n + kSse2Width;
    const std::size_t head = vectors ? n : row.bytes;
    FilterSums sums;
    addScalarSums(row, 0, head, sums);
    if (vectors) addVectorSums16<kHasAbove>(row, sums);
    const int filter = cheapestFilter(sums);
    out[0] = static_cast<uint8_t>(filter);
    writeScalarFiltered(row, filter, 0, head, out + 1);
    if (vectors) writeVectorFiltered16<kHasAbove>(row, filter, out + 1);
}

}  // namespace

void filterRowSse2(const FilterRow& row, uint8_t* out) {
    if (row.above) {
        filterRowSse2With<true>(row, out);
    } else {
        filterRowSse2With<false>(row, out);
    }
}

#endif  // __SSE2__

namespace {

using RowFilter = void (*)(const FilterRow&, uint8_t*);

// A forced kernel the processor or the build lacks gives way to the widest
// one there is, so no path can reach an instruction the processor lacks.
RowFilter rowFilterFor(FilterPath path) {
#if defined(__x86_64__)
    if ((path == FilterPath::automatic || path == FilterPath::avx2) && avx2Available()) {
        return filterRowAvx2;
    }
#endif
#if defined(__SSE2__)
    if (path != FilterPath::portable) return filterRowSse2;
#endif
    return filterRowPortable;
}

}  // namespace

void filterImage(const uint8_t* pixels, int width, int height, int channels, int stride,
                 uint8_t* out, FilterPath path) {
    const RowFilter filterRow = rowFilterFor(path);
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    const std::ptrdiff_t step = stride;
    for (int y = 0; y < height; ++y) {
        const uint8_t* rowPixels = pixels + y * step;
        const FilterRow row{rowPixels, y > 0 ? rowPixels - step : nullptr, bytes, channels};
        filterRow(row, out + static_cast<std::size_t>(y) * (bytes + 1));
    }
}

}  // namespace proctex
