#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "core/numeric.h"
#include "overlays/overlays.h"

namespace proctex {
namespace {

// The per-pixel brick rule, written out plainly.
FloatField bricksReference(int width, int height, float brickWidth, float brickHeight) {
    FloatField overlay(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int32_t row = truncToInt32(static_cast<float>(y) / brickHeight);
            const float shift = static_cast<float>(row % 2) * (brickWidth * 0.5f);
            const float lx = std::fmod(static_cast<float>(x) + shift, brickWidth);
            const float ly = std::fmod(static_cast<float>(y), brickHeight);
            const bool mortar =
                lx < 3.0f || lx > brickWidth - 3.0f || ly < 3.0f || ly > brickHeight - 3.0f;
            overlay[static_cast<std::size_t>(y) * width + x] = mortar ? 0.3f : 0.0f;
        }
    }
    return overlay;
}

// The x positions holding mortar in row y.
std::vector<int> mortarColumns(const FloatField& f, int width, int y) {
    std::vector<int> xs;
    for (int x = 0; x < width; ++x) {
        const float v = f[static_cast<std::size_t>(y) * width + x];
        EXPECT_TRUE(v == 0.3f || v == 0.0f) << "value " << v << " at " << x << "," << y;
        if (v == 0.3f) xs.push_back(x);
    }
    return xs;
}

std::vector<int> spans(std::initializer_list<std::pair<int, int>> ranges) {
    std::vector<int> xs;
    for (const auto& [a, b] : ranges) {
        for (int x = a; x <= b; ++x) xs.push_back(x);
    }
    return xs;
}

std::vector<int> allColumns(int width) {
    return spans({{0, width - 1}});
}

TEST(Bricks, Example128x64) {
    const FloatField f = generateBricks(128, 64, 64.0f, 32.0f);
    ASSERT_EQ(f.size(), 128u * 64u);
    for (int y : {0, 1, 2, 30, 31, 32, 33, 34, 62, 63}) {
        EXPECT_EQ(mortarColumns(f, 128, y), allColumns(128)) << "row " << y;
    }
    for (int y = 3; y <= 29; ++y) {
        EXPECT_EQ(mortarColumns(f, 128, y), spans({{0, 2}, {62, 66}, {126, 127}})) << "row " << y;
    }
    for (int y = 35; y <= 61; ++y) {
        EXPECT_EQ(mortarColumns(f, 128, y), spans({{30, 34}, {94, 98}})) << "row " << y;
    }
}

TEST(Bricks, Example200WideOddBrickWidth) {
    const FloatField f = generateBricks(200, 64, 65.0f, 32.0f);
    EXPECT_EQ(mortarColumns(f, 200, 40), spans({{30, 35}, {95, 100}, {160, 165}}));
    EXPECT_EQ(mortarColumns(f, 200, 10), spans({{0, 2}, {63, 67}, {128, 132}, {193, 197}}));
}

// Lengths of the runs of mortar in a row that do not touch the image border.
std::vector<int> innerRunLengths(const std::vector<int>& xs, int width) {
    std::vector<int> runs;
    std::size_t i = 0;
    while (i < xs.size()) {
        std::size_t j = i;
        while (j + 1 < xs.size() && xs[j + 1] == xs[j] + 1) ++j;
        if (xs[i] > 0 && xs[j] < width - 1) runs.push_back(xs[j] - xs[i] + 1);
        i = j + 1;
    }
    return runs;
}

TEST(Bricks, JointWidthsFiveForEvenSixForOddWidthsInShiftedCourses) {
    const int width = 400;
    for (int bw = 7; bw <= 101; ++bw) {
        const FloatField f = generateBricks(width, 64, static_cast<float>(bw), 32.0f);
        const std::vector<int> even = innerRunLengths(mortarColumns(f, width, 10), width);
        const std::vector<int> odd = innerRunLengths(mortarColumns(f, width, 40), width);
        ASSERT_FALSE(even.empty());
        ASSERT_FALSE(odd.empty());
        for (int len : even) EXPECT_EQ(len, 5) << "brick width " << bw << ", even course";
        for (int len : odd) EXPECT_EQ(len, bw % 2 == 1 ? 6 : 5) << "brick width " << bw;
    }
}

TEST(Bricks, HorizontalJointsAreFiveRows) {
    const FloatField f = generateBricks(64, 200, 40.0f, 25.0f);
    std::vector<int> mortarRows;
    for (int y = 0; y < 200; ++y) {
        if (f[static_cast<std::size_t>(y) * 64 + 10] == 0.3f &&
            f[static_cast<std::size_t>(y) * 64 + 50] == 0.3f) {
            mortarRows.push_back(y);
        }
    }
    EXPECT_EQ(mortarRows, spans({{0, 2},
                                 {23, 27},
                                 {48, 52},
                                 {73, 77},
                                 {98, 102},
                                 {123, 127},
                                 {148, 152},
                                 {173, 177},
                                 {198, 199}}));
}

TEST(Bricks, NarrowOrNegativeBricksAreAllMortar) {
    for (float bw : {0.5f, 1.0f, 2.5f, 3.0f, 5.0f, 5.99f, -1.0f, -64.0f, 1e-30f}) {
        const FloatField f = generateBricks(50, 40, bw, 32.0f);
        for (float v : f) ASSERT_EQ(v, 0.3f) << "brick width " << bw;
    }
    for (float bh : {0.5f, 1.0f, 5.0f, 5.99f, -10.0f, 1e-30f}) {
        const FloatField f = generateBricks(50, 40, 64.0f, bh);
        for (float v : f) ASSERT_EQ(v, 0.3f) << "brick height " << bh;
    }
    // Just above 6 there are faces again.
    const FloatField f = generateBricks(50, 40, 6.5f, 32.0f);
    EXPECT_NE(std::count(f.begin(), f.end(), 0.0f), 0);
}

TEST(Bricks, MatchesThePerPixelAlgorithm) {
    const std::pair<int, int> sizes[] = {{1, 1}, {7, 3}, {128, 64}, {201, 97}};
    const std::pair<float, float> dims[] = {{64.0f, 32.0f},  {65.0f, 32.0f},     {33.3f, 17.7f},
                                            {12.0f, 8.0f},   {-40.0f, 20.0f},    {40.0f, -20.0f},
                                            {-31.0f, -9.5f}, {1000.0f, 1000.0f}, {6.0f, 6.0f},
                                            {2e9f, 3e9f},    {1e-20f, 7.0f},     {7.0f, 1e-20f}};
    for (const auto& [w, h] : sizes) {
        for (const auto& [bw, bh] : dims) {
            EXPECT_EQ(generateBricks(w, h, bw, bh), bricksReference(w, h, bw, bh))
                << w << "x" << h << " bricks " << bw << "x" << bh;
        }
    }
}

}  // namespace
}  // namespace proctex
