#include "output/png_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/field_ops.h"
#include "core/numeric.h"
#include "output/file_output.h"
#include "output/png_encoder.h"

// stb only encodes here; file_output.cpp creates the files.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace proctex {

bool writePngFile(const std::string& path, int width, int height, int channels,
                  const uint8_t* pixels, int strideBytes) {
    std::size_t length = 0;
    uint8_t* png = encodePngBytes(pixels, width, height, channels, strideBytes, &length);
    if (png == nullptr) return false;
    const bool written = writeFileBytes(path, png, length);
    freePngBytes(png);
    return written;
}

uint8_t* encodePngBytes(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                        std::size_t* length) {
#if defined(PROCTEX_STB_PNG_ENCODER)
    int size = 0;
    uint8_t* png = stbi_write_png_to_mem(pixels, strideBytes, width, height, channels, &size);
    *length = png != nullptr ? static_cast<std::size_t>(size) : 0;
    return png;
#else
    return encodePngOwn(pixels, width, height, channels, strideBytes, length);
#endif
}

void freePngBytes(void* bytes) {
    STBIW_FREE(bytes);
}

uint8_t quantize(float v) {
    const float t = clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(static_cast<uint32_t>(truncToInt32(t * 255.0f)) & 0xFFu);
}

namespace {

// count consecutive floats starting at `floats` (a float field, or the packed
// r, g, b members of a colour field, read through byte addresses).
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

}  // namespace

void quantizeRow(const float* values, std::size_t count, uint8_t* bytes) {
    quantizeFloats(reinterpret_cast<const unsigned char*>(values), count, bytes);
}

void quantizeColors(const ColorField& colors, uint8_t* bytes) {
    static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");
    quantizeFloats(reinterpret_cast<const unsigned char*>(colors.data()), colors.size() * 3, bytes);
}

bool writeColorPNG(const ColorField& colors, int width, int height, const std::string& path) {
    static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");
    const std::size_t count = fieldSize(width, height) * 3;
    const std::unique_ptr<uint8_t[]> imageData(new uint8_t[count]);
    // r, g, b of every pixel lie one after the other, in the order of the bytes.
    const std::size_t filled = std::min(count, colors.size() * 3);
    quantizeFloats(reinterpret_cast<const unsigned char*>(colors.data()), filled, imageData.get());
    std::fill(imageData.get() + filled, imageData.get() + count, uint8_t{0});
    return writePngFile(path, width, height, 3, imageData.get(), width * 3);
}

bool writeGrayPNG(const FloatField& values, int width, int height, const std::string& path) {
    const std::size_t count = fieldSize(width, height);
    const std::unique_ptr<uint8_t[]> imageData(new uint8_t[count]);
    const std::size_t filled = std::min(count, values.size());
    quantizeRow(values.data(), filled, imageData.get());
    std::fill(imageData.get() + filled, imageData.get() + count, uint8_t{0});
    return writePngFile(path, width, height, 1, imageData.get(), width);
}

}  // namespace proctex
