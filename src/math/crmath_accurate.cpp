// The accurate paths of the correctly rounded functions, taken when the fast
// approximation lies too close to a float rounding boundary to decide, and the
// pieces they share with the fast paths: the exact argument reduction by 2/pi
// and the rounding of a double-double to float.
//
// These paths use none of the fast paths' tables or polynomials, so each
// checks the other in the tests.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "math/crmath_internal.h"
#include "math/crmath_tables.h"

namespace proctex::crmath_detail {
namespace {

constexpr DD kPiOver2{kPiOver2Hi, kPiOver2Lo};
constexpr DD kLn2{kLn2Hi, kLn2Lo};
constexpr DD kInvLn2{kInvLn2Hi, kInvLn2Lo};
constexpr DD kOne{1.0, 0.0};
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kRoundShift = 0x1.8p52;  // adding it rounds to an integer

// 32 bits of kTwoOverPiWords starting at bit `pos` (bit 0 being the first bit
// of the zero word in front).
uint32_t twoOverPiWindow(int pos) {
    const int w = pos >> 5;
    const int s = pos & 31;
    const uint64_t pair =
        (static_cast<uint64_t>(kTwoOverPiWords[w]) << 32) | kTwoOverPiWords[w + 1];
    return static_cast<uint32_t>(pair >> (32 - s));
}

// Sum of words[k] * 2^(2 - 32(k+1)) for k >= 1 and the low 30 bits of
// words[0]: the fraction of a reduction, as a double-double. The terms
// decrease and are all of one sign, so the sum keeps about 106 bits.
DD fractionOf(const uint32_t* words, int n) {
    DD sum{0.0, 0.0};
    double scale = 0x1p2;
    for (int k = 0; k < n; ++k) {
        scale *= 0x1p-32;
        const uint32_t w = k == 0 ? (words[0] & 0x3FFFFFFFu) : words[k];
        sum = add(sum, DD{static_cast<double>(w) * scale, 0.0});
    }
    return sum;
}

// sin(r) and cos(r) for |r| <= pi/4 (a little more is fine), as nested
// Taylor series: 1 - z/(2*3) * (1 - z/(4*5) * (...)). With 15 levels the
// first omitted term is below 2^-120.
DD sinTaylor(DD r) {
    const DD z = mul(r, r);
    DD acc = kOne;
    for (int n = 15; n >= 1; --n) {
        acc = sub(kOne, div(mul(acc, z), static_cast<double>((2 * n) * (2 * n + 1))));
    }
    return mul(acc, r);
}

DD cosTaylor(DD r) {
    const DD z = mul(r, r);
    DD acc = kOne;
    for (int n = 15; n >= 1; --n) {
        acc = sub(kOne, div(mul(acc, z), static_cast<double>((2 * n - 1) * (2 * n))));
    }
    return acc;
}

// e^w for |w| <= 0.35 (ln 2 / 2 with room), nested Taylor series to w^27/27!.
DD expTaylor(DD w) {
    DD acc = kOne;
    for (int k = 27; k >= 1; --k) acc = add(kOne, div(mul(acc, w), static_cast<double>(k)));
    return acc;
}

// log2(x) for a positive finite double: x = m * 2^e with m in [sqrt(1/2),
// sqrt(2)), ln m = 2 atanh(s) with s = (m - 1)/(m + 1), |s| < 0.1716, by its
// series to s^47.
DD log2Accurate(double x) {
    const uint64_t ux = bitsOf(x);
    int e = static_cast<int>(ux >> 52) - 1023;
    double m = doubleFromBits((ux & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    if (m > 1.4142135623730951) {
        m *= 0.5;
        e += 1;
    }
    // Both exact: m - 1 by Sterbenz's lemma, m + 1 because m (from a float)
    // has no bit below 2^-24, so the sum needs 26 bits.
    const DD s = div(DD{m - 1.0, 0.0}, DD{m + 1.0, 0.0});
    const DD s2 = mul(s, s);
    DD series = div(kOne, 47.0);
    for (int k = 45; k >= 1; k -= 2)
        series = add(mul(series, s2), div(kOne, static_cast<double>(k)));
    const DD lnM = mul(mul(s, series), 2.0);
    return add(DD{static_cast<double>(e), 0.0}, mul(lnM, kInvLn2));
}

// The odd integer mantissa and exponent of a finite non-zero float's
// magnitude: |v| = odd * 2^exp.
void oddDecompose(float v, uint32_t& odd, int& exp) {
    const uint32_t u = bitsOf(v) & 0x7FFFFFFFu;
    const uint32_t biased = u >> 23;
    uint32_t mant = u & 0x7FFFFFu;
    exp = biased == 0 ? -149 : static_cast<int>(biased) - 150;
    if (biased != 0) mant |= 0x800000u;
    const int tz = std::countr_zero(mant);
    odd = mant >> tz;
    exp += tz;
}

}  // namespace

void reduceTwoOverPi(uint32_t mantissa, int exponent, uint32_t* words, int n) {
    // Bits of 2/pi weighing 2^-i with i <= exponent - 2 contribute multiples of
    // 4 to mantissa * 2^exponent * 2/pi and are skipped; the window starts at
    // i = exponent - 1, which is bit exponent + 30 of the padded table.
    const int start = exponent + 30;
    uint64_t carry = 0;
    for (int k = n - 1; k >= 0; --k) {
        const uint64_t acc =
            static_cast<uint64_t>(mantissa) * twoOverPiWindow(start + 32 * k) + carry;
        words[k] = static_cast<uint32_t>(acc);
        carry = acc >> 32;
    }
}

float roundToFloat(DD v) {
    const bool negative = v.hi < 0;
    double hi = negative ? -v.hi : v.hi;
    double lo = negative ? -v.lo : v.lo;
    float result;
    if (hi < 0x1p-126) {
        // Float's subnormal grid: round hi + lo to a multiple of 2^-149.
        const double scaledHi = hi * 0x1p149;
        const double scaledLo = lo * 0x1p149;
        int64_t n = static_cast<int64_t>(scaledHi);  // below 2^23
        const double d = (scaledHi - static_cast<double>(n) - 0.5) + scaledLo;
        if (d > 0 || (d == 0 && (n & 1))) n += 1;
        result = static_cast<float>(static_cast<double>(n) * 0x1p-149);
    } else {
        // hi alone rounds the same as hi + lo unless it sits exactly on a
        // float rounding boundary; then lo's sign decides.
        const uint64_t bits = bitsOf(hi);
        if ((bits & 0x1FFFFFFFu) == (1u << 28) && lo != 0)
            hi = doubleFromBits(lo > 0 ? bits + 1 : bits - 1);
        result = static_cast<float>(hi);
    }
    return negative ? -result : result;
}

DD sinCosAccurate(float x, bool cosine) {
    const uint32_t ax = bitsOf(x) & 0x7FFFFFFFu;
    DD r;
    uint32_t quadrant = 0;
    if (ax < 0x3F490FDBu) {  // |x| < pi/4: no reduction
        r = DD{static_cast<double>(floatFromBits(ax)), 0.0};
    } else {
        uint32_t w[8];
        reduceTwoOverPi((ax & 0x7FFFFFu) | 0x800000u, static_cast<int>(ax >> 23) - 150, w, 8);
        quadrant = w[0] >> 30;
        bool negative = false;
        if (w[0] & 0x20000000u) {  // fraction >= 1/2: negate it modulo 1
            quadrant += 1;
            negative = true;
            uint32_t borrow = 1;  // two's complement: invert and add one
            for (int k = 7; k >= 0; --k) {
                const uint64_t v = static_cast<uint64_t>(~w[k]) + borrow;
                w[k] = static_cast<uint32_t>(v);
                borrow = static_cast<uint32_t>(v >> 32);
            }
        }
        r = mul(fractionOf(w, 8), kPiOver2);
        if (negative) r = neg(r);
    }
    if (cosine) quadrant += 1;
    DD v = (quadrant & 1) ? cosTaylor(r) : sinTaylor(r);
    if (quadrant & 2) v = neg(v);
    if (!cosine && (bitsOf(x) >> 31)) v = neg(v);
    return v;
}

float sinCosCorrect(float x, bool cosine) {
    return roundToFloat(sinCosAccurate(x, cosine));
}

bool exactPower(float x, float y, double& result) {
    if (y == 0) {
        result = 1;
        return true;
    }
    uint32_t mx, my;
    int ex, ey;
    oddDecompose(x, mx, ex);
    oddDecompose(y, my, ey);
    const bool yNegative = bitsOf(y) >> 31;
    if (mx == 1) {
        // x = 2^ex: exact when ex * y is an integer. The product is exact in
        // double (9 bits by 24).
        const double e = static_cast<double>(ex) * static_cast<double>(y);
        if (e > 400) {
            result = kInfinity;
            return true;
        }
        if (e < -400) {
            result = 0;
            return true;
        }
        const int n = static_cast<int>(e);
        if (static_cast<double>(n) != e) return false;
        result = powerOfTwo(n);
        return true;
    }
    // mx odd and >= 3: |x|^y is dyadic only for y = p / 2^k > 0 with mx a
    // perfect 2^k-th power, a^(2^k), and 2^k dividing ex; then it is
    // a^p * 2^(ex * p / 2^k). Since 3^16 > 2^24, k <= 3.
    if (yNegative) return false;
    uint64_t p;
    int k;
    if (ey >= 0) {
        if (ey > 6) return false;  // y >= 128: a^y would need more than 53 bits
        p = static_cast<uint64_t>(my) << ey;
        k = 0;
    } else {
        p = my;
        k = -ey;
    }
    if (k > 3 || p > 33) return false;  // 3^34 > 2^53
    uint64_t a = mx;
    for (int i = 0; i < k; ++i) {
        const uint64_t root = static_cast<uint64_t>(std::sqrt(static_cast<double>(a)));
        if (root * root != a) return false;
        a = root;
    }
    if (ex % (1 << k) != 0) return false;
    uint64_t value = 1;
    for (uint64_t i = 0; i < p; ++i) {
        if (value > ((uint64_t{1} << 53) - 1) / a) return false;  // before it can wrap
        value *= a;
    }
    const int e = ex / (1 << k) * static_cast<int>(p);
    if (e > 200) {
        result = kInfinity;
    } else if (e < -300) {
        result = 0;
    } else {
        result = static_cast<double>(value) * powerOfTwo(e);
    }
    return true;
}

DD powAccurate(float x, float y) {
    const DD t = mul(log2Accurate(static_cast<double>(x)), static_cast<double>(y));
    if (t.hi > 129) return DD{kInfinity, 0.0};
    if (t.hi < -152) return DD{0.0, 0.0};
    // 2^t = 2^n * e^(f ln 2) with n the integer nearest t and |f| <= 1/2.
    const double n = (t.hi + kRoundShift) - kRoundShift;
    const DD f = add(DD{t.hi - n, 0.0}, DD{t.lo, 0.0});
    const DD e = expTaylor(mul(f, kLn2));
    const double scale = powerOfTwo(static_cast<int>(n));
    return DD{e.hi * scale, e.lo * scale};
}

float powCorrect(float x, float y) {
    double exact;
    if (exactPower(x, y, exact)) return static_cast<float>(exact);
    return roundToFloat(powAccurate(x, y));
}

}  // namespace proctex::crmath_detail
