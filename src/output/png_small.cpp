#include "output/png_small.h"

#ifdef PROCTEX_HAVE_LIBDEFLATE

#include <libdeflate.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "output/png_chunks.h"
#include "output/png_filters.h"

namespace proctex {

namespace {

// Measured on every preset map at 1024 x 1024 (filterImage's rows): level 10
// made files within 0.3% of level 12, the strongest, in two thirds of its
// time; level 6 was 7 times faster than 10 but 6% larger.
constexpr int kLevel = 10;
// The quick level that judges the candidate filterings: it picks nearly the
// same one as level 6 would, for a fraction of the time.
constexpr int kTrialLevel = 1;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Every row with the same PNG filter `type` (0 none, 1 sub, 2 up, 3 average,
// 4 Paeth), laid out as filterImage lays out its rows.
void filterUniform(const uint8_t* pixels, int width, int height, int channels, int stride, int type,
                   uint8_t* out) {
    const std::size_t rowBytes = std::size_t(width) * std::size_t(channels);
    const std::size_t bpp = std::size_t(channels);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels + std::size_t(y) * std::size_t(stride);
        const uint8_t* up = y > 0 ? row - stride : nullptr;
        *out++ = uint8_t(type);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= bpp ? up[i - bpp] : 0;
            const int predicted = type == 1   ? a
                                  : type == 2 ? b
                                  : type == 3 ? (a + b) / 2
                                  : type == 4 ? paeth(a, b, c)
                                              : 0;
            out[i] = uint8_t(row[i] - predicted);
        }
        out += rowBytes;
    }
}

// Leaves in `best` the filtering of the image that compresses smallest at the
// trial level: the per-row choice of filterImage (which suits fixed Huffman
// codes) or one of the five filters on every row, which dynamic codes often
// reward. Each is tried at the quick level, its output cut off as soon as it
// is no smaller than the best so far; the scratch buffers hold `filteredBytes`
// and `trialBytes` bytes.
void chooseFiltering(const uint8_t* pixels, int width, int height, int channels, int stride,
                     std::size_t filteredBytes, std::unique_ptr<uint8_t[]>& best,
                     std::unique_ptr<uint8_t[]>& candidate, uint8_t* trial,
                     std::size_t trialBytes) {
    filterImage(pixels, width, height, channels, stride, best.get());
    const Compressor quick(libdeflate_alloc_compressor(kTrialLevel));
    if (!quick) throw std::bad_alloc();
    std::size_t bestSize =
        libdeflate_zlib_compress(quick.get(), best.get(), filteredBytes, trial, trialBytes);
    for (int type = 0; type <= 4; ++type) {
        filterUniform(pixels, width, height, channels, stride, type, candidate.get());
        // Zero when it does not fit, that is when it is no smaller.
        const std::size_t size = libdeflate_zlib_compress(quick.get(), candidate.get(),
                                                          filteredBytes, trial, bestSize - 1);
        if (size != 0) {
            bestSize = size;
            best.swap(candidate);
        }
    }
}

}  // namespace

bool smallPngAvailable() {
    return true;
}

EncodedBytes encodePngSmall(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes) {
    try {
        const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
        const std::size_t filteredBytes = rowBytes * std::size_t(height);
        std::unique_ptr<uint8_t[]> filtered(new uint8_t[filteredBytes]);
        std::unique_ptr<uint8_t[]> candidate(new uint8_t[filteredBytes]);
        const Compressor compressor(libdeflate_alloc_compressor(kLevel));
        if (!compressor) return {};
        // The bound holds for every level; the trials write where the stream goes.
        const std::size_t zlibBound = libdeflate_zlib_compress_bound(nullptr, filteredBytes);
        EncodedBytes png = EncodedBytes::allocate(kPngFileOverhead + zlibBound);
        if (png.empty()) return png;
        chooseFiltering(pixels, width, height, channels, strideBytes, filteredBytes, filtered,
                        candidate, png.data() + kPngStreamOffset, zlibBound);

        // Within the bound the compressor always succeeds.
        png.shrinkTo(
            assemblePng(png.data(), width, height, 8, pngColorType(channels), [&](uint8_t* at) {
                return libdeflate_zlib_compress(compressor.get(), filtered.get(), filteredBytes, at,
                                                zlibBound);
            }));
        return png;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

}  // namespace proctex

#else  // no libdeflate

#include "output/png_encoder.h"

namespace proctex {

bool smallPngAvailable() {
    return false;
}

EncodedBytes encodePngSmall(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes) {
    return encodePngOwn(pixels, width, height, channels, strideBytes);
}

}  // namespace proctex

#endif
