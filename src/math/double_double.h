// Double-double arithmetic for the accurate paths of the correctly rounded
// functions: a value is hi + lo with |lo| <= ulp(hi) / 2, about 106 bits.
// Built from Knuth's two-sum and Dekker's product with Veltkamp splitting, so
// it needs no fused multiply-add and gives the same bits on every target.
// Arguments stay far from overflow (below 2^900 in magnitude) on all our paths.
#pragma once

namespace proctex::crmath_detail {

struct DD {
    double hi;
    double lo;
};

// a + b exactly, for any a and b.
inline DD twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    const double err = (a - (s - bb)) + (b - bb);
    return {s, err};
}

// a + b exactly, when a == 0 or |a| >= |b|.
inline DD fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a * b exactly (barring underflow of the error term).
inline DD twoProd(double a, double b) {
    constexpr double kSplitter = 134217729.0;  // 2^27 + 1
    const double p = a * b;
    const double ta = kSplitter * a;
    const double ah = ta - (ta - a);
    const double al = a - ah;
    const double tb = kSplitter * b;
    const double bh = tb - (tb - b);
    const double bl = b - bh;
    const double err = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, err};
}

inline DD neg(DD a) {
    return {-a.hi, -a.lo};
}

// Sum with the low parts added exactly too, so cancellation loses nothing.
inline DD add(DD a, DD b) {
    DD s = twoSum(a.hi, b.hi);
    const DD t = twoSum(a.lo, b.lo);
    s.lo += t.hi;
    s = fastTwoSum(s.hi, s.lo);
    s.lo += t.lo;
    return fastTwoSum(s.hi, s.lo);
}

inline DD sub(DD a, DD b) {
    return add(a, neg(b));
}

inline DD mul(DD a, DD b) {
    DD p = twoProd(a.hi, b.hi);
    p.lo += a.hi * b.lo + a.lo * b.hi;
    return fastTwoSum(p.hi, p.lo);
}

inline DD mul(DD a, double b) {
    DD p = twoProd(a.hi, b);
    p.lo += a.lo * b;
    return fastTwoSum(p.hi, p.lo);
}

inline DD div(DD a, DD b) {
    const double q1 = a.hi / b.hi;
    const DD r = sub(a, mul(b, q1));
    const double q2 = r.hi / b.hi;
    const DD r2 = sub(r, mul(b, q2));
    const double q3 = r2.hi / b.hi;
    const DD q = fastTwoSum(q1, q2);
    return add(q, DD{q3, 0.0});
}

inline DD div(DD a, double b) {
    return div(a, DD{b, 0.0});
}

}  // namespace proctex::crmath_detail
