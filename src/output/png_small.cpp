#include "output/png_small.h"

#include "output/png_encoder.h"

#ifdef PROCTEX_HAVE_LIBDEFLATE

#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "output/png_filters.h"

namespace proctex {

namespace {

// libdeflate's strongest level; its lower ones lose a few percent of size
// on our maps for less than half the time (bench/bench_png.cpp measures).
constexpr int kLevel = 12;

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
// Colour types by channel count: grey, grey + alpha, RGB, RGBA.
constexpr uint8_t kColorType[5] = {0, 0, 4, 2, 6};
constexpr std::size_t kChunkOverhead = 12;  // length, tag, CRC
constexpr std::size_t kHeaderBytes = 13;

uint8_t* putBigEndian(uint8_t* out, uint32_t v) {
    out[0] = uint8_t(v >> 24);
    out[1] = uint8_t(v >> 16);
    out[2] = uint8_t(v >> 8);
    out[3] = uint8_t(v);
    return out + 4;
}

// Closes a chunk whose tag and data lie at `tag`: the CRC covers both.
uint8_t* putChunkCrc(uint8_t* tag, std::size_t dataLength) {
    return putBigEndian(tag + 4 + dataLength, libdeflate_crc32(0, tag, dataLength + 4));
}

// A chunk of `dataLength` bytes whose tag and data are already at out + 4.
uint8_t* closeChunk(uint8_t* out, std::size_t dataLength) {
    putBigEndian(out, uint32_t(dataLength));
    return putChunkCrc(out + 4, dataLength);
}

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

}  // namespace

bool smallPngAvailable() {
    return true;
}

uint8_t* encodePngSmall(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                        std::size_t* length) {
    try {
        const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
        const std::size_t filteredBytes = rowBytes * std::size_t(height);
        const std::unique_ptr<uint8_t[]> filtered(new uint8_t[filteredBytes]);
        filterImage(pixels, width, height, channels, strideBytes, filtered.get());

        const std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor(
            libdeflate_alloc_compressor(kLevel));
        if (!compressor) return nullptr;
        const std::size_t zlibBound =
            libdeflate_zlib_compress_bound(compressor.get(), filteredBytes);
        const std::size_t bound = sizeof kSignature + kChunkOverhead + kHeaderBytes +
                                  kChunkOverhead + zlibBound + kChunkOverhead;
        auto* png = static_cast<uint8_t*>(std::malloc(bound));
        if (png == nullptr) return nullptr;

        uint8_t* out = png;
        std::memcpy(out, kSignature, sizeof kSignature);
        out += sizeof kSignature;
        uint8_t* data = out + 8;
        std::memcpy(out + 4, "IHDR", 4);
        data = putBigEndian(data, uint32_t(width));
        data = putBigEndian(data, uint32_t(height));
        *data++ = 8;  // bits per channel
        *data++ = kColorType[channels];
        *data++ = 0;  // deflate
        *data++ = 0;  // adaptive filters
        *data++ = 0;  // not interlaced
        out = closeChunk(out, kHeaderBytes);

        std::memcpy(out + 4, "IDAT", 4);
        const std::size_t zlibBytes = libdeflate_zlib_compress(compressor.get(), filtered.get(),
                                                               filteredBytes, out + 8, zlibBound);
        // Within the bound the compressor always succeeds.
        out = closeChunk(out, zlibBytes);

        std::memcpy(out + 4, "IEND", 4);
        out = closeChunk(out, 0);
        *length = std::size_t(out - png);
        if (void* shrunk = std::realloc(png, *length)) png = static_cast<uint8_t*>(shrunk);
        return png;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace proctex

#else  // no libdeflate

namespace proctex {

bool smallPngAvailable() {
    return false;
}

uint8_t* encodePngSmall(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                        std::size_t* length) {
    return encodePngOwn(pixels, width, height, channels, strideBytes, length);
}

}  // namespace proctex

#endif
