#include "output/png16.h"

#include <cstring>
#include <new>
#include <vector>

#include "core/field_ops.h"
#include "core/numeric.h"
#include "output/png_chunks.h"
#include "output/png_filters.h"
#include "output/zlib_stream.h"

namespace proctex {

namespace {

constexpr int kBytesPerPixel = 2;

}  // namespace

std::vector<uint16_t> heightTo16Bit(const FloatField& heights) {
    std::vector<uint16_t> values(heights.size());
    for (std::size_t i = 0; i < heights.size(); ++i) {
        const float v = heights[i];
        // clamp lets NaN through; it becomes 0 like the 8-bit maps' NaN.
        if (v != v) continue;
        values[i] = static_cast<uint16_t>(truncToInt32(clamp(v, 0.0f, 1.0f) * 65535.0f + 0.5f));
    }
    return values;
}

EncodedBytes encodeGrey16Png(const uint16_t* values, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    try {
        const std::size_t count = fieldSize(width, height);
        std::vector<uint8_t> samples(count * kBytesPerPixel);
        for (std::size_t i = 0; i < count; ++i) {
            samples[2 * i] = static_cast<uint8_t>(values[i] >> 8);
            samples[2 * i + 1] = static_cast<uint8_t>(values[i] & 0xFF);
        }
        // A 16-bit grey row filters like an 8-bit row of two channels: the byte
        // "to the left" is the same byte of the previous sample either way.
        const int rowBytes = width * kBytesPerPixel;
        std::vector<uint8_t> filtered((static_cast<std::size_t>(rowBytes) + 1) *
                                      static_cast<std::size_t>(height));
        filterImage(samples.data(), width, height, kBytesPerPixel, rowBytes, filtered.data());

        // Our own deflate stream, so the bytes are the same on every platform
        // whatever zlib version is installed.
        EncodedBytes png =
            EncodedBytes::allocate(kPngFileOverhead + zlibStreamBound(filtered.size()));
        if (png.empty()) return png;
        png.shrinkTo(assemblePng(png.data(), width, height, 16, pngColorType(1), [&](uint8_t* at) {
            return writeZlibStream(filtered.data(), filtered.size(), at);
        }));
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace proctex
