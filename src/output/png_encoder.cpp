#include "output/png_encoder.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "output/png_filters.h"
#include "output/zlib_stream.h"

namespace proctex {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Colour types by channel count: grey, grey + alpha, RGB, RGBA.
constexpr uint8_t kColorType[5] = {0, 0, 4, 2, 6};
constexpr std::size_t kChunkOverhead = 12;  // length, tag, CRC
constexpr std::size_t kHeaderBytes = 13;
// Filtered bytes whose stream, at 9 bits a byte at worst, still fits one chunk.
constexpr std::size_t kLargestFilteredImage = (std::size_t{0x7FFFFFFF} - 64) / 9 * 8;

uint8_t* putBigEndian(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v >> 24);
    out[1] = uint8_t(v >> 16);
    out[2] = uint8_t(v >> 8);
    out[3] = uint8_t(v);
    return out + 4;
}

// Closes a chunk whose tag and data lie at `tag`: the CRC covers both.
uint8_t* putChunkCrc(uint8_t* tag, std::size_t dataLength) {
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), tag, uInt(dataLength + 4));
    return putBigEndian(tag + 4 + dataLength, uint32_t(crc));
}

uint8_t* putHeaderChunk(uint8_t* out, int width, int height, int channels) {
    out = putBigEndian(out, kHeaderBytes);
    uint8_t* tag = out;
    std::memcpy(out, "IHDR", 4);
    out = putBigEndian(out + 4, uint32_t(width));
    out = putBigEndian(out, uint32_t(height));
    *out++ = 8;  // bits per channel
    *out++ = kColorType[channels];
    *out++ = 0;  // deflate
    *out++ = 0;  // adaptive filters
    *out++ = 0;  // not interlaced
    return putChunkCrc(tag, kHeaderBytes);
}

uint8_t* putEndChunk(uint8_t* out) {
    out = putBigEndian(out, 0);
    std::memcpy(out, "IEND", 4);
    return putChunkCrc(out, 0);
}

}  // namespace

uint8_t* encodePngOwn(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                      std::size_t* length) {
    try {
        const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
        const std::size_t filteredBytes = rowBytes * std::size_t(height);
        // The compressor counts positions in int, as stb's does (which
        // overflows there), and a PNG chunk holds at most 2^31 - 1 bytes: an
        // image beyond that is refused like one that does not fit in memory,
        // rather than written wrong.
        if (filteredBytes > kLargestFilteredImage) return nullptr;
        const std::unique_ptr<uint8_t[]> filtered(new uint8_t[filteredBytes]);
        filterImage(pixels, width, height, channels, strideBytes, filtered.get());

        const std::size_t bound = sizeof kSignature + kChunkOverhead + kHeaderBytes +
                                  kChunkOverhead + zlibStreamBound(filteredBytes) + kChunkOverhead;
        auto* png = static_cast<uint8_t*>(std::malloc(bound));
        if (png == nullptr) return nullptr;
        uint8_t* out = png;
        std::memcpy(out, kSignature, sizeof kSignature);
        out = putHeaderChunk(out + sizeof kSignature, width, height, channels);
        uint8_t* tag = out + 4;
        std::memcpy(tag, "IDAT", 4);
        const std::size_t zlibBytes = writeZlibStream(filtered.get(), filteredBytes, tag + 4);
        putBigEndian(out, uint32_t(zlibBytes));
        out = putEndChunk(putChunkCrc(tag, zlibBytes));
        *length = std::size_t(out - png);
        // Give back what the bound reserved beyond the file.
        if (void* shrunk = std::realloc(png, *length)) png = static_cast<uint8_t*>(shrunk);
        return png;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace proctex
