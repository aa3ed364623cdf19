// Correctly rounded power of two floats.
//
// |x|^y = 2^t with t = y * log2|x|, log2|x| = e + log2(m) and m = |x| / 2^e
// in [0.7065, 1.4131). A table row chosen by the top nine bits of m gives
// c ~ 1/m (21 bits, so z = m*c - 1 is exact, |z| <= 2^-10) and
// -log2(c) = hi + lo with hi a multiple of 2^-21; log2(1 + z) = z * Q(z), Q a
// Taylor polynomial. e + hi has at most 29 bits, so th = y * (e + hi) is
// exact and carries the bulk of t; the rest is tl = (y*z) * Q + y*lo. All of
// t is kept in units of 2^-10 (y scaled by 1024, exactly). Then
// 2^t = 2^(k/1024) * 2^(w/1024) with k the integer nearest 1024 t and
// |w| <= 1/2: a table of 2^(j/1024), a power of two and a cubic.
//
// |y| <= 8 (every exponent the patterns use): Q of degree 3, its first
// omitted term below 2^-42.3 relative; |tl| < 0.0113, so t is good to
// 2^-48.75 absolute (2^-49.28 = 13.2 * 2^-53 relative on the result) and
// w = (th - k) + tl is formed with errors below 2^-57. The cubic is good to
// 2^-50.7 (its first omitted term) plus 1.02 * 2^-53 of rounding, the table
// and the final product add 2^-53 each: below 21.2 * 2^-53 = 2^-48.6 in all.
//
// Larger |y| (x near 1 with a large y can still give a finite result): Q of
// degree 5, good to 2.02 * 2^-53 relative, and th + tl made an exact
// double-double before reducing. The roundings forming tl add 5.1 * 2^-53 of
// |y*log2(1 + z)|, at most 1.01 |t| (the row around 1 has c = 1 and lo = 0;
// elsewhere |log2 x| is at least half the row's distance from 1); with
// |t| <= 152, t is good to 2^-43.36, that is 2^-43.88 relative on the
// result, plus 2^-50 from the exponential: below 2^-43.85.
#include <cmath>
#include <cstdint>
#include <limits>

#include "math/crmath.h"
#include "math/crmath_internal.h"
#include "math/crmath_tables.h"

