#include "output/png_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "float_png.h"
#include "material/quantize.h"
#include "test_support.h"

namespace proctex {
namespace {

using test::readPng;
using test::TempDir;

TEST(Quantize, TruncatesAfterClamping) {
    EXPECT_EQ(quantize(0.0f), 0);
    EXPECT_EQ(quantize(0.5f), 127);
    EXPECT_EQ(quantize(0.999f), 254);
    EXPECT_EQ(quantize(1.0f), 255);
    EXPECT_EQ(quantize(1.7f), 255);
    EXPECT_EQ(quantize(-0.2f), 0);
    EXPECT_EQ(quantize(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(Quantize, RowsGiveQuantizeBytesForEveryKindOfFloat) {
    // A sweep across all float bit patterns (every 251st: every exponent, both
    // signs, NaNs and infinities) and the values around the clamp bounds and
    // the byte steps, at every start offset and length of the vector blocks.
    std::vector<float> values;
    for (uint64_t bits = 0; bits <= 0xFFFFFFFFull; bits += 251) {
        const uint32_t b = static_cast<uint32_t>(bits);
        float v;
        std::memcpy(&v, &b, sizeof v);
        values.push_back(v);
    }
    const float specials[] = {0.0f,
                              -0.0f,
                              1.0f,
                              std::nextafter(1.0f, 2.0f),
                              std::nextafter(0.0f, -1.0f),
                              0.5f,
                              1.0f / 255.0f,
                              254.5f / 255.0f,
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN(),
                              -std::nanf("")};
    for (int k = 0; k <= 255; ++k) {
        const float step = static_cast<float>(k) / 255.0f;
        values.insert(values.end(), {step, std::nextafter(step, 0.0f), std::nextafter(step, 1.0f)});
    }
    values.insert(values.end(), std::begin(specials), std::end(specials));

    std::vector<uint8_t> bytes(values.size());
    quantizeRow(values.data(), values.size(), bytes.data());
    for (std::size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(bytes[i], quantize(values[i])) << "value " << values[i] << " at " << i;
    }
    for (std::size_t offset = 0; offset < 17; ++offset) {
        for (std::size_t count = 0; count < 40; ++count) {
            std::vector<uint8_t> part(count + 1, 0xAB);
            quantizeRow(values.data() + values.size() - 60 + offset, count, part.data());
            for (std::size_t i = 0; i < count; ++i) {
                ASSERT_EQ(part[i], quantize(values[values.size() - 60 + offset + i]));
            }
            ASSERT_EQ(part[count], 0xAB) << "wrote past the end";
        }
    }
}

// An asymmetric "F" of value 1 on 0.25 so flips, transposes and offsets show.
FloatField letterF(int width, int height) {
    FloatField f(width * height, 0.25f);
    for (int y = 1; y < height - 1; ++y) f[y * width + 1] = 1.0f;
    for (int x = 1; x < width - 1; ++x) f[1 * width + x] = 1.0f;
    for (int x = 1; x < width / 2; ++x) f[(height / 2) * width + x] = 1.0f;
    return f;
}

TEST(PngWriter, GrayRoundTripKeepsOrientation) {
    TempDir dir;
    const int w = 7, h = 9;
    const FloatField f = letterF(w, h);
    ASSERT_TRUE(writeGrayPNG(f, w, h, (dir / "f.png").string()));
    const test::Image image = readPng(dir / "f.png");
    ASSERT_EQ(image.channels, 1);
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) EXPECT_EQ(image.at(x, y), quantize(f[y * w + x]));
}

TEST(PngWriter, ColorRoundTripKeepsChannelOrder) {
    TempDir dir;
    const int w = 5, h = 3;
    const FloatField f = letterF(w, h);
    ColorField colors(w * h);
    for (int i = 0; i < w * h; ++i) colors[i] = {f[i], 0.5f, 1.0f - f[i]};
    colors[0] = {0.5f, 0.5f, 1.0f};  // a flat normal
    ASSERT_TRUE(writeColorPNG(colors, w, h, (dir / "c.png").string()));
    const test::Image image = readPng(dir / "c.png");
    ASSERT_EQ(image.channels, 3);
    EXPECT_EQ(image.at(0, 0, 0), 127);
    EXPECT_EQ(image.at(0, 0, 1), 127);
    EXPECT_EQ(image.at(0, 0, 2), 255);
    for (int i = 1; i < w * h; ++i) {
        EXPECT_EQ(image.at(i % w, i / w, 0), quantize(colors[i].r));
        EXPECT_EQ(image.at(i % w, i / w, 1), 127);
        EXPECT_EQ(image.at(i % w, i / w, 2), quantize(colors[i].b));
    }
}

TEST(PngWriter, UnopenablePathsReturnFalseAndCreateNothing) {
    TempDir dir;
    const FloatField f(4, 0.5f);
    EXPECT_FALSE(writeGrayPNG(f, 2, 2, (dir / "missing" / "x.png").string()));
    EXPECT_FALSE(writeColorPNG(ColorField(4), 2, 2, (dir / "missing" / "x.png").string()));
    EXPECT_FALSE(writeGrayPNG(f, 2, 2, ""));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

}  // namespace
}  // namespace proctex
