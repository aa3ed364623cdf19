// Our PNG encoder against stb_image_write's, byte for byte, on the images
// that exercise each of its rules: every shape class, long runs, data that
// does not compress, rows that tie between filters, matches reaching back
// past the window, and every map of every preset.
#include "output/png_encoder.h"

#include <gtest/gtest.h>
#include <proctex.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "stb_image_write_static.h"

namespace proctex {
namespace {

std::vector<uint8_t> ours(const uint8_t* pixels, int w, int h, int c, int stride) {
    const EncodedBytes png = encodePngOwn(pixels, w, h, c, stride);
    EXPECT_FALSE(png.empty());
    return std::vector<uint8_t>(png.data(), png.data() + png.size());
}

std::vector<uint8_t> stbs(const uint8_t* pixels, int w, int h, int c, int stride) {
    int length = 0;
    uint8_t* png = stbi_write_png_to_mem(pixels, stride, w, h, c, &length);
    std::vector<uint8_t> bytes(png, png + length);
    STBIW_FREE(png);
    return bytes;
}

// Compares the two encoders on one image; says which at the first mismatch.
void expectSameBytes(const std::vector<uint8_t>& pixels, int w, int h, int c, int stride,
                     const std::string& what) {
    ASSERT_GE(pixels.size(), std::size_t(stride) * std::size_t(h - 1) + std::size_t(w * c));
    const std::vector<uint8_t> a = ours(pixels.data(), w, h, c, stride);
    const std::vector<uint8_t> b = stbs(pixels.data(), w, h, c, stride);
    ASSERT_EQ(a.size(), b.size()) << what;
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k], b[k]) << what << ": first difference at byte " << k;
    }
}

enum class Content { flat, noise, smooth, fewValues, stripes };

std::vector<uint8_t> makePixels(std::size_t count, Content content, std::mt19937& rng) {
    std::vector<uint8_t> p(count);
    for (std::size_t k = 0; k < count; ++k) {
        switch (content) {
            case Content::flat:
                p[k] = 77;
                break;
            case Content::noise:
                p[k] = uint8_t(rng());
                break;
            case Content::smooth:
                p[k] = uint8_t((k * 7) / 13 + (rng() % 3));
                break;
            case Content::fewValues:
                p[k] = uint8_t(rng() % 3);
                break;
            case Content::stripes:
                p[k] = uint8_t((k / 5) % 2 ? 200 : 10);
                break;
        }
    }
    return p;
}

TEST(PngEncoder, SameBytesAsStbForEveryShapeAndKindOfContent) {
    std::mt19937 rng(2024);
    std::vector<std::pair<int, int>> shapes = {{1, 1}, {1, 2}, {2, 1}, {1, 4097}, {4097, 1}};
    for (int n = 3; n <= 33; n += 3) shapes.push_back({n, n});
    for (const auto& [w, h] : shapes) {
        for (int c = 1; c <= 4; ++c) {
            for (Content content : {Content::flat, Content::noise, Content::smooth,
                                    Content::fewValues, Content::stripes}) {
                const int stride = w * c + (c == 2 ? 5 : 0);  // padded rows too
                const auto pixels = makePixels(std::size_t(stride) * std::size_t(h), content, rng);
                expectSameBytes(pixels, w, h, c, stride,
                                std::to_string(w) + "x" + std::to_string(h) + "x" +
                                    std::to_string(c) + " content " + std::to_string(int(content)));
            }
        }
    }
}

TEST(PngEncoder, SameBytesAsStbBeyondOneWindowAndOnStoredFallback) {
    std::mt19937 rng(7);
    // 300 x 200 x 3 is 180 KB of filtered rows: matches reach across many
    // 32 KiB windows, buckets fill and are trimmed again and again. Noise
    // falls back to stored blocks (several, each at most 32767 bytes); the
    // few-valued content gives long candidate lists of equal prefixes; the
    // repeated tile gives matches of the longest length at a far distance.
    for (Content content : {Content::noise, Content::fewValues, Content::smooth}) {
        const auto pixels = makePixels(300u * 200u * 3u, content, rng);
        expectSameBytes(pixels, 300, 200, 3, 900, "large content " + std::to_string(int(content)));
    }
    std::vector<uint8_t> tiled(256u * 300u);
    const auto tile = makePixels(256u * 150u, Content::fewValues, rng);
    for (std::size_t k = 0; k < tiled.size(); ++k) tiled[k] = tile[k % tile.size()];
    expectSameBytes(tiled, 256, 300, 1, 256, "tile repeated after 38400 bytes");
}

TEST(PngEncoder, SameBytesAsStbWhenRowsTieBetweenFilters) {
    // Constant rows tie none/sub/up/average/Paeth in several ways; a row that
    // repeats the one above ties up and Paeth at zero.
    std::vector<uint8_t> pixels(40u * 12u * 3u);
    for (std::size_t k = 0; k < pixels.size(); ++k) {
        const std::size_t row = k / 120;
        pixels[k] = row % 3 == 0 ? 0 : row % 3 == 1 ? uint8_t(k % 120) : uint8_t((k - 120) % 120);
    }
    expectSameBytes(pixels, 40, 12, 3, 120, "tied rows");
}

TEST(PngEncoder, SameBytesAsStbOnEveryMapOfEveryPreset) {
    for (int p = 0; p < proctex_preset_count(); ++p) {
        ProctexSettings s;
        ASSERT_EQ(proctex_preset_settings(proctex_preset_name(p), &s, sizeof s), PROCTEX_OK);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        s.width = 192;  // the presets' own sizes take minutes under the sanitizers
        s.height = 160;
#endif
        ProctexMaps* maps = nullptr;
        ASSERT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0), PROCTEX_OK);
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            int w = 0, h = 0, c = 0;
            const unsigned char* pixels = proctex_maps_pixels(maps, map, &w, &h, &c);
            const std::vector<uint8_t> copy(pixels, pixels + std::size_t(w) * h * c);
            expectSameBytes(copy, w, h, c, w * c,
                            std::string(proctex_preset_name(p)) + " map " + std::to_string(map));
        }
        proctex_maps_free(maps);
    }
}

}  // namespace
}  // namespace proctex
