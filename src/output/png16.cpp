#include "output/png16.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "core/field_ops.h"
#include "core/numeric.h"
#include "output/png_filters.h"
#include "output/zlib_stream.h"

namespace proctex {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr int kBytesPerPixel = 2;

void appendBigEndian(std::vector<uint8_t>& out, uint32_t v) {
    const uint8_t bytes[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    out.insert(out.end(), bytes, bytes + 4);
}

// Length, tag, data and the CRC of tag and data.
void appendChunk(std::vector<uint8_t>& out, const char* tag, const uint8_t* data,
                 std::size_t length) {
    appendBigEndian(out, static_cast<uint32_t>(length));
    const std::size_t tagAt = out.size();
    out.insert(out.end(), tag, tag + 4);
    if (length > 0) out.insert(out.end(), data, data + length);
    const uLong crc =
        crc32(crc32(0L, Z_NULL, 0), out.data() + tagAt, static_cast<uInt>(length + 4));
    appendBigEndian(out, static_cast<uint32_t>(crc));
}

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

std::vector<uint8_t> encodeGrey16Png(const uint16_t* values, int width, int height) {
    if (width <= 0 || height <= 0) return {};
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
    std::vector<uint8_t> compressed(zlibStreamBound(filtered.size()));
    const std::size_t compressedLength =
        writeZlibStream(filtered.data(), filtered.size(), compressed.data());

    uint8_t header[13];
    const uint32_t w = static_cast<uint32_t>(width);
    const uint32_t h = static_cast<uint32_t>(height);
    const uint8_t dims[8] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                             uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h)};
    std::memcpy(header, dims, sizeof dims);
    header[8] = 16;  // bits per sample
    header[9] = 0;   // greyscale
    header[10] = 0;  // deflate
    header[11] = 0;  // adaptive filters
    header[12] = 0;  // not interlaced

    std::vector<uint8_t> png(kSignature, kSignature + sizeof kSignature);
    png.reserve(sizeof kSignature + 3 * 12 + sizeof header + compressedLength);
    appendChunk(png, "IHDR", header, sizeof header);
    appendChunk(png, "IDAT", compressed.data(), compressedLength);
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace proctex
