#include "material/derived_maps.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "material/quantize.h"
#include "whole_maps.h"

namespace proctex {
namespace {

struct Bytes {
    int r, g, b;
    bool operator==(const Bytes&) const = default;
};
Bytes bytesOf(const Color3& c) {
    return {quantize(c.r), quantize(c.g), quantize(c.b)};
}

TEST(NormalMap, KnownSlopesGiveKnownColours) {
    // Centre pixel of a 3 x 1 row: dx = (hR - hL) * strength, dy = 0.
    const ColorField slope = buildNormalMap({0.0f, 0.3f, 1.0f}, 3, 1, 1.0f, false);
    EXPECT_NEAR(slope[1].r, 0.1464466f, 1e-6f);
    EXPECT_EQ(slope[1].g, 0.5f);
    EXPECT_NEAR(slope[1].b, 0.8535534f, 1e-6f);
    EXPECT_EQ(bytesOf(slope[1]), (Bytes{37, 127, 217}));

    // Centre of a 3 x 3 field: dx = 0.5, dy = -0.5.
    const FloatField h = {0.0f, 0.5f, 0.0f,  //
                          0.0f, 0.0f, 0.5f,  //
                          0.0f, 0.0f, 0.0f};
    EXPECT_EQ(bytesOf(buildNormalMap(h, 3, 3, 1.0f, false)[4]), (Bytes{75, 179, 231}));
}

TEST(NormalMap, FlatOrZeroStrengthIsStraightUp) {
    for (bool wrap : {false, true}) {
        for (const Color3& c : buildNormalMap(FloatField(12, 0.4f), 4, 3, 5.0f, wrap)) {
            EXPECT_EQ(bytesOf(c), (Bytes{127, 127, 255}));
        }
    }
    const FloatField bumpy = {0.0f, 1.0f, 0.2f, 0.9f, 0.1f, 0.7f};
    for (const Color3& c : buildNormalMap(bumpy, 3, 2, 0.0f, false)) {
        EXPECT_EQ(bytesOf(c), (Bytes{127, 127, 255}));
    }
}

TEST(NormalMap, RisingToTheRightOrDownwardLowersRedOrGreen) {
    const FloatField right = {0.0f, 0.5f, 1.0f, 0.0f, 0.5f, 1.0f, 0.0f, 0.5f, 1.0f};
    EXPECT_LT(buildNormalMap(right, 3, 3, 2.0f, false)[4].r, 0.5f);
    const FloatField down = {0.0f, 0.0f, 0.0f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 1.0f};
    EXPECT_LT(buildNormalMap(down, 3, 3, 2.0f, false)[4].g, 0.5f);
}

TEST(NormalMap, BordersClampOrWrap) {
    // One row 0, 0.25, 0.5, 1.0: at x = 0 the slope is h1 - h0 without wrap, h1 - h3 with.
    const FloatField row = {0.0f, 0.25f, 0.5f, 1.0f};
    const Color3 clamped = buildNormalMap(row, 4, 1, 1.0f, false)[0];
    const Color3 wrapped = buildNormalMap(row, 4, 1, 1.0f, true)[0];
    const Color3 expectClamped = buildNormalMap({0.0f, 0.0f, 0.25f}, 3, 1, 1.0f, false)[1];
    const Color3 expectWrapped = buildNormalMap({1.0f, 0.0f, 0.25f}, 3, 1, 1.0f, false)[1];
    EXPECT_EQ(clamped.r, expectClamped.r);
    EXPECT_EQ(wrapped.r, expectWrapped.r);
    EXPECT_GT(wrapped.r, 0.5f);  // falling from 1.0 on the far side

    // The same on the rows of a one-column field, at the last row.
    const ColorField column = buildNormalMap(row, 1, 4, 1.0f, true);
    EXPECT_EQ(column[3].g, buildNormalMap({0.5f, 1.0f, 0.0f}, 1, 3, 1.0f, false)[1].g);
    // A width of 1 has no horizontal slope.
    EXPECT_EQ(column[3].r, 0.5f);
}

// The plain loop: the neighbours and the formula per pixel, row by row.
ColorField plainNormalMap(const FloatField& h, int width, int height, float strength, bool wrap) {
    ColorField out(h.size());
    for (int y = 0; y < height; ++y) {
        const int up = y > 0 ? y - 1 : (wrap ? height - 1 : 0);
        const int down = y < height - 1 ? y + 1 : (wrap ? 0 : height - 1);
        for (int x = 0; x < width; ++x) {
            const int left = x > 0 ? x - 1 : (wrap ? width - 1 : 0);
            const int right = x < width - 1 ? x + 1 : (wrap ? 0 : width - 1);
            const float dx = (h[y * width + right] - h[y * width + left]) * strength;
            const float dy = (h[down * width + x] - h[up * width + x]) * strength;
            float nx = -dx, ny = -dy, nz = 1.0f;
            const float len = std::sqrt((nx * nx + ny * ny) + nz * nz);
            nx = nx / len;
            ny = ny / len;
            nz = nz / len;
            out[y * width + x] = {(nx + 1.0f) * 0.5f, (ny + 1.0f) * 0.5f, (nz + 1.0f) * 0.5f};
        }
    }
    return out;
}

bool sameBits(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(NormalMap, VectorRowsEqualThePlainLoop) {
    // Widths around the four-pixel blocks, both border rules, strengths that
    // overflow the slope or make it NaN, and heights with NaN and infinities.
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    const float inf = std::numeric_limits<float>::infinity();
    const float strengths[] = {4.0f, -2.5f, 0.0f, 1e38f, std::nanf("")};
    for (int width : {1, 2, 3, 5, 6, 9, 10, 37}) {
        for (int height : {1, 2, 7}) {
            FloatField h(static_cast<std::size_t>(width) * height);
            for (float& v : h) v = value(rng);
            if (h.size() > 5) {
                h[3] = std::nanf("");
                h[4] = inf;
                h[5] = -inf;
            }
            for (float strength : strengths) {
                for (bool wrap : {false, true}) {
                    const ColorField fast = buildNormalMap(h, width, height, strength, wrap);
                    const ColorField plain = plainNormalMap(h, width, height, strength, wrap);
                    ASSERT_EQ(fast.size(), plain.size());
                    for (std::size_t i = 0; i < fast.size(); ++i) {
                        ASSERT_TRUE(sameBits(fast[i].r, plain[i].r) &&
                                    sameBits(fast[i].g, plain[i].g) &&
                                    sameBits(fast[i].b, plain[i].b))
                            << width << "x" << height << " strength " << strength << " wrap "
                            << wrap << " at " << i;
                    }
                }
            }
        }
    }
}

TEST(GreyMaps, SpecularRoughnessMetallicBytes) {
    const FloatField h = {0.0f, 0.5f, 1.0f};
    auto bytes = [](const FloatField& f) {
        return std::vector<int>{quantize(f[0]), quantize(f[1]), quantize(f[2])};
    };
    EXPECT_EQ(bytes(buildSpecularMap(h)), (std::vector<int>{255, 165, 76}));
    EXPECT_EQ(bytes(buildRoughnessMap(h, 0.5f)), (std::vector<int>{38, 127, 216}));
    EXPECT_EQ(bytes(buildMetallicMap(h)), (std::vector<int>{127, 63, 0}));
    EXPECT_EQ(buildRoughnessMap({1.0f}, 0.0f)[0], 1.0f);
    EXPECT_EQ(buildRoughnessMap({1.0f}, -2.0f)[0], 1.0f);  // pushed above 1, clamped
    EXPECT_EQ(buildSpecularMap({-1.0f})[0], 1.0f);
    EXPECT_EQ(buildMetallicMap({3.0f})[0], 0.0f);
}

}  // namespace
}  // namespace proctex
