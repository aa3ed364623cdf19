// Correctly rounded sine and cosine of a float.
//
// Fast path: |x| = k*pi/64 + r with |r| <= pi/128 (Cody-Waite in double below
// 2^20, the bits of 2/pi beyond), then sin or cos of (j*pi/64 + r), j = k mod
// 128, from a table of sin and cos at the multiples of pi/64 and short Taylor
// polynomials in r.
//
// Error: r is good to 2^-52 relative (two roundings, or the 121-bit fraction
// converted and multiplied by pi/64) plus, below 2^20, an absolute 2^-91 from
// k times the last piece of pi/64 and what lies beyond it. That part matters
// only where the result is tiny, near a multiple of pi/2, and no float in
// [pi/4, 2^20) comes closer to one than 2^-27.8 (at x = 0x1.f9cbe2p+7), so it
// stays below 2^-63 relative. The polynomials add 1.1 * 2^-53 (their first omitted terms are
// below 2^-58), the table values and the final sum 2^-53 each, and the
// correction term cancels the table value by at most a factor of 3 (at j = 1,
// r = -pi/128): below 2^-49 relative in all. The exhaustive check confirms it
// for every float; results within 2^-45 of a rounding boundary take the
// accurate path.
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
inline Reduced reduceSmall(double ax) {
    double kd = ax * kSixtyFourOverPi + kRoundShift;
    const uint32_t k = static_cast<uint32_t>(bitsOf(kd));
    kd -= kRoundShift;
    double r = ax - kd * kPiOver64Part1;
    r -= kd * kPiOver64Part2;
    r -= kd * kPiOver64Part3;
    return {r, k & 127u};
}

// From 2^20 up, the 128 bits of 2/pi around the binary point of x*2/pi give
// the fraction to 121 bits, centred to [-1/2, 1/2] units of pi/64. The
// mantissa has 24 bits, so each 32-bit partial product fits in 56.
inline Reduced reduceLarge(uint32_t ux) {
    const uint64_t mantissa = (ux & 0x7FFFFFu) | 0x800000u;
    const uint32_t* window = kTwoOverPiWindows[(ux >> 23) - 147];
    const uint64_t p3 = mantissa * window[3];
    const uint64_t p2 = mantissa * window[2] + (p3 >> 32);
    const uint64_t p1 = mantissa * window[1] + (p2 >> 32);
    const uint64_t p0 = mantissa * window[0] + (p1 >> 32);
    // The top 64 bits hold k mod 128 (7 bits) and 57 bits of fraction; adding
    // half a unit makes k the nearest multiple and leaves the fraction minus
    // one half, signed, in [-1/2, 1/2).
    const uint64_t top = ((p0 << 32) | (p1 & 0xFFFFFFFFu)) + (uint64_t{1} << 56);
    const uint32_t j = static_cast<uint32_t>(top >> 57);
    const int64_t fracHi =
        static_cast<int64_t>(top & ((uint64_t{1} << 57) - 1)) - (int64_t{1} << 56);
    const uint64_t lo = (p2 << 32) | (p3 & 0xFFFFFFFFu);
    // fracHi * 2^64 + lo, in units of 2^-121; lo's top 52 bits are all the
    // double can use.
    const double f = static_cast<double>(fracHi) * 0x1p-57 +
                     static_cast<double>(static_cast<int64_t>(lo >> 12)) * 0x1p-109;
    return {f * kPiOver64, j};
}

template <bool kCosine>
inline double sinCosApproxImpl(float absX) {
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
    if (kCosine) return c + (c * cosRMinus1 - s * sinR);
    return s + (s * cosRMinus1 + c * sinR);
}

}  // namespace

double sinCosApprox(float absX, bool cosine) {
    return cosine ? sinCosApproxImpl<true>(absX) : sinCosApproxImpl<false>(absX);
}

}  // namespace crmath_detail

namespace {

template <bool kCosine>
inline float sinOrCos(float x) {
    using namespace crmath_detail;
    const uint32_t ux = bitsOf(x);
    const uint32_t ax = ux & 0x7FFFFFFFu;
    if (ax >= 0x7F800000u) return x - x;  // NaN for infinities and NaNs
    const double v = sinCosApproxImpl<kCosine>(floatFromBits(ax));
    if (nearRoundingBoundary(v, kSinCosTolerance)) return sinCosCorrect(x, kCosine);
    const float f = static_cast<float>(v);
    return (!kCosine && (ux >> 31)) ? -f : f;
}

}  // namespace

float crSin(float x) {
    return sinOrCos<false>(x);
}

float crCos(float x) {
    return sinOrCos<true>(x);
}

}  // namespace proctex
