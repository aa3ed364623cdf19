#include "output/png16.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "stb_image_static.h"

namespace proctex {
namespace {

uint32_t bigEndianAt(const std::vector<uint8_t>& b, std::size_t i) {
    return uint32_t(b[i]) << 24 | uint32_t(b[i + 1]) << 16 | uint32_t(b[i + 2]) << 8 | b[i + 3];
}

// The chunk tags in file order; fails the test at a chunk whose CRC is wrong
// (stb_image does not check them, other decoders do).
std::string chunkTags(const std::vector<uint8_t>& png) {
    std::string tags;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = bigEndianAt(png, at);
        const uLong crc = crc32(0L, png.data() + at + 4, uInt(length + 4));
        EXPECT_EQ(bigEndianAt(png, at + 8 + length), uint32_t(crc)) << "chunk at " << at;
        tags.append(reinterpret_cast<const char*>(png.data() + at + 4), 4).append(" ");
        at += 12 + length;
    }
    return tags;
}

void expectDecodesTo(const std::vector<uint16_t>& values, int w, int h) {
    const EncodedBytes encoded = encodeGrey16Png(values.data(), w, h);
    ASSERT_FALSE(encoded.empty());
    const std::vector<uint8_t> png(encoded.data(), encoded.data() + encoded.size());
    EXPECT_EQ(chunkTags(png), "IHDR IDAT IEND ");
    const int length = int(png.size());
    EXPECT_TRUE(stbi_is_16_bit_from_memory(png.data(), length));
    int dw = 0, dh = 0, channels = 0;
    stbi_us* decoded = stbi_load_16_from_memory(png.data(), length, &dw, &dh, &channels, 0);
    ASSERT_NE(decoded, nullptr) << stbi_failure_reason();
    EXPECT_EQ(dw, w);
    EXPECT_EQ(dh, h);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(std::vector<uint16_t>(decoded, decoded + values.size()), values);
    stbi_image_free(decoded);
}

TEST(Grey16Png, DecodesToTheSameSamples) {
    expectDecodesTo({0xABCD}, 1, 1);
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> any(0, 65535);
    std::vector<uint16_t> noise(7 * 3);
    for (uint16_t& v : noise) v = uint16_t(any(rng));
    noise[0] = 0;
    noise[20] = 65535;
    expectDecodesTo(noise, 7, 3);
    // Smooth rows with small steps in the low byte, where sub, up and the
    // others win on different rows.
    std::vector<uint16_t> ramp(64 * 33);
    for (int y = 0; y < 33; ++y) {
        for (int x = 0; x < 64; ++x) ramp[std::size_t(y * 64 + x)] = uint16_t(x * 997 + y * y * 31);
    }
    expectDecodesTo(ramp, 64, 33);

    EXPECT_TRUE(encodeGrey16Png(noise.data(), 0, 3).empty());
    EXPECT_TRUE(encodeGrey16Png(noise.data(), 3, -1).empty());
}

TEST(HeightTo16Bit, RoundsToNearestClampsAndZeroesNaN) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const FloatField heights = {0.0f,
                                1.0f,
                                0.5f,
                                0.49f / 65535,
                                0.51f / 65535,
                                1000.49f / 65535,
                                1000.51f / 65535,
                                65534.49f / 65535,
                                65534.51f / 65535,
                                nan,
                                1.5f,
                                inf,
                                -0.25f,
                                -inf,
                                -0.0f};
    const std::vector<uint16_t> expected = {0,     65535, 32768, 0,     1, 1000, 1001, 65534,
                                            65535, 0,     65535, 65535, 0, 0,    0};
    EXPECT_EQ(heightTo16Bit(heights), expected);
}

}  // namespace
}  // namespace proctex
