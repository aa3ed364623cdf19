// Special values, exact results and signed zeros of the correctly rounded
// sine, cosine and power: the cases C99 Annex F pins down and the exact
// powers a careless implementation rounds the wrong way.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "math/crmath.h"

namespace proctex {
namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kMinSubnormal = 0x1p-149f;

uint32_t bits(float f) {
    return std::bit_cast<uint32_t>(f);
}

// Same bits, so +0 and -0 differ.
#define EXPECT_SAME(expected, actual) EXPECT_EQ(bits(expected), bits(actual)) << (actual)

TEST(CrSinCos, ZerosInfinitiesAndNaN) {
    EXPECT_SAME(0.0f, crSin(0.0f));
    EXPECT_SAME(-0.0f, crSin(-0.0f));
    EXPECT_SAME(1.0f, crCos(0.0f));
    EXPECT_SAME(1.0f, crCos(-0.0f));
    for (float x : {kInf, -kInf, kNaN, -kNaN}) {
        EXPECT_TRUE(std::isnan(crSin(x))) << x;
        EXPECT_TRUE(std::isnan(crCos(x))) << x;
    }
}

TEST(CrSinCos, TinyArgumentsRoundToXAndOne) {
    // |sin x - x| < x^3/6 is below half an ulp of x for |x| < 2^-12; cos x
    // lies within 2^-25 of 1 there. Subnormals included.
    for (float x : {kMinSubnormal, 0x1.234p-140f, 0x1p-126f, 0x1.fffffep-20f, 0x1.8p-13f}) {
        EXPECT_SAME(x, crSin(x));
        EXPECT_SAME(-x, crSin(-x));
        EXPECT_SAME(1.0f, crCos(x));
        EXPECT_SAME(1.0f, crCos(-x));
    }
    // Just past that range sin x falls 2/3 ulp below x; cos x below 1 - 2^-25.
    EXPECT_SAME(0x1.fffffep-12f, crSin(0x1p-11f));
    EXPECT_SAME(0x1.fffffcp-1f, crCos(0x1p-11f));
}

TEST(CrSinCos, SymmetryHoldsBitForBit) {
    for (float x : {0.5f, 1.0f, 3.14159f, 100.0f, 1e6f, 1e20f, 3.4e38f}) {
        EXPECT_SAME(-crSin(x), crSin(-x)) << x;
        EXPECT_SAME(crCos(x), crCos(-x)) << x;
    }
}

TEST(CrSinCos, KnownValuesIncludingHugeArguments) {
    // Pinned from MPFR at 24 bits, round to nearest.
    EXPECT_SAME(0x1.aed548p-1f, crSin(1.0f));
    EXPECT_SAME(0x1.14a28p-1f, crCos(1.0f));
    // float(pi) lies just above pi, so its sine is minus the small gap.
    EXPECT_SAME(-0x1.777a5cp-24f, crSin(3.14159274f));
    EXPECT_SAME(-1.0f, crCos(3.14159274f));
    EXPECT_SAME(0x1.fa73c4p-1f, crSin(1e38f));
    EXPECT_SAME(0x1.2cab9ap-3f, crCos(1e38f));
    EXPECT_SAME(-0x1.0b3366p-1f, crSin(std::numeric_limits<float>::max()));
    EXPECT_SAME(0x1.b4bf2cp-1f, crCos(std::numeric_limits<float>::max()));
}

TEST(CrPow, AnnexFSpecialValues) {
    // x^+-0 = 1 and 1^y = 1, NaN included.
    for (float v : {0.0f, -0.0f, 2.5f, -3.0f, kInf, -kInf, kNaN}) {
        EXPECT_SAME(1.0f, crPow(v, 0.0f));
        EXPECT_SAME(1.0f, crPow(v, -0.0f));
        EXPECT_SAME(1.0f, crPow(1.0f, v));
    }
    EXPECT_SAME(1.0f, crPow(-1.0f, kInf));
    EXPECT_SAME(1.0f, crPow(-1.0f, -kInf));
    EXPECT_TRUE(std::isnan(crPow(kNaN, 2.0f)));
    EXPECT_TRUE(std::isnan(crPow(2.0f, kNaN)));
    EXPECT_TRUE(std::isnan(crPow(-1.0f, kNaN)));

    // Finite negative x with a non-integer y.
    EXPECT_TRUE(std::isnan(crPow(-8.0f, 1.0f / 3.0f)));
    EXPECT_TRUE(std::isnan(crPow(-2.0f, 0.5f)));
    EXPECT_TRUE(std::isnan(crPow(-0x1p-149f, 2.5f)));

    // Infinite y.
    EXPECT_SAME(kInf, crPow(0.5f, -kInf));
    EXPECT_SAME(0.0f, crPow(-0.5f, kInf));
    EXPECT_SAME(0.0f, crPow(2.0f, -kInf));
    EXPECT_SAME(kInf, crPow(-2.0f, kInf));

    // Infinite x.
    EXPECT_SAME(-0.0f, crPow(-kInf, -3.0f));
    EXPECT_SAME(0.0f, crPow(-kInf, -2.0f));
    EXPECT_SAME(0.0f, crPow(-kInf, -0.5f));
    EXPECT_SAME(-kInf, crPow(-kInf, 3.0f));
    EXPECT_SAME(kInf, crPow(-kInf, 2.0f));
    EXPECT_SAME(kInf, crPow(-kInf, 0.5f));
    EXPECT_SAME(0.0f, crPow(kInf, -1.0f));
    EXPECT_SAME(kInf, crPow(kInf, 1e-30f));
}

TEST(CrPow, SignedZeroBases) {
    EXPECT_SAME(-kInf, crPow(-0.0f, -3.0f));
    EXPECT_SAME(kInf, crPow(0.0f, -3.0f));
    EXPECT_SAME(kInf, crPow(-0.0f, -2.0f));
    EXPECT_SAME(kInf, crPow(-0.0f, -0.5f));
    EXPECT_SAME(-0.0f, crPow(-0.0f, 3.0f));
    EXPECT_SAME(0.0f, crPow(0.0f, 3.0f));
    EXPECT_SAME(0.0f, crPow(-0.0f, 2.0f));
    EXPECT_SAME(0.0f, crPow(-0.0f, 1.5f));
    // Odd only below 2^24: larger floats are all even.
    EXPECT_SAME(-0.0f, crPow(-0.0f, 16777215.0f));
    EXPECT_SAME(0.0f, crPow(-0.0f, 16777216.0f));
}

TEST(CrPow, ExactPowersAreExact) {
    EXPECT_SAME(2.0f, crPow(4.0f, 0.5f));
    EXPECT_SAME(3.0f, crPow(81.0f, 0.25f));
    EXPECT_SAME(27.0f, crPow(9.0f, 1.5f));
    EXPECT_SAME(0.125f, crPow(0.25f, 1.5f));
    EXPECT_SAME(-8.0f, crPow(-2.0f, 3.0f));
    EXPECT_SAME(-0.125f, crPow(-2.0f, -3.0f));
    EXPECT_SAME(16.0f, crPow(-2.0f, 4.0f));
    EXPECT_SAME(1024.0f, crPow(2.0f, 10.0f));
    EXPECT_SAME(0x1p-100f, crPow(0x1p-50f, 2.0f));
    EXPECT_SAME(2.0f, crPow(0x1p-128f, -1.0f / 128));  // a subnormal base
    EXPECT_SAME(0x1.8p-1f, crPow(0x1.8p-1f, 1.0f));
    for (float x : {0.3f, 1.7f, 123.456f, 0x1.fffffep+127f, 0x1.234p-140f})
        EXPECT_SAME(x, crPow(x, 1.0f));
}

TEST(CrPow, ExactMidpointsRoundToEven) {
    // (1 + 2^-12)^2 = 1 + 2^-11 + 2^-24 lies halfway between two floats; the
    // even one is 1 + 2^-11.
    EXPECT_SAME(1.0f + 0x1p-11f, crPow(1.0f + 0x1p-12f, 2.0f));
    // (1 + 3*2^-12)^2 = 1 + 3*2^-11 + 9*2^-24: 9*2^-24 is 4.5 ulps, and the
    // even neighbour is 4 ulps.
    EXPECT_SAME(0x1.006008p+0f, crPow(1.0f + 0x3p-12f, 2.0f));
    // 2^-150 is halfway between 0 and the least subnormal: rounds to 0.
    EXPECT_SAME(0.0f, crPow(2.0f, -150.0f));
    EXPECT_SAME(0.0f, crPow(0.5f, 150.0f));
    EXPECT_SAME(kMinSubnormal, crPow(2.0f, -149.0f));
    // (3 * 2^-75)^2 = 4.5 subnormal units, (5 * 2^-75)^2 = 12.5: both go to the
    // even unit below.
    EXPECT_SAME(4 * kMinSubnormal, crPow(0x1.8p-74f, 2.0f));
    EXPECT_SAME(12 * kMinSubnormal, crPow(0x1.4p-73f, 2.0f));
}

TEST(CrPow, OverflowAndUnderflowEdges) {
    EXPECT_SAME(0x1p127f, crPow(2.0f, 127.0f));
    EXPECT_SAME(kInf, crPow(2.0f, 128.0f));
    EXPECT_SAME(-kInf, crPow(-2.0f, 129.0f));
    EXPECT_SAME(kInf, crPow(1.0f + 0x1p-23f, 1e10f));
    EXPECT_SAME(0.0f, crPow(1.0f - 0x1p-24f, 1e10f));
    EXPECT_SAME(0.0f, crPow(0x1p-149f, 2.0f));
    EXPECT_SAME(kInf, crPow(0x1p-149f, -1.0f));
    EXPECT_SAME(0x1p-140f, crPow(0.5f, 140.0f));  // subnormal and exact
}

}  // namespace
}  // namespace proctex
