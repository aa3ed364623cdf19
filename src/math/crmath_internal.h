// The pieces of the correctly rounded functions, shared between the fast and
// the accurate paths and open to the tests and the verification tool.
//
// Every function first computes a double approximation with a proven relative
// error bound. When the approximation lies farther than that bound from every
// rounding boundary of float, converting it to float is the correctly rounded
// result; otherwise (about one call in a million, one in 2^14 for powers
// with |y| > 8) an accurate path recomputes the value in double-double
// arithmetic, to about 2^-95 relative.
#pragma once

#include <bit>
#include <cstdint>

#include "math/double_double.h"

namespace proctex::crmath_detail {

inline uint64_t bitsOf(double d) {
    return std::bit_cast<uint64_t>(d);
}
inline double doubleFromBits(uint64_t u) {
    return std::bit_cast<double>(u);
}
inline uint32_t bitsOf(float f) {
    return std::bit_cast<uint32_t>(f);
}
inline float floatFromBits(uint32_t u) {
    return std::bit_cast<float>(u);
}

// 2^n as a double, for -1022 <= n <= 1023.
inline double powerOfTwo(int n) {
    return doubleFromBits(static_cast<uint64_t>(n + 1023) << 52);
}

// Whether v (a normal double whose float rounding is a normal float or
// overflows) may lie on the other side of a float rounding boundary than a
// value within `tolerance` units in the last place of v. The 29 bits that
// float drops are at 2^28 exactly on a boundary.
inline bool nearRoundingBoundary(double v, uint32_t tolerance) {
    const uint32_t low = static_cast<uint32_t>(bitsOf(v)) & 0x1FFFFFFFu;
    return low - ((1u << 28) - tolerance) <= 2 * tolerance;
}

// The fast paths' proven relative error bounds (derived in crmath_sincos.cpp
// and crmath_pow.cpp; the power has a path for |y| <= 8 and a wide one), and
// the tolerances of the rounding test, in units in the last place of the
// double result. A tolerance of 2^n ulp covers a relative error of 2^(n - 53)
// at least; each is set more than 8 times above its bound.
inline constexpr double kSinCosErrorBound = 0x1p-49;
inline constexpr double kPowErrorBound = 0x1.7p-49;      // 2^-48.48
inline constexpr double kPowWideErrorBound = 0x1.2p-44;  // 2^-43.83
inline constexpr uint32_t kSinCosTolerance = 1u << 8;
inline constexpr uint32_t kPowTolerance = 1u << 8;
inline constexpr uint32_t kPowWideTolerance = 1u << 13;
static_assert(kSinCosTolerance * 0x1p-53 > 8 * kSinCosErrorBound);
static_assert(kPowTolerance * 0x1p-53 > 8 * kPowErrorBound);
static_assert(kPowWideTolerance * 0x1p-53 > 8 * kPowWideErrorBound);

// A fast path's result before rounding, and the tolerance that applies to it.
struct Approx {
    double value;
    uint32_t tolerance;
};

// Rounds hi + lo (a double-double, |lo| <= ulp(hi)) to the nearest float,
// ties to even, subnormal and overflowing results included.
float roundToFloat(DD v);

// x*2/pi for x = mantissa * 2^exponent (mantissa < 2^24, exponent >= -31):
// fills `words` (most significant first) with the 32*n bits of
// (x * 2/pi mod 4) * 2^(32n - 2). The top two bits are the quadrant, the top
// seven the multiple of pi/64 modulo 128, the rest the fraction. The error is
// below 2^(26 - 32n) units of the quadrant.
void reduceTwoOverPi(uint32_t mantissa, int exponent, uint32_t* words, int n);

// The fast paths before rounding, for absX >= 0 finite (sine and cosine) and for
// x > 0 finite and y finite, non-zero (power; the value is exactly 0 or
// infinity where the result is sure to round to 0 or overflow).
double sinCosApprox(float absX, bool cosine);
Approx powApprox(float x, float y);

// Whether a power approximation, converted to float, is the correctly rounded
// result (subnormal results included); otherwise the accurate path decides.
bool powDecides(const Approx& a);

// The accurate paths: the correctly rounded result for any finite input, and
// the double-double value it is rounded from.
DD sinCosAccurate(float x, bool cosine);
float sinCosCorrect(float x, bool cosine);
DD powAccurate(float x, float y);    // x > 0 finite, y finite
float powCorrect(float x, float y);  // x > 0 finite, y finite

// |x|^y when it is a dyadic rational of at most 53 bits (the only powers that
// can fall exactly on a float or a rounding boundary), as an exact double or
// as 0 or infinity where it lies far outside float's range.
bool exactPower(float x, float y, double& result);

}  // namespace proctex::crmath_detail
