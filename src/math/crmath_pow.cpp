// Correctly rounded power of two floats.
//
// Fast path: |x|^y = 2^t with t = y * log2|x|.
//   log2|x| = e + log2(m) with m = |x| / 2^e in [0.705, 1.410); a table row
//   chosen by the top bits of m gives c ~ 1/m (21 bits, so z = m*c - 1 is
//   exact, |z| <= 2^-8) and -log2(c) = hi + lo; log2(1 + z) is a degree-7
//   Taylor polynomial. e + hi has at most 29 bits, so y * (e + hi) is exact
//   and carries the bulk of t; the rest, y * (lo + log2(1 + z)), is one
//   rounded product. t is kept as an exact double-double.
//   2^t = 2^q * 2^(j/64) * 2^r with |r| <= 1/128: a table of 2^(j/64) and a
//   degree-5 polynomial.
//
// Error bound, relative to 2^t: the polynomial, its coefficients and the
// roundings make log2(1 + z) good to 3.03 * 2^-53 relative and add 2 * 2^-53
// relative of |lo + log2(1 + z)|; that part is at most 1.01 |log2 x| (the row
// around 1 has c = 1 and lo = 0; elsewhere |log2 x| is at least half the
// row's distance from 1), so the absolute error of t is at most
// 5.1 * 2^-53 * 1.01 * |t| <= 2^-43.4 with |t| <= 151.1, giving ln 2 * 2^-43.4
// <= 2^-43.93 on the result, and the exponential adds 3.03 * 2^-53. Total
// below 2^-43.9; results within 2^-41 of a rounding boundary take the
// accurate path.
#include <cstdint>
#include <limits>

#include "math/crmath.h"
#include "math/crmath_internal.h"
#include "math/crmath_tables.h"

namespace proctex {
namespace crmath_detail {
namespace {

constexpr uint64_t kLogOffset = 0x3FE6900000000000ull;  // bits of 0.705078125
constexpr double kRoundShift = 0x1.8p52;  // adding it rounds to an integer
constexpr float kInfinityF = std::numeric_limits<float>::infinity();

enum class IntegerKind { kNone, kOdd, kEven };

// Whether finite or infinite y is an integer, and its parity; infinities and
// values from 2^24 up count as even.
IntegerKind integerKind(float y) {
    const uint32_t u = bitsOf(y) & 0x7FFFFFFFu;
    const int exponent = static_cast<int>(u >> 23) - 127;
    if (u == 0) return IntegerKind::kEven;
    if (exponent < 0) return IntegerKind::kNone;
    if (exponent > 23) return IntegerKind::kEven;
    const uint32_t mantissa = (u & 0x7FFFFFu) | 0x800000u;
    const int unitBit = 23 - exponent;
    if (mantissa & ((1u << unitBit) - 1)) return IntegerKind::kNone;
    return (mantissa >> unitBit) & 1 ? IntegerKind::kOdd : IntegerKind::kEven;
}

// 2^t for t = th + tl, |t| <= 152 and |tl| <= ulp(th).
double exp2Approx(double th, double tl) {
    const double kd = (th * 64.0 + kRoundShift) - kRoundShift;  // nearest integer
    const double r = (th * 64.0 - kd) * 0x1p-6 + tl;           // the difference is exact
    const double p = 1.0 + r * (kExp2Poly[0] +
                                r * (kExp2Poly[1] +
                                     r * (kExp2Poly[2] + r * (kExp2Poly[3] + r * kExp2Poly[4]))));
    const int64_t k = static_cast<int64_t>(kd);
    return kExp2Table[k & 63] * p * powerOfTwo(static_cast<int>(k >> 6));
}

// |x|^y for x > 0 finite (subnormals included) and y finite, non-zero.
float powPositive(float x, float y) {
    const double v = powApprox(x, y);
    // Subnormal results round on a coarser grid than the test below assumes.
    if ((v < 0x1p-126 && v != 0.0) || nearRoundingBoundary(v, kPowTolerance))
        return powCorrect(x, y);
    return static_cast<float>(v);
}

float powSpecial(float x, float y) {
    const uint32_t ix = bitsOf(x);
    const uint32_t ax = ix & 0x7FFFFFFFu;
    const uint32_t ay = bitsOf(y) & 0x7FFFFFFFu;
    if (ay == 0 || ix == 0x3F800000u) return 1.0f;            // x^0, 1^y
    if (ax > 0x7F800000u || ay > 0x7F800000u) return x + y;  // NaN
    const bool yNegative = bitsOf(y) >> 31;
    if (ay == 0x7F800000u) {
        if (ax == 0x3F800000u) return 1.0f;  // (-1)^inf
        return (ax > 0x3F800000u) != yNegative ? kInfinityF : 0.0f;
    }
    const bool xNegative = ix >> 31;
    const IntegerKind kind = integerKind(y);
    const bool negate = xNegative && kind == IntegerKind::kOdd;
    float magnitude;
    if (ax == 0) {
        magnitude = yNegative ? kInfinityF : 0.0f;
    } else if (ax == 0x7F800000u) {
        magnitude = yNegative ? 0.0f : kInfinityF;
    } else {
        // Finite negative x (positive x took the fast path).
        if (kind == IntegerKind::kNone) return std::numeric_limits<float>::quiet_NaN();
        magnitude = powPositive(floatFromBits(ax), y);
    }
    return negate ? -magnitude : magnitude;
}

}  // namespace

double powApprox(float x, float y) {
    const uint64_t ux = bitsOf(static_cast<double>(x));
    const uint64_t tmp = ux - kLogOffset;
    const LogRow& row = kLogTable[(tmp >> 45) & 127];
    const int64_t e = static_cast<int64_t>(tmp) >> 52;
    const double m = doubleFromBits(ux - (static_cast<uint64_t>(e) << 52));
    const double z = m * row.c - 1.0;  // exact
    const double p =
        z * (kLog2Poly[0] +
             z * (kLog2Poly[1] +
                  z * (kLog2Poly[2] +
                       z * (kLog2Poly[3] +
                            z * (kLog2Poly[4] + z * (kLog2Poly[5] + z * kLog2Poly[6]))))));
    const double yd = y;
    const double th = yd * (static_cast<double>(e) + row.hi);  // both steps exact
    const double tl = yd * (row.lo + p);
    const DD t = twoSum(th, tl);
    // Beyond these, 2^t is sure to overflow or to round to zero.
    if (t.hi > 129.0) return std::numeric_limits<double>::infinity();
    if (t.hi < -151.0) return 0.0;
    return exp2Approx(t.hi, t.lo);
}

}  // namespace crmath_detail

float crPow(float x, float y) {
    using namespace crmath_detail;
    // The common case first: x positive and finite, y finite and non-zero.
    if (bitsOf(x) - 1u < 0x7F7FFFFFu && (bitsOf(y) & 0x7FFFFFFFu) - 1u < 0x7F7FFFFFu)
        return powPositive(x, y);
    return powSpecial(x, y);
}

}  // namespace proctex
