#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "overlays/overlays.h"

namespace proctex {
namespace {

float at(const FloatField& f, int width, int x, int y) {
    return f[static_cast<std::size_t>(y) * width + x];
}

TEST(Scratches, DrawsForSeedZero) {
    const std::vector<ScratchStroke> s = drawScratches(256, 256, 2, 0);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_NEAR(s[0].x0 / 256.0f, 0.803428f, 1e-6f);
    EXPECT_EQ(s[0].y0 / 256.0f, 0.15098864f);
    EXPECT_EQ(s[0].angle, 3.3145175f);
    EXPECT_EQ(s[0].length, 249.17375f);
    EXPECT_EQ(s[0].maxWidth, 0.94293374f);
    EXPECT_EQ(s[1].x0 / 256.0f, 0.21483803f);
    EXPECT_EQ(s[1].y0 / 256.0f, 0.6396814f);
    EXPECT_EQ(s[1].angle, 0.56528234f);
    EXPECT_EQ(s[1].length, 68.18504f);
    EXPECT_EQ(s[1].maxWidth, 1.0248079f);
    // The position factors are scaled by the image size.
    const std::vector<ScratchStroke> wide = drawScratches(512, 100, 1, 0);
    EXPECT_EQ(wide[0].x0, s[0].x0 * 2.0f);
    EXPECT_EQ(wide[0].angle, s[0].angle);
}

TEST(Scratches, FirstScratchOfSeedZero) {
    const FloatField f = generateScratches(256, 256, 1, 0);
    EXPECT_EQ(at(f, 256, 205, 38), 0.6f);
    // It runs towards smaller x and y and leaves the image at the left edge.
    int leftEdge = 0;
    for (int y = 0; y < 256; ++y) leftEdge += at(f, 256, 0, y) > 0.0f;
    EXPECT_GT(leftEdge, 0);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (at(f, 256, x, y) > 0.0f) {
                EXPECT_LE(x, 206);
                EXPECT_LE(y, 39);
            }
        }
    }
    // maxWidth < 1: one pixel wide, every painted pixel is centre line.
    for (float v : f) EXPECT_TRUE(v == 0.0f || v == 0.6f) << v;
}

TEST(Scratches, CountOfZeroOrLessDrawsNothing) {
    for (int32_t count : {0, -1, -100, std::numeric_limits<int32_t>::min()}) {
        const FloatField f = generateScratches(64, 64, count, 5);
        ASSERT_EQ(f.size(), 64u * 64u);
        for (float v : f) ASSERT_EQ(v, 0.0f) << count;
        EXPECT_TRUE(drawScratches(64, 64, count, 5).empty());
    }
}

TEST(Scratches, FieldIsThePaintedDraws) {
    for (int32_t seed : {0, 1, -1, std::numeric_limits<int32_t>::max()}) {
        const std::vector<ScratchStroke> strokes = drawScratches(200, 150, 12, seed);
        FloatField expected(200 * 150);
        for (const auto& s : strokes) paintScratch(expected, 200, 150, s);
        EXPECT_EQ(generateScratches(200, 150, 12, seed), expected) << seed;
        // The maximum rule makes the painting order irrelevant.
        FloatField reversed(200 * 150);
        for (auto it = strokes.rbegin(); it != strokes.rend(); ++it) {
            paintScratch(reversed, 200, 150, *it);
        }
        EXPECT_EQ(reversed, expected);
    }
}

TEST(Scratches, SeedPlus999WrapsAndSeedsDiffer) {
    // INT32_MAX - 998 + 999 wraps to INT32_MIN: the engine seed is 0x80000000.
    const auto s = drawScratches(100, 100, 1, std::numeric_limits<int32_t>::max() - 998);
    std::mt19937 engine(0x80000000u);
    const float canonical = static_cast<float>(engine() >> 8) * 0x1p-24f;
    EXPECT_EQ(s[0].x0, (canonical * (1.0f - 0.0f) + 0.0f) * 100.0f);
    EXPECT_NE(drawScratches(100, 100, 1, 0)[0].x0, drawScratches(100, 100, 1, 1)[0].x0);
}

