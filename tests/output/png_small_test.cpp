// The small PNG encoding: lossless for every channel count, shape and row
// stride and every way of filtering, well-formed chunks around the libdeflate
// stream, and smaller than the default encoding on real maps.
#include "output/png_small.h"

#include <gtest/gtest.h>
#include <proctex.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "output/png_encoder.h"
#include "stb_image_static.h"

namespace proctex {
namespace {

using Encoder = EncodedBytes (*)(const uint8_t*, int, int, int, int);

std::vector<uint8_t> encode(Encoder encoder, const uint8_t* pixels, int w, int h, int c,
                            int stride) {
    const EncodedBytes png = encoder(pixels, w, h, c, stride);
    EXPECT_FALSE(png.empty());
    return std::vector<uint8_t>(png.data(), png.data() + png.size());
}

uint32_t bigEndianAt(const std::vector<uint8_t>& b, std::size_t i) {
    return uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | b[i + 3];
}

// The chunk tags in file order, checking each chunk's CRC and that the
// chunks fill the file exactly.
std::string chunkTags(const std::vector<uint8_t>& png) {
    std::string tags;
    std::size_t at = 8;
    while (at + 12 <= png.size()) {
        const uint32_t length = bigEndianAt(png, at);
        if (length > png.size() - at - 12) break;
        const uLong crc = crc32(0L, png.data() + at + 4, uInt(length + 4));
        EXPECT_EQ(bigEndianAt(png, at + 8 + length), uint32_t(crc)) << "chunk at " << at;
        tags.append(reinterpret_cast<const char*>(png.data() + at + 4), 4).append(" ");
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size()) << "bytes after the last whole chunk";
    return tags;
}

// Decodes `png` with stb_image and compares it with the encoded pixels.
void expectDecodesTo(const std::vector<uint8_t>& png, const uint8_t* pixels, int w, int h, int c,
                     int stride, const std::string& what) {
    int dw = 0, dh = 0, dc = 0;
    stbi_uc* decoded = stbi_load_from_memory(png.data(), int(png.size()), &dw, &dh, &dc, 0);
    ASSERT_NE(decoded, nullptr) << what << ": " << stbi_failure_reason();
    bool same = dw == w && dh == h && dc == c;
    for (int y = 0; same && y < h; ++y) {
        same = std::equal(decoded + std::size_t(y) * std::size_t(w * c),
                          decoded + std::size_t(y + 1) * std::size_t(w * c),
                          pixels + std::ptrdiff_t(y) * stride);
    }
    stbi_image_free(decoded);
    EXPECT_TRUE(same) << what << ": decoded " << dw << "x" << dh << "x" << dc
                      << " differs from the input";
}

TEST(PngSmall, DecodesToTheInputForEveryChannelCountShapeAndStride) {
    if (!smallPngAvailable()) {
        GTEST_SKIP() << "built without libdeflate: the small encoding is the default one";
    }
    std::mt19937 rng(7);
    const std::pair<int, int> shapes[] = {{1, 1}, {5, 1}, {1, 6}, {7, 3}, {33, 17}, {129, 65}};
    for (const auto& [w, h] : shapes) {
        for (int c = 1; c <= 4; ++c) {
            for (int pad : {0, 3}) {
                const std::string what = std::to_string(w) + "x" + std::to_string(h) + "x" +
                                         std::to_string(c) + " pad " + std::to_string(pad);
                const int stride = w * c + pad;
                // A gradient with noise, so the rows take different filters.
                std::vector<uint8_t> pixels(std::size_t(stride) * std::size_t(h));
                for (std::size_t k = 0; k < pixels.size(); ++k) {
                    pixels[k] = uint8_t(k / 3 + (rng() % 9));
                }
                const std::vector<uint8_t> png =
                    encode(encodePngSmall, pixels.data(), w, h, c, stride);
                ASSERT_GT(png.size(), 33u) << what;
                EXPECT_EQ(chunkTags(png), "IHDR IDAT IEND ") << what;
                // Signature and header as the default encoder writes them.
                const std::vector<uint8_t> own =
                    encode(encodePngOwn, pixels.data(), w, h, c, stride);
                ASSERT_GT(own.size(), 33u) << what;
                EXPECT_TRUE(std::equal(png.begin(), png.begin() + 33, own.begin())) << what;

                expectDecodesTo(png, pixels.data(), w, h, c, stride, what);
            }
        }
    }
}

// The filter type of every row, from the inflated IDAT data.
std::string rowFilters(const std::vector<uint8_t>& png, int width, int height, int channels) {
    const std::size_t idat = 33;
    const uint32_t length = bigEndianAt(png, idat);
    const std::size_t rowBytes = std::size_t(width) * std::size_t(channels) + 1;
    std::vector<uint8_t> rows(rowBytes * std::size_t(height));
    uLongf size = uLongf(rows.size());
    EXPECT_EQ(uncompress(rows.data(), &size, png.data() + idat + 8, length), Z_OK);
    EXPECT_EQ(size, rows.size());
    std::string types;
    for (std::size_t at = 0; at < rows.size(); at += rowBytes) types += char('0' + rows[at]);
    return types;
}

// Every map of every preset: decoded exactly and smaller than the default
// encoding, by at least a fifth in total. Between them the maps choose the
// default's per-row filters and each of the five filters on every row, so
// that each way of filtering meets the decoder.
TEST(PngSmall, EveryPresetMapDecodesExactlyAndIsSmaller) {
    std::size_t ownTotal = 0, smallTotal = 0;
    std::set<char> ways;  // '0'..'4' one filter on every row, 'r' per row
    for (int p = 0; p < proctex_preset_count(); ++p) {
        ProctexSettings s;
        proctex_settings_init(&s);
        ASSERT_EQ(proctex_preset_settings(proctex_preset_name(p), &s, sizeof s), PROCTEX_OK);
        s.width = s.height = 160;
        ProctexMaps* maps = nullptr;
        char why[256] = "";
        ASSERT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, why, sizeof why), PROCTEX_OK)
            << why;
        for (int m = PROCTEX_MAP_DIFFUSE; m <= PROCTEX_MAP_ID; ++m) {
            int w = 0, h = 0, c = 0;
            const uint8_t* pixels = proctex_maps_pixels(maps, m, &w, &h, &c);
            if (pixels == nullptr) continue;
            const std::string what =
                std::string(proctex_preset_name(p)) + " map " + std::to_string(m);
            const std::vector<uint8_t> own = encode(encodePngOwn, pixels, w, h, c, w * c);
            const std::vector<uint8_t> small = encode(encodePngSmall, pixels, w, h, c, w * c);
            if (!smallPngAvailable()) {
                EXPECT_EQ(small, own) << what;
                continue;
            }
            expectDecodesTo(small, pixels, w, h, c, w * c, what);
            EXPECT_LT(small.size(), own.size()) << what;
            ownTotal += own.size();
            smallTotal += small.size();
            const std::string types = rowFilters(small, w, h, c);
            ways.insert(types.find_first_not_of(types[0]) == std::string::npos ? types[0] : 'r');
        }
        proctex_maps_free(maps);
    }
    if (!smallPngAvailable()) {
        GTEST_SKIP() << "built without libdeflate: the small encoding is the default one";
    }
    EXPECT_LT(smallTotal * 5, ownTotal * 4) << smallTotal << " bytes against " << ownTotal;
    EXPECT_EQ(std::string(ways.begin(), ways.end()), "01234r");
}

}  // namespace
}  // namespace proctex
