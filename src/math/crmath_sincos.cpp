// Correctly rounded sine and cosine of a float.
//
// Fast path: |x| = k*pi/64 + r with |r| <= pi/128 (Cody-Waite in double below
// 2^20, the bits of 2/pi beyond), then sin or cos of (j*pi/64 + r), j = k mod
// 128, from a table of sin and cos at the multiples of pi/64 and short Taylor
// polynomials in r. Relative error below 2^-49 for every float (the tests and
// the exhaustive check measure it); the accurate path takes the rest.
#include <cstdint>

#include "math/crmath.h"
#include "math/crmath_internal.h"
#include "math/crmath_tables.h"

namespace proctex {
namespace crmath_detail {
namespace {

constexpr uint32_t kCodyWaiteLimit = 0x49800000u;  // bits of 2^20
constexpr double kRoundShift = 0x1.8p52;           // adding it rounds to an integer

// Taylor coefficients; with |r| <= pi/128 the first omitted terms are below
// 2^-61 (sine, relative) and 2^-58 (cosine).
constexpr double kSin3 = -1.0 / 6.0;
constexpr double kSin5 = 1.0 / 120.0;
constexpr double kSin7 = -1.0 / 5040.0;
constexpr double kCos2 = -1.0 / 2.0;
constexpr double kCos4 = 1.0 / 24.0;
constexpr double kCos6 = -1.0 / 720.0;

struct Reduced {
    double r;    // |x| - k*pi/64
    uint32_t j;  // k mod 128
};

// Below 2^20, k < 2^25 and k times the first two 28-bit pieces of pi/64 are
// exact; |x| - k*part1 is exact as well (the two lie within a factor of two),
// so the only errors are two roundings relative to r and k*part3's tail.
Reduced reduceSmall(double ax) {
    double kd = ax * kSixtyFourOverPi + kRoundShift;
    const uint32_t k = static_cast<uint32_t>(bitsOf(kd));
    kd -= kRoundShift;
    double r = ax - kd * kPiOver64Part1;
    r -= kd * kPiOver64Part2;
    r -= kd * kPiOver64Part3;
    return {r, k & 127u};
}

// From 2^20 up, the 128 bits of 2/pi around the binary point of x*2/pi give
// the fraction to 121 bits, centred to [-1/2, 1/2] units of pi/64.
Reduced reduceLarge(uint32_t ux) {
    const uint32_t mantissa = (ux & 0x7FFFFFu) | 0x800000u;
    const int exponent = static_cast<int>(ux >> 23) - 150;
    uint32_t w[4];
    reduceTwoOverPi(mantissa, exponent, w, 4);
    uint32_t j = w[0] >> 25;
    uint64_t hi = (static_cast<uint64_t>(w[0] & 0x1FFFFFFu) << 32) | w[1];
    uint64_t lo = (static_cast<uint64_t>(w[2]) << 32) | w[3];
    double sign = 1.0;
    if (hi >> 56) {  // fraction >= 1/2: take 1 - fraction from the next multiple
        j = (j + 1) & 127u;
        sign = -1.0;
        hi = (uint64_t{1} << 57) - hi - (lo != 0);
        lo = 0 - lo;
    }
    const double f = static_cast<double>(static_cast<int64_t>(hi)) * 0x1p-57 +
                     static_cast<double>(lo) * 0x1p-121;
    return {sign * f * kPiOver64, j};
}

}  // namespace

double sinCosApprox(float absX, bool cosine) {
    const uint32_t ux = bitsOf(absX);
    const Reduced red = ux < kCodyWaiteLimit ? reduceSmall(absX) : reduceLarge(ux);
    const double r = red.r;
    const double z = r * r;
    const double sinR = r + r * z * (kSin3 + z * (kSin5 + z * kSin7));
    const double cosRMinus1 = z * (kCos2 + z * (kCos4 + z * kCos6));
    const double s = kSinCosTable[red.j][0];
    const double c = kSinCosTable[red.j][1];
    // sin(a + r) = sin a + (sin a (cos r - 1) + cos a sin r), and likewise for
    // cos: the table value carries the bulk and takes one rounding.
    if (cosine) return c + (c * cosRMinus1 - s * sinR);
    return s + (s * cosRMinus1 + c * sinR);
}

}  // namespace crmath_detail

namespace {

float sinOrCos(float x, bool cosine) {
    using namespace crmath_detail;
    const uint32_t ux = bitsOf(x);
    const uint32_t ax = ux & 0x7FFFFFFFu;
    if (ax >= 0x7F800000u) return x - x;  // NaN for infinities and NaNs
    const double v = sinCosApprox(floatFromBits(ax), cosine);
    if (nearRoundingBoundary(v, kSinCosTolerance)) return sinCosCorrect(x, cosine);
    const float f = static_cast<float>(v);
    return (!cosine && (ux >> 31)) ? -f : f;
}

}  // namespace

float crSin(float x) {
    return sinOrCos(x, false);
}

float crCos(float x) {
    return sinOrCos(x, true);
}

}  // namespace proctex
