// The chunks around a PNG file's compressed data: signature, header, one
// data chunk and the end, with their lengths and CRCs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace proctex {

// Bytes of a file beyond its zlib stream: signature, header chunk, and the
// length, tag and CRC of the data and end chunks.
constexpr std::size_t kPngFileOverhead = 8 + 25 + 12 + 12;
// Where assemblePng puts the zlib stream in the file.
constexpr std::size_t kPngStreamOffset = 8 + 25 + 8;

// Colour type by channel count: grey, grey + alpha, RGB, RGBA.
uint8_t pngColorType(int channels);

// Writes a whole file into `out` (at least kPngFileOverhead bytes more than
// the stream can take) and returns its size. `writeStream(at)` writes the
// zlib stream at `at` and returns its length.
template <typename WriteStream>
std::size_t assemblePng(uint8_t* out, int width, int height, int bitDepth, uint8_t colorType,
                        WriteStream writeStream);

// The pieces, for the template above.
uint8_t* putSignatureAndHeader(uint8_t* out, int width, int height, int bitDepth,
                               uint8_t colorType);
// Where the data of the chunk that starts at `chunk` goes.
inline uint8_t* chunkData(uint8_t* chunk) {
    return chunk + 8;
}
// Puts the length, `tag` and CRC around the dataLength bytes already at
// chunkData(chunk); returns the end of the chunk.
uint8_t* closeChunk(uint8_t* chunk, const char* tag, std::size_t dataLength);

template <typename WriteStream>
std::size_t assemblePng(uint8_t* out, int width, int height, int bitDepth, uint8_t colorType,
                        WriteStream writeStream) {
    uint8_t* chunk = putSignatureAndHeader(out, width, height, bitDepth, colorType);
    chunk = closeChunk(chunk, "IDAT", writeStream(chunkData(chunk)));
    return std::size_t(closeChunk(chunk, "IEND", 0) - out);
}

}  // namespace proctex
