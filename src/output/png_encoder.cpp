#include "output/png_encoder.h"

#include <cstring>
#include <memory>
#include <new>

#include "output/png_chunks.h"
#include "output/png_filters.h"
#include "output/zlib_stream.h"

namespace proctex {

namespace {

// Filtered bytes whose stream, at 9 bits a byte at worst, still fits one chunk.
constexpr std::size_t kLargestFilteredImage = (std::size_t{0x7FFFFFFF} - 64) / 9 * 8;

}  // namespace

EncodedBytes encodePngOwn(const uint8_t* pixels, int width, int height, int channels,
                          int strideBytes) {
    try {
        const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
        const std::size_t filteredBytes = rowBytes * std::size_t(height);
        // The compressor counts positions in int, as stb's does (which
        // overflows there), and a PNG chunk holds at most 2^31 - 1 bytes: an
        // image beyond that is refused like one that does not fit in memory,
        // rather than written wrong.
        if (filteredBytes > kLargestFilteredImage) return {};
        const std::unique_ptr<uint8_t[]> filtered(new uint8_t[filteredBytes]);
        filterImage(pixels, width, height, channels, strideBytes, filtered.get());

        EncodedBytes png =
            EncodedBytes::allocate(kPngFileOverhead + zlibStreamBound(filteredBytes));
        if (png.empty()) return png;
        // Give back what the bound reserved beyond the file.
        png.shrinkTo(assemblePng(
            png.data(), width, height, 8, pngColorType(channels),
            [&](uint8_t* at) { return writeZlibStream(filtered.get(), filteredBytes, at); }));
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace proctex
