#include "output/png_filters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "noise/octave_rows.h"

#include "stb_image_write_static.h"

namespace proctex {
namespace {

struct TestImage {
    int width, height, channels, stride;
    std::vector<uint8_t> pixels;  // exactly stride * height bytes: reads past it trip ASan
};

uint8_t stbPaeth(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    return static_cast<uint8_t>(pb <= pc ? b : c);
}

// stbiw__encode_png_line as it stands, first-row mapping included.
void stbLine(const TestImage& im, int y, int filter, std::vector<int8_t>& line) {
    static const int mapping[] = {0, 1, 2, 3, 4}, firstmap[] = {0, 1, 0, 5, 6};
    const int type = (y != 0 ? mapping : firstmap)[filter], n = im.channels, s = im.stride;
    const uint8_t* z = im.pixels.data() + static_cast<std::ptrdiff_t>(s) * y;
    for (int i = 0; i < im.width * n; ++i) {
        const bool first = i < n;
        int v = z[i];
        if (type == 1 && !first) v -= z[i - n];
        if (type == 2) v -= z[i - s];
        if (type == 3) v -= first ? z[i - s] >> 1 : (z[i - n] + z[i - s]) >> 1;
        if (type == 4)
            v -= first ? stbPaeth(0, z[i - s], 0) : stbPaeth(z[i - n], z[i - s], z[i - s - n]);
        if (type == 5 && !first) v -= z[i - n] >> 1;
        if (type == 6 && !first) v -= stbPaeth(z[i - n], 0, 0);
        line[static_cast<std::size_t>(i)] = static_cast<int8_t>(v);
    }
}

// The choice loop of stbi_write_png_to_mem.
std::vector<uint8_t> stbFiltered(const TestImage& im) {
    std::vector<int8_t> line(static_cast<std::size_t>(im.width * im.channels));
    std::vector<uint8_t> out;
    for (int y = 0; y < im.height; ++y) {
        int best = 0, bestEst = 0x7fffffff;
        for (int f = 0; f < 5; ++f) {
            stbLine(im, y, f, line);
            int est = 0;
            for (int8_t v : line) est += std::abs(v);
            if (est < bestEst) bestEst = est, best = f;
        }
        stbLine(im, y, best, line);
        out.push_back(static_cast<uint8_t>(best));
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

std::vector<uint8_t> filtered(const TestImage& im, FilterPath path) {
    const auto rowBytes = static_cast<std::size_t>(im.width * im.channels + 1);
    std::vector<uint8_t> out(rowBytes * static_cast<std::size_t>(im.height));
    filterImage(im.pixels.data(), im.width, im.height, im.channels, im.stride, out.data(), path);
    return out;
}

// Random bytes, or (smooth) a gradient with a little noise, where up, average
// and Paeth win rows; padding bytes past each row stay random.
TestImage makeImage(int w, int h, int n, int padding, bool smooth, std::mt19937& rng) {
    TestImage im{w, h, n, w * n + padding,
                 std::vector<uint8_t>(std::size_t((w * n + padding) * h))};
    for (uint8_t& b : im.pixels) b = static_cast<uint8_t>(rng());
    for (int y = 0; smooth && y < h; ++y) {
        for (int i = 0; i < w * n; ++i) {
            im.pixels[std::size_t(y * im.stride + i)] =
                static_cast<uint8_t>(i / n * 3 + y * 5 + i % n * 40 + int(rng() % 5));
        }
    }
    return im;
}

class PngFilters : public testing::TestWithParam<FilterPath> {
protected:
    void SetUp() override {
        if (GetParam() == FilterPath::avx2 && !avx2Available()) GTEST_SKIP() << "no AVX2";
    }
};

TEST_P(PngFilters, SmallImagesOfAllShapesMatchStb) {
    std::mt19937 rng(11);
    int wins[5] = {};
    for (int n = 1; n <= 4; ++n) {
        for (int h = 1; h <= 4; ++h) {
            for (int w = 1; w <= 40; ++w) {
                for (bool smooth : {false, true}) {
                    const TestImage im = makeImage(w, h, n, (w % 3) * 7, smooth, rng);
                    const std::vector<uint8_t> expected = stbFiltered(im);
                    ASSERT_EQ(filtered(im, GetParam()), expected) << w << "x" << h << "x" << n;
                    for (int y = 0; y < h; ++y) ++wins[expected[std::size_t(y * (w * n + 1))]];
                }
            }
        }
    }
    for (int count : wins) EXPECT_GT(count, 0) << "a filter never won: the cases miss it";
}

TEST_P(PngFilters, LongRowsMatchStb) {
    std::mt19937 rng(5);
    for (bool smooth : {false, true}) {
        for (int n : {1, 3}) {
            const TestImage im = makeImage(4097, 3, n, 0, smooth, rng);
            EXPECT_EQ(filtered(im, GetParam()), stbFiltered(im)) << n;
        }
    }
}

TEST_P(PngFilters, TiesGoToTheFirstFilter) {
    std::mt19937 rng(7);
    // Constant: row 0 ties none with up and sub with Paeth, later rows up with Paeth.
    TestImage constant = makeImage(45, 3, 3, 0, false, rng);
    std::fill(constant.pixels.begin(), constant.pixels.end(), uint8_t{7});
    const std::vector<uint8_t> out = filtered(constant, GetParam());
    EXPECT_EQ(out, stbFiltered(constant));
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[136], 2);
    // A random row under a zero row: none ties with up, sub with Paeth.
    TestImage underZero = makeImage(70, 4, 2, 3, false, rng);
    std::fill_n(underZero.pixels.begin() + underZero.stride, underZero.stride, uint8_t{0});
    EXPECT_EQ(filtered(underZero, GetParam()), stbFiltered(underZero));
    std::fill(underZero.pixels.begin(), underZero.pixels.end(), uint8_t{0});
    EXPECT_EQ(filtered(underZero, GetParam()), stbFiltered(underZero));
}

TEST_P(PngFilters, MinusOneTwentyEightCountsAs128) {
    // Row 1 alternates 0 and 0x80 under 0 and 1: none sums 128 a pair, up 127.
    // Were -128 taken as 127 (or 0), none would tie or win. The first byte,
    // which the kernels take apart, stays 0.
    TestImage im{64, 2, 1, 64, std::vector<uint8_t>(128)};
    for (int i = 1; i < 64; i += 2)
        im.pixels[std::size_t(i)] = 1, im.pixels[std::size_t(64 + i)] = 0x80;
    const std::vector<uint8_t> out = filtered(im, GetParam());
    EXPECT_EQ(out, stbFiltered(im));
    EXPECT_EQ(out[65], 2);
}

// For noise stb's deflate does not pay, so it stores the filtered rows as
// they are: the stored blocks must hold exactly our output.
TEST_P(PngFilters, NoiseRowsEqualTheBytesStbStores) {
    std::mt19937 rng(3);
    const TestImage im = makeImage(120, 100, 3, 0, false, rng);
    int len = 0;
    unsigned char* png = stbi_write_png_to_mem(im.pixels.data(), 0, 120, 100, 3, &len);
    ASSERT_NE(png, nullptr);
    const std::vector<uint8_t> file(png, png + len);
    free(png);
    // Signature, IHDR chunk, then IDAT's length, tag and the 2-byte zlib header.
    ASSERT_EQ(std::string(file.begin() + 37, file.begin() + 41), "IDAT");
    std::vector<uint8_t> stored;
    for (std::size_t p = 43, last = 0; !last; p += 5 + (file[p + 1] | file[p + 2] << 8)) {
        ASSERT_LE(p + 5, file.size());
        ASSERT_EQ(file[p] >> 1, 0) << "not a stored block";
        ASSERT_EQ(file[p + 1] ^ file[p + 3], 0xFF);
        last = file[p] & 1;
        stored.insert(stored.end(), file.begin() + long(p + 5),
                      file.begin() + long(p + 5 + (file[p + 1] | file[p + 2] << 8)));
    }
    EXPECT_EQ(filtered(im, GetParam()), stored);
}

INSTANTIATE_TEST_SUITE_P(Paths, PngFilters,
                         testing::Values(FilterPath::portable, FilterPath::sse2, FilterPath::avx2,
                                         FilterPath::automatic));

}  // namespace
}  // namespace proctex
