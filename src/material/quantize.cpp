#include "material/quantize.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/field_ops.h"
#include "core/numeric.h"

namespace proctex {

uint8_t quantize(float v) {
    const float t = clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(static_cast<uint32_t>(truncToInt32(t * 255.0f)) & 0xFFu);
}

void quantizeFloats(const unsigned char* floats, std::size_t count, uint8_t* bytes) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen at a time. max(v, 0) then min(., 1) differs from clamp only for
    // NaN (which becomes 0 instead of staying NaN) and -0 (which becomes +0);
    // both end as byte 0, as they do through quantize. cvttps2dq truncates
    // like truncToInt32, and the results lie in 0..255, so the saturating
    // packs keep them unchanged.
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 full = _mm_set1_ps(255.0f);
    auto toInts = [&](const unsigned char* at) {
        const float* p = reinterpret_cast<const float*>(at);
        const __m128 t = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(p), zero), one);  // may alias
        return _mm_cvttps_epi32(_mm_mul_ps(t, full));
    };
    for (; i + 16 <= count; i += 16) {
        const unsigned char* at = floats + i * sizeof(float);
        const __m128i low = _mm_packs_epi32(toInts(at), toInts(at + 16));
        const __m128i high = _mm_packs_epi32(toInts(at + 32), toInts(at + 48));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes + i), _mm_packus_epi16(low, high));
    }
#endif
    for (; i < count; ++i) {
        float v;
        std::memcpy(&v, floats + i * sizeof(float), sizeof v);
        bytes[i] = quantize(v);
    }
}

void quantizeRow(const float* values, std::size_t count, uint8_t* bytes) {
    quantizeFloats(reinterpret_cast<const unsigned char*>(values), count, bytes);
}

void quantizeColors(const ColorField& colors, uint8_t* bytes) {
    static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");
    quantizeFloats(reinterpret_cast<const unsigned char*>(colors.data()), colors.size() * 3, bytes);
}

}  // namespace proctex