namespace proctex {
namespace crmath_detail {
namespace {

constexpr uint32_t kLogOffset = 0x3F34E000u;  // bits of 0.70654296875f
constexpr double kRoundShift = 0x1.8p52;      // adding it rounds to an integer
constexpr float kInfinityF = std::numeric_limits<float>::infinity();
constexpr uint64_t kLowestHot = 0x3820000000000000ull;   // bits of 2^-125
constexpr uint64_t kHighestHot = 0x47C0000000000000ull;  // bits of 2^125

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

// The first steps, from the bits of a positive normal float x: z, the row
// and th = 1024 y (e + hi), exact.
struct LogParts {
    double z;
    double th;
    double y1024;
    const LogRow* row;
};

inline LogParts logParts(uint32_t ix, float y, int exponentBias) {
    const uint32_t tmp = ix - kLogOffset;
    const LogRow& row = kLogTable[(tmp >> 14) & 511];
    const int32_t e = static_cast<int32_t>(tmp) >> 23;
    const float m = floatFromBits(ix - (static_cast<uint32_t>(e) << 23));
    const double z = static_cast<double>(m) * row.c - 1.0;  // exact
    const double y1024 = static_cast<double>(y) * 1024.0;
    const double th = y1024 * (static_cast<double>(e + exponentBias) + row.hi);  // exact
    return {z, th, y1024, &row};
}

// Q(z) with log2(1 + z) = z * Q(z), to z^3 or z^5, by Estrin's scheme; the
// leading coefficient is added last so that the sums of the small terms hardly
// add to the error.
inline double log2Quotient3(double z) {
    const double mid = (z * z) * (kLog2Poly[2] + z * kLog2Poly[3]);
    return kLog2Poly[0] + (z * kLog2Poly[1] + mid);
}

double log2Quotient5(double z) {
    const double z2 = z * z;
    const double z4 = z2 * z2;
    const double high = kLog2Poly[4] + z * kLog2Poly[5];
    const double mid = z2 * (kLog2Poly[2] + z * kLog2Poly[3]) + z4 * high;
    return kLog2Poly[0] + (z * kLog2Poly[1] + mid);
}

// 2^(k/1024) * 2^(w/1024) for |w| <= 1/2 (a little more is fine), with
// kShifted = k + kRoundShift. The power of two goes straight into the
// exponent bits of the table value; out-of-range k give values outside
// [2^-125, 2^125] or NaN, never a wrong in-range value.
inline double exp2Scaled(double kShifted, double w) {
    const uint64_t kb = bitsOf(kShifted);
    const uint64_t scale = bitsOf(kExp2Table[kb & 1023]) + ((kb >> 10) << 52);
    const double p = 1.0 + w * (kExp2Poly[0] + w * (kExp2Poly[1] + w * kExp2Poly[2]));
    return doubleFromBits(scale) * p;
}

// |x|^y from the first steps, for |y| <= 8.
inline double powNarrow(const LogParts& lp) {
    const double tl = (lp.y1024 * lp.z) * log2Quotient3(lp.z) + lp.y1024 * lp.row->lo;
    const double kShifted = (lp.th + tl) + kRoundShift;
    const double w = (lp.th - (kShifted - kRoundShift)) + tl;  // both sums small
    return exp2Scaled(kShifted, w);
}

// |x|^y from the first steps, for any finite y: t as an exact double-double
// first; 0 or infinity where 2^t surely rounds to them.
double powWide(const LogParts& lp) {
    const double q = log2Quotient5(lp.z);
    const DD t = twoSum(lp.th, (lp.y1024 * lp.z) * q + lp.y1024 * lp.row->lo);
    if (t.hi > 130.0 * 1024) return std::numeric_limits<double>::infinity();
    if (t.hi < -152.0 * 1024) return 0.0;
    const double kShifted = t.hi + kRoundShift;
    return exp2Scaled(kShifted, (t.hi - (kShifted - kRoundShift)) + t.lo);  // exact difference
}

// Everything the hot path below leaves out: subnormal x, |y| > 8, results
// outside [2^-125, 2^125].
[[gnu::noinline]] float powOutside(float x, float y) {
    const Approx a = powApprox(x, y);
    return powDecides(a) ? static_cast<float>(a.value) : powCorrect(x, y);
}

// x^y for x positive and normal, 0 < |y| <= 8.
inline float powHot(float x, float y) {
    const double v = powNarrow(logParts(bitsOf(x), y, 0));
    if (bitsOf(v) - kLowestHot > kHighestHot - kLowestHot) return powOutside(x, y);
    if (nearRoundingBoundary(v, kPowTolerance)) return powCorrect(x, y);
    return static_cast<float>(v);
}

// |x|^y for x > 0 finite (subnormals included) and y finite, non-zero.
float powPositive(float x, float y) {
    const uint32_t ay = bitsOf(y) & 0x7FFFFFFFu;
    if (bitsOf(x) >= 0x00800000u && ay <= 0x41000000u) return powHot(x, y);
    return powOutside(x, y);
}

[[gnu::noinline]] float powSpecial(float x, float y) {
    const uint32_t ix = bitsOf(x);
    const uint32_t ax = ix & 0x7FFFFFFFu;
    const uint32_t ay = bitsOf(y) & 0x7FFFFFFFu;
    if (ay == 0 || ix == 0x3F800000u) return 1.0f;           // x^0, 1^y
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
    } else if (!xNegative) {
        return powPositive(x, y);
    } else {
        if (kind == IntegerKind::kNone) return std::numeric_limits<float>::quiet_NaN();
        magnitude = powPositive(floatFromBits(ax), y);
    }
    return negate ? -magnitude : magnitude;
}

}  // namespace

bool powDecides(const Approx& a) {
    if (a.value < 0x1p-126 && a.value != 0.0) {
        // Subnormal results round to multiples of 2^-149: compare the distance
        // to the nearest odd multiple of 2^-150 with the larger tolerance.
        const double scaled = a.value * 0x1p149;
        const double frac = scaled - static_cast<double>(static_cast<int64_t>(scaled));
        return std::fabs(frac - 0.5) > scaled * (kPowWideTolerance * 0x1p-53);
    }
    return !nearRoundingBoundary(a.value, a.tolerance);
}

Approx powApprox(float x, float y) {
    uint32_t ix = bitsOf(x);
    int bias = 0;
    if (ix < 0x00800000u) {  // subnormal: scale to normal, exactly
        ix = bitsOf(x * 0x1p24f);
        bias = -24;
    }
    const LogParts lp = logParts(ix, y, bias);
    if (!(y >= -8.0f && y <= 8.0f)) return {powWide(lp), kPowWideTolerance};
    // |t - th| < 0.0113 here, so th alone tells the extremes.
    if (lp.th > 130.0 * 1024) return {std::numeric_limits<double>::infinity(), kPowTolerance};
    if (lp.th < -152.0 * 1024) return {0.0, kPowTolerance};
    return {powNarrow(lp), kPowTolerance};
}

}  // namespace crmath_detail

float crPow(float x, float y) {
    using namespace crmath_detail;
    // The common case first: x positive and normal, 0 < |y| <= 8.
    if (bitsOf(x) - 0x00800000u < 0x7F000000u && (bitsOf(y) & 0x7FFFFFFFu) - 1u < 0x41000000u)
        return powHot(x, y);
    return powSpecial(x, y);
}

}  // namespace proctex
