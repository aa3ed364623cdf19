// The owner of encoded bytes: one owner at a time, the buffer given back when
// it shrinks, and a hand-over to a C caller that frees with proctex_free.
// Leaks and double frees show under the sanitizer build.
#include "output/encoded_bytes.h"

#include <gtest/gtest.h>
#include <proctex.h>

#include <cstring>
#include <utility>
#include <vector>

#include "output/png_writer.h"

namespace proctex {
namespace {

TEST(EncodedBytes, MovesShrinksAndHandsOverItsBuffer) {
    EncodedBytes a = EncodedBytes::allocate(64);
    ASSERT_FALSE(a.empty());
    std::memset(a.data(), 7, 64);
    a.data()[9] = 42;
    a.shrinkTo(10);
    a.shrinkTo(20);  // never grows
    ASSERT_EQ(a.size(), 10u);
    EXPECT_EQ(a.data()[0], 7);
    EXPECT_EQ(a.data()[9], 42);

    EncodedBytes b = std::move(a);
    EXPECT_TRUE(a.empty());
    EXPECT_EQ(a.data(), nullptr);
    ASSERT_EQ(b.size(), 10u);
    EXPECT_EQ(b.data()[9], 42);

    // Assigning over an owner frees what it held; assigning to itself keeps it.
    b = EncodedBytes::allocate(3);
    EXPECT_EQ(b.size(), 3u);
    EncodedBytes& same = b;
    b = std::move(same);
    EXPECT_EQ(b.size(), 3u);
    b.shrinkTo(0);
    EXPECT_TRUE(b.empty());
    EXPECT_EQ(b.data(), nullptr);

    EXPECT_TRUE(EncodedBytes::adopt(nullptr, 12).empty());
}

// proctex_encode_png hands out the encoder's own buffer: the same bytes, and
// proctex_free releases them.
TEST(EncodedBytes, ReleasedBytesAreTheEncodersAndFreeWithProctexFree) {
    const std::vector<uint8_t> pixels = {0, 40, 80, 120, 160, 200, 240, 255, 9, 1, 2, 3};
    const EncodedBytes own = encodePngBytes(pixels.data(), 2, 2, 3, 6);
    ASSERT_FALSE(own.empty());
    unsigned char* bytes = nullptr;
    std::size_t length = 0;
    ASSERT_EQ(proctex_encode_png(pixels.data(), 2, 2, 3, 6, &bytes, &length), PROCTEX_OK);
    ASSERT_EQ(length, own.size());
    EXPECT_EQ(std::memcmp(bytes, own.data(), length), 0);
    proctex_free(bytes);

    EncodedBytes copy = encodePngBytes(pixels.data(), 2, 2, 3, 6);
    const uint8_t* where = copy.data();
    uint8_t* handed = copy.release();
    EXPECT_EQ(handed, where);
    EXPECT_TRUE(copy.empty());
    proctex_free(handed);
}

}  // namespace
}  // namespace proctex