TEST(Scratches, ValuesAndDeterminism) {
    const FloatField f = generateScratches(300, 300, 40, 77);
    EXPECT_EQ(f, generateScratches(300, 300, 40, 77));
    int centre = 0, side = 0;
    for (float v : f) {
        ASSERT_GE(v, 0.0f);
        ASSERT_LE(v, 0.6f);
        centre += v == 0.6f;
        side += v > 0.0f && v < 0.6f;
    }
    EXPECT_GT(centre, 0);
    EXPECT_GT(side, 0);
}

// For a stroke through the middle of a large empty field, the middle step's
// centre pixel must have painted neighbours on both sides of the centre line,
// at least 0.8 pixels away across the stroke: the middle is three pixels wide.
TEST(Scratches, MiddleIsThreePixelsWideAtAllAngles) {
    const int size = 400;
    const float length = 200.0f;
    std::vector<float> angles;
    for (int k = 0; k < 3600; ++k) angles.push_back(static_cast<float>(k) * 6.28318f / 3600.0f);
    for (float a : {0.0f, 1.5707964f, 3.1415927f, 4.712389f, 0.7853982f, 6.2831f}) {
        angles.push_back(a);
    }
    for (float angle : angles) {
        const ScratchStroke s{200.3f, 199.6f, angle, length, 1.5f};
        FloatField f(static_cast<std::size_t>(size) * size);
        paintScratch(f, size, size, s);
        const float dx = fcos(angle);
        const float dy = fsin(angle);
        // The step nearest the middle, with t accumulated as the walk does.
        float t = 0.0f;
        while (t < length / 2.0f) t = t + 0.3f;
        const int px = static_cast<int>(s.x0 + dx * t);
        const int py = static_cast<int>(s.y0 + dy * t);
        ASSERT_EQ(at(f, size, px, py), 0.6f) << angle;
        bool left = false, right = false;
        for (int oy = -1; oy <= 1; ++oy) {
            for (int ox = -1; ox <= 1; ++ox) {
                const float v = at(f, size, px + ox, py + oy);
                if (v <= 0.0f) continue;
                const float across = static_cast<float>(ox) * dy - static_cast<float>(oy) * dx;
                left = left || across >= 0.8f;
                right = right || across <= -0.8f;
            }
        }
        EXPECT_TRUE(left && right) << "angle " << angle;
    }
}

TEST(Scratches, HorizontalStrokeProfile) {
    // Angle 0: direction (1, 0), sides along (0, -1). Centre row 10, sides 9 and 11.
    const ScratchStroke s{5.5f, 10.5f, 0.0f, 100.0f, 1.9f};
    FloatField f(120 * 20);
    paintScratch(f, 120, 20, s);
    const int mid = 55;
    EXPECT_EQ(at(f, 120, mid, 10), 0.6f);
    // Around the middle hw is within a hair of 1.9: (1 - 1 / 2.0) * 0.6 = 0.3.
    for (int y : {9, 11}) EXPECT_NEAR(at(f, 120, mid, y), 0.3f, 1e-4f) << y;
    for (int y : {8, 12}) EXPECT_EQ(at(f, 120, mid, y), 0.0f) << y;
    // Near the ends hw < 1: one pixel wide.
    EXPECT_EQ(at(f, 120, 6, 10), 0.6f);
    EXPECT_EQ(at(f, 120, 6, 9), 0.0f);
    EXPECT_EQ(at(f, 120, 6, 11), 0.0f);
}

TEST(Scratches, ClippedAtTheBordersWithoutWrapping) {
    // Starts at the left edge heading left: only the first few samples land.
    const ScratchStroke s{1.5f, 30.5f, 3.1415927f, 200.0f, 1.9f};
    FloatField f(64 * 64);
    paintScratch(f, 64, 64, s);
    for (int y = 0; y < 64; ++y) {
        for (int x = 2; x < 64; ++x) EXPECT_EQ(at(f, 64, x, y), 0.0f) << x << "," << y;
    }
    EXPECT_EQ(at(f, 64, 1, 30), 0.6f);
}

