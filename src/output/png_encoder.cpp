#include "output/png_encoder.h"

#include <cstdlib>
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

        auto* png =
            static_cast<uint8_t*>(std::malloc(kPngFileOverhead + zlibStreamBound(filteredBytes)));
        if (png == nullptr) return nullptr;
        *length = assemblePng(png, width, height, 8, pngColorType(channels), [&](uint8_t* at) {
            return writeZlibStream(filtered.get(), filteredBytes, at);
        });
        // Give back what the bound reserved beyond the file.
        if (void* shrunk = std::realloc(png, *length)) png = static_cast<uint8_t*>(shrunk);
        return png;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace proctex
