// The correctly rounded functions against MPFR where their failures would
// hide from a random sample: the accurate paths (rarely taken), the inputs
// that reach them, the fast paths' error bounds (an error that grew but stayed
// below half an ulp would still round right most of the time), the rounding
// of double-doubles, and the tables the fast paths rely on.
#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>

#include "crmath_reference.h"
#include "math/crmath.h"
#include "math/crmath_internal.h"
#include "math/crmath_tables.h"

namespace proctex {
namespace {

using namespace crmath_detail;
using reference::FloatReference;
using reference::sameFloat;

float floatFromRandomBits(std::mt19937_64& engine, uint32_t lo, uint32_t hi) {
    return floatFromBits(static_cast<uint32_t>(lo + engine() % (uint64_t{hi} - lo + 1)));
}

TEST(CrMathAccuratePath, SinCosMatchMpfrAcrossTheRange) {
    FloatReference ref;
    std::mt19937_64 engine(1);
    for (int i = 0; i < 20000; ++i) {
        // All finite magnitudes, both signs; every fifth one below pi/4.
        const float x = floatFromRandomBits(engine, 0, i % 5 ? 0x7F7FFFFFu : 0x3F490FDAu) *
                        (i % 2 ? -1.0f : 1.0f);
        ASSERT_TRUE(sameFloat(ref.sin(x), sinCosCorrect(x, false))) << "sin " << std::hexfloat << x;
        ASSERT_TRUE(sameFloat(ref.cos(x), sinCosCorrect(x, true))) << "cos " << std::hexfloat << x;
    }
}

TEST(CrMathAccuratePath, PowMatchesMpfrAcrossTheRange) {
    FloatReference ref;
    std::mt19937_64 engine(2);
    for (int i = 0; i < 20000; ++i) {
        const float x = floatFromRandomBits(engine, 1, 0x7F7FFFFFu);
        float y = floatFromRandomBits(engine, 0, i % 3 ? 0x41000000u : 0x4F000000u);
        if (i % 2) y = -y;
        ASSERT_TRUE(sameFloat(ref.pow(x, y), powCorrect(x, y)))
            << std::hexfloat << "pow(" << x << ", " << y << ")";
    }
}

// The accurate paths must be far more accurate than the fast ones, or the
// rare inputs they exist for (within 2^-60 or so of a rounding boundary)
// would round the wrong way.
TEST(CrMathAccuratePath, DoubleDoubleValuesAreGoodTo2ToMinus90) {
    FloatReference ref;
    std::mt19937_64 engine(6);
    double worst = 0;
    for (int i = 0; i < 3000; ++i) {
        const float x = floatFromRandomBits(engine, 0x00800000u, 0x7F7FFFFFu);
        const DD s = sinCosAccurate(x, false);
        const DD c = sinCosAccurate(x, true);
        worst = std::max({worst, ref.sinError(x, s.hi, s.lo), ref.cosError(x, c.hi, c.lo)});
        const float b = floatFromRandomBits(engine, 0x00800000u, 0x40000000u);
        const float y = floatFromRandomBits(engine, 0, 0x41000000u);
        const DD p = powAccurate(b, y);
        if (p.hi != 0 && !std::isinf(p.hi)) worst = std::max(worst, ref.powError(b, y, p.hi, p.lo));
    }
    EXPECT_LT(worst, 0x1p-90);
}

// Inputs whose fast approximation lies within its tolerance of a rounding
// boundary, found by scanning, must still come out right.
TEST(CrMathAccuratePath, UndecidedInputsComeOutRight) {
    FloatReference ref;
    int hardSin = 0, hardCos = 0;
    for (uint32_t u = 0x3C000000u; u < 0x3C000000u + (1u << 24); ++u) {
        const float x = floatFromBits(u) * 1000.0f;
        if (nearRoundingBoundary(sinCosApprox(x, false), kSinCosTolerance)) {
            ++hardSin;
            ASSERT_TRUE(sameFloat(ref.sin(x), crSin(x))) << std::hexfloat << x;
        }
        if (nearRoundingBoundary(sinCosApprox(x, true), kSinCosTolerance)) {
            ++hardCos;
            ASSERT_TRUE(sameFloat(ref.cos(x), crCos(x))) << std::hexfloat << x;
        }
    }
    EXPECT_GE(hardSin, 4);
    EXPECT_GE(hardCos, 4);

    // Powers: the pipeline's ranges, and x near 1 with |y| > 8 for the general
    // path (elsewhere such exponents overflow or underflow).
    std::mt19937_64 engine(3);
    int hardPow = 0, hardWide = 0;
    for (int i = 0; i < (1 << 23); ++i) {
        const bool wide = i % 4 == 0;
        const float x = wide ? floatFromRandomBits(engine, 0x3F700000u, 0x3F880000u)
                             : floatFromRandomBits(engine, 0x00800000u, 0x40000000u);
        const float y = wide ? floatFromRandomBits(engine, 0x41000001u, 0x44800000u)
                             : floatFromRandomBits(engine, 0x3E000000u, 0x41000000u);
        if (powDecides(powApprox(x, y))) continue;
        ++(wide ? hardWide : hardPow);
        ASSERT_TRUE(sameFloat(ref.pow(x, y), crPow(x, y)))
            << std::hexfloat << "pow(" << x << ", " << y << ")";
    }
    // The scans are deterministic; these keep them from silently finding nothing.
    EXPECT_GE(hardPow, 1);
    EXPECT_GE(hardWide, 10);
}

TEST(CrMathFastPath, SinCosErrorStaysWithinItsBound) {
    FloatReference ref;
    std::mt19937_64 engine(4);
    double worst = 0;
    for (int i = 0; i < 30000; ++i) {
        const float x = floatFromRandomBits(engine, 0, 0x7F7FFFFFu);
        worst = std::max(worst, ref.sinError(x, sinCosApprox(x, false)));
        worst = std::max(worst, ref.cosError(x, sinCosApprox(x, true)));
    }
    EXPECT_LT(worst, kSinCosErrorBound);
}

TEST(CrMathFastPath, PowErrorStaysWithinBothPathsBounds) {
    FloatReference ref;
    std::mt19937_64 engine(5);
    double worstNarrow = 0, worstWide = 0;
    for (int i = 0; i < 30000; ++i) {
        float x, y;
        switch (i % 3) {
            case 0:  // the pipeline's ranges, and exponents up to the narrow path's limit 8
                x = floatFromRandomBits(engine, 1, 0x40000000u);
                y = i % 2 ? floatFromRandomBits(engine, 0, 0x40800000u)
                          : 8.0f - static_cast<float>(engine() % 1024) * 0x1p-7f;
                break;
            case 1:  // x near 1 with the largest y that stays finite: t near +-126
                x = 1.0f + static_cast<float>(static_cast<int>(engine() % 2001) - 1000) * 0x1p-24f;
                y = x == 1.0f ? 3.0f : static_cast<float>(126.0 / std::fabs(std::log2(double{x})));
                break;
            default:  // anything whose result is a normal float
                x = floatFromRandomBits(engine, 1, 0x7F7FFFFFu);
                y = floatFromRandomBits(engine, 0, 0x4F000000u);
                if (std::fabs(double{y} * std::log2(double{x})) > 125) y = 1 / y;
        }
        if (engine() & 1) y = -y;
        const Approx a = powApprox(x, y);
        if (a.value == 0 || std::isinf(a.value)) continue;
        double& worst = a.tolerance == kPowTolerance ? worstNarrow : worstWide;
        worst = std::max(worst, ref.powError(x, y, a.value));
    }
    EXPECT_LT(worstNarrow, kPowErrorBound);
    EXPECT_LT(worstWide, kPowWideErrorBound);
}

TEST(CrMathAccuratePath, ExactPowerRecognisesOnlyDyadicResults) {
    double v = 0;
    EXPECT_TRUE(exactPower(9.0f, 1.5f, v));
    EXPECT_EQ(27.0, v);
    FloatReference ref;
    // Not dyadic: a perfect square mantissa with an odd exponent, a perfect
    // fourth power with an exponent not divisible by 4, negative and
    // non-dyadic exponents. Nor taken: integer powers past 53 bits, whose
    // computation must not wrap around.
    for (auto [x, y] : {std::pair{18.0f, 0.5f},
                        {0x1.2p-2f, 1.5f},
                        {162.0f, 0.25f},
                        {3.0f, -2.0f},
                        {2.0f, 0.3f},
                        {0x1.8p-75f, 2.0f / 3},
                        {16777215.0f, 3.0f},
                        {16777213.0f, 3.0f}}) {
        EXPECT_FALSE(exactPower(x, y, v)) << x << " " << y;
        EXPECT_TRUE(sameFloat(ref.pow(x, y), powCorrect(x, y))) << x << " " << y;
    }
    // Dyadic: 2^-75 * 3 squared, 2^-128 to the 1/128, 81 * 2^8 to the 1/4.
    for (auto [x, y, expected] : {std::tuple{0x1.8p-74f, 2.0f, 0x1.2p-147},
                                  {0x1p-128f, 1.0f / 128, 0.5},
                                  {20736.0f, 0.25f, 12.0}}) {
        EXPECT_TRUE(exactPower(x, y, v)) << x << " " << y;
        EXPECT_EQ(expected, v);
    }
}

TEST(CrMathRounding, DoubleDoublesRoundToNearestEven) {
    const double mid = 1.0 + 0x1p-24;  // halfway between 1 and 1 + 2^-23
    EXPECT_EQ(1.0f, roundToFloat({mid, 0.0}));
    EXPECT_EQ(1.0f + 0x1p-23f, roundToFloat({mid, 0x1p-80}));
    EXPECT_EQ(1.0f, roundToFloat({mid, -0x1p-80}));
    EXPECT_EQ(-1.0f - 0x1p-23f, roundToFloat({-mid, -0x1p-80}));
    // Subnormal grid: 2.5 units is a tie (to 2), a hair above goes to 3.
    EXPECT_EQ(0x1p-148f, roundToFloat({0x5p-150, 0.0}));
    EXPECT_EQ(0x3p-149f, roundToFloat({0x5p-150, 0x1p-220}));
    EXPECT_EQ(0.0f, roundToFloat({0x1p-150, 0.0}));
    EXPECT_EQ(0x1p-149f, roundToFloat({0x1p-150, 0x1p-230}));
    // The boundary to infinity is the midpoint above the largest float.
    const double top = 0x1.fffffep127 + 0x1p103;
    EXPECT_EQ(0x1.fffffep127f, roundToFloat({top, -0x1p40}));
    EXPECT_TRUE(std::isinf(roundToFloat({top, 0.0})));
}

TEST(CrMathTables, WindowsAndReductionConstantsMatchTwoOverPi) {
    // Each per-exponent window equals the bits the general reduction reads.
    for (uint32_t e = 147; e <= 254; ++e) {
        uint32_t words[4];
        reduceTwoOverPi(1, static_cast<int>(e) - 150, words, 4);
        for (int k = 0; k < 4; ++k) ASSERT_EQ(kTwoOverPiWindows[e - 147][k], words[k]) << e;
    }
    mpfr_t pi, v;
    mpfr_inits2(400, pi, v, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(pi, MPFR_RNDN);
    // 2/pi to 640 bits.
    mpfr_ui_div(v, 2, pi, MPFR_RNDN);
    for (int w = 1; w <= 10; ++w) {
        mpfr_mul_2ui(v, v, 32, MPFR_RNDN);
        const uint32_t word = static_cast<uint32_t>(mpfr_get_ui(v, MPFR_RNDZ));
        EXPECT_EQ(word, kTwoOverPiWords[w]) << w;
        mpfr_sub_ui(v, v, word, MPFR_RNDN);
    }
    // pi/64 = part1 + part2 + part3 to 2^-115, the first two of 28 bits.
    mpfr_div_2ui(v, pi, 6, MPFR_RNDN);
    for (double part : {kPiOver64Part1, kPiOver64Part2, kPiOver64Part3})
        mpfr_sub_d(v, v, part, MPFR_RNDN);
    EXPECT_LT(std::fabs(mpfr_get_d(v, MPFR_RNDN)), 0x1p-115);
    for (double part : {kPiOver64Part1, kPiOver64Part2}) {
        uint64_t mantissa = (bitsOf(part) & 0xFFFFFFFFFFFFFull) | (uint64_t{1} << 52);
        EXPECT_EQ(0u, mantissa & ((uint64_t{1} << 25) - 1)) << part;
    }
    mpfr_clears(pi, v, static_cast<mpfr_ptr>(nullptr));
}

TEST(CrMathTables, LogRowsSplitMinusLog2COfA21BitC) {
    mpfr_t v;
    mpfr_init2(v, 200);
    for (const LogRow& row : kLogTable) {
        const uint64_t mantissa = bitsOf(row.c) & 0xFFFFFFFFFFFFFull;
        EXPECT_EQ(0u, mantissa & ((uint64_t{1} << 32) - 1)) << row.c;  // 21 bits
        EXPECT_EQ(row.hi, std::ldexp(std::nearbyint(std::ldexp(row.hi, 21)), -21));
        mpfr_set_d(v, row.c, MPFR_RNDN);
        mpfr_log2(v, v, MPFR_RNDN);
        mpfr_add_d(v, v, row.hi, MPFR_RNDN);
        mpfr_add_d(v, v, row.lo, MPFR_RNDN);
        EXPECT_LT(std::fabs(mpfr_get_d(v, MPFR_RNDN)), 0x1p-74) << row.c;
    }
    mpfr_clear(v);
}

}  // namespace
}  // namespace proctex