// The plain stroke: every step painted, whether or not it lands in the image.
void plainPaintScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke) {
    const float dx = fcos(stroke.angle);
    const float dy = fsin(stroke.angle);
    for (float t = 0.0f; stroke.length > t; t = t + 0.3f) {
        const int32_t px = truncToInt32(stroke.x0 + dx * t);
        const int32_t py = truncToInt32(stroke.y0 + dy * t);
        const float hw = fsin(t / stroke.length * 3.14159f) * stroke.maxWidth;
        const int32_t m = truncToInt32(hw);
        if (m < 0) continue;
        for (int32_t o = -m; o <= m; ++o) {
            const float fo = static_cast<float>(o);
            const int32_t qx = wrappingAdd(px, truncToInt32(fround(fo * dy)));
            const int32_t qy = wrappingAdd(py, truncToInt32(fround(fo * (-dx))));
            if (qx < 0 || qx >= width || qy < 0 || qy >= height) continue;
            const float value = (1.0f - std::fabs(fo) / (hw + 0.1f)) * 0.6f;
            float& cell = overlay[static_cast<std::size_t>(qy) * width + qx];
            if (value > cell) cell = value;
        }
    }
}

TEST(Scratches, SkippingInvisibleStepsPaintsTheSameField) {
    // Strokes from inside, from outside towards the image and away from it,
    // along the axes (where one coordinate never moves) and wide enough for
    // side samples several pixels off the centre line.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pos(-300.0f, 340.0f), angle(0.0f, 6.28318f),
        length(0.0f, 400.0f), width(-3.0f, 6.0f);
    const float axes[] = {0.0f, 1.5707964f, 3.1415927f, 4.712389f};
    for (int n = 0; n < 4000; ++n) {
        const int w = 1 + n % 47, h = 1 + (n * 7) % 41;
        ScratchStroke s{pos(rng) / 8.0f, pos(rng) / 8.0f, angle(rng), length(rng), width(rng)};
        if (n % 5 == 0) s.angle = axes[(n / 5) % 4];
        if (n % 3 == 0) {
            s.x0 = pos(rng);
            s.y0 = pos(rng);
        }
        FloatField fast(static_cast<std::size_t>(w) * h), plain(fast.size());
        paintScratch(fast, w, h, s);
        plainPaintScratch(plain, w, h, s);
        ASSERT_EQ(fast, plain) << "stroke " << n << " at " << s.x0 << "," << s.y0 << " angle "
                               << s.angle << " length " << s.length << " width " << s.maxWidth;
    }
    // Whole overlays: many scratches on a small image, most of each outside.
    const std::vector<ScratchStroke> strokes = drawScratches(24, 20, 20000, 5);
    FloatField plain(24 * 20);
    for (const ScratchStroke& s : strokes) plainPaintScratch(plain, 24, 20, s);
    EXPECT_EQ(generateScratches(24, 20, 20000, 5), plain);
}

TEST(Scratches, UnusualStrokesPaintLikeThePlainLoop) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const ScratchStroke strokes[] = {
        {nan, 5.0f, 1.0f, 50.0f, 1.5f},          // NaN position: nothing lands
        {5.0f, 5.0f, nan, 50.0f, 1.5f},          // NaN direction
        {5.0f, 5.0f, 0.5f, 50.0f, nan},          // NaN width: nothing is painted
        {-inf, 5.0f, 0.0f, 50.0f, 1.5f},         // infinitely far, moving towards the image
        {3e9f, 10.0f, 3.1415927f, 80.0f, 1.0f},  // beyond the int32 range, moving back
        {10.0f, 10.0f, 2.0f, 0.9f, 3e6f},        // a reach too wide to bound
    };
    for (const ScratchStroke& s : strokes) {
        FloatField fast(32 * 32), plain(32 * 32);
        paintScratch(fast, 32, 32, s);
        plainPaintScratch(plain, 32, 32, s);
        EXPECT_EQ(fast, plain) << s.x0 << "," << s.y0 << " angle " << s.angle;
    }
}

}  // namespace
}  // namespace proctex
