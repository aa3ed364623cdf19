// Storing four colours computed lane by lane (SSE2, part of every x86-64) into
// a ColorField, whose elements are packed r, g, b floats.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstddef>

#include "core/field.h"

namespace proctex {

static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");

// Writes the colours (r[k], g[k], b[k]), k = 0..3, to out[0..3]. The stores go
// through byte addresses with unaligned vector stores.
inline void storeRgbLanes(Color3* out, __m128 r, __m128 g, __m128 b) {
    // (r0 g0 r1 g1), (r2 g2 r3 g3) -> (r0 g0 b0 r1), (g1 b1 r2 g2), (b2 r3 g3 b3)
    const __m128 rgLow = _mm_unpacklo_ps(r, g);
    const __m128 rgHigh = _mm_unpackhi_ps(r, g);
    const __m128 b0r1 = _mm_shuffle_ps(b, rgLow, _MM_SHUFFLE(2, 2, 0, 0));
    const __m128 g1b1 = _mm_shuffle_ps(rgLow, b, _MM_SHUFFLE(1, 1, 3, 3));
    const __m128 b2r3 = _mm_shuffle_ps(b, rgHigh, _MM_SHUFFLE(2, 2, 2, 2));
    const __m128 g3b3 = _mm_shuffle_ps(rgHigh, b, _MM_SHUFFLE(3, 3, 3, 3));
    unsigned char* at = reinterpret_cast<unsigned char*>(out);
    _mm_storeu_ps(reinterpret_cast<float*>(at),
                  _mm_shuffle_ps(rgLow, b0r1, _MM_SHUFFLE(2, 0, 1, 0)));
    _mm_storeu_ps(reinterpret_cast<float*>(at + 16),
                  _mm_shuffle_ps(g1b1, rgHigh, _MM_SHUFFLE(1, 0, 2, 0)));
    _mm_storeu_ps(reinterpret_cast<float*>(at + 32),
                  _mm_shuffle_ps(b2r3, g3b3, _MM_SHUFFLE(2, 0, 2, 0)));
}

// clamp(v, 0, 1) lane by lane with clamp's own rule: NaN passes unchanged.
inline __m128 clampUnitLanes(__m128 v) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 below = _mm_cmplt_ps(v, zero);
    v = _mm_andnot_ps(below, v);  // zero where below
    const __m128 above = _mm_cmpgt_ps(v, one);
    return _mm_or_ps(_mm_andnot_ps(above, v), _mm_and_ps(above, one));
}

}  // namespace proctex

#endif
