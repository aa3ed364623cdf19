#include "output/png_chunks.h"

#include <zlib.h>

#include <cstring>

namespace proctex {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::size_t kHeaderBytes = 13;

uint8_t* putBigEndian(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v >> 24);
    out[1] = uint8_t(v >> 16);
    out[2] = uint8_t(v >> 8);
    out[3] = uint8_t(v);
    return out + 4;
}

}  // namespace

uint8_t pngColorType(int channels) {
    static constexpr uint8_t kColorType[5] = {0, 0, 4, 2, 6};
    return kColorType[channels];
}

uint8_t* putSignatureAndHeader(uint8_t* out, int width, int height, int bitDepth,
                               uint8_t colorType) {
    std::memcpy(out, kSignature, sizeof kSignature);
    uint8_t* chunk = out + sizeof kSignature;
    uint8_t* data = putBigEndian(chunkData(chunk), uint32_t(width));
    data = putBigEndian(data, uint32_t(height));
    *data++ = uint8_t(bitDepth);
    *data++ = colorType;
    *data++ = 0;  // deflate
    *data++ = 0;  // adaptive filters
    *data = 0;    // not interlaced
    return closeChunk(chunk, "IHDR", kHeaderBytes);
}

uint8_t* closeChunk(uint8_t* chunk, const char* tag, std::size_t dataLength) {
    putBigEndian(chunk, uint32_t(dataLength));
    std::memcpy(chunk + 4, tag, 4);
    // The CRC covers the tag and the data.
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), chunk + 4, uInt(dataLength + 4));
    return putBigEndian(chunkData(chunk) + dataLength, uint32_t(crc));
}

}  // namespace proctex
