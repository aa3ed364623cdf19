// MPFR references for the correctly rounded sine, cosine and power, shared by
// the unit tests and the verification tool.
//
// A float result is computed at 24 bits, rounded to nearest, in float's
// exponent range with subnormals: exactly what a correctly rounded float
// function must return. Exponent limits are per thread in MPFR, so every
// thread that uses a FloatReference sets them by constructing one.
#pragma once

#include <mpfr.h>

#include <bit>
#include <cmath>
#include <cstdint>

namespace proctex::reference {

// Bitwise equality, with every NaN equal to every NaN.
inline bool sameFloat(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

class FloatReference {
public:
    FloatReference() {
        mpfr_set_emin(-148);  // 2^-149 = 0.5 * 2^-148, the least subnormal
        mpfr_set_emax(128);
        mpfr_inits2(24, a_, b_, r_, static_cast<mpfr_ptr>(nullptr));
        mpfr_inits2(kWide, wa_, wr_, static_cast<mpfr_ptr>(nullptr));
    }
    ~FloatReference() {
        mpfr_clears(a_, b_, r_, wa_, wr_, static_cast<mpfr_ptr>(nullptr));
        mpfr_free_cache2(MPFR_FREE_LOCAL_CACHE);  // this thread's constants, such as pi
    }
    FloatReference(const FloatReference&) = delete;
    FloatReference& operator=(const FloatReference&) = delete;

    float sin(float x) { return unary(mpfr_sin, x); }
    float cos(float x) { return unary(mpfr_cos, x); }
    float pow(float x, float y) {
        mpfr_set_flt(a_, x, MPFR_RNDN);
        mpfr_set_flt(b_, y, MPFR_RNDN);
        return finish(mpfr_pow(r_, a_, b_, MPFR_RNDN));
    }

    // |v / f(x) - 1| for an approximation v = hi + lo, with f(x) to 200 bits.
    double sinError(float x, double hi, double lo = 0) { return wideError(mpfr_sin, x, hi, lo); }
    double cosError(float x, double hi, double lo = 0) { return wideError(mpfr_cos, x, hi, lo); }
    double powError(float x, float y, double hi, double lo = 0) {
        const WideRange wide;
        mpfr_set_flt(wa_, x, MPFR_RNDN);
        mpfr_set_flt(a_, y, MPFR_RNDN);
        mpfr_pow(wr_, wa_, a_, MPFR_RNDN);
        return relative(hi, lo);
    }

private:
    static constexpr mpfr_prec_t kWide = 200;
    using Unary = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

    // The full exponent range while measuring errors, which lie far below
    // float's least subnormal.
    struct WideRange {
        mpfr_exp_t emin = mpfr_get_emin(), emax = mpfr_get_emax();
        WideRange() {
            mpfr_set_emin(mpfr_get_emin_min());
            mpfr_set_emax(mpfr_get_emax_max());
        }
        ~WideRange() {
            mpfr_set_emin(emin);
            mpfr_set_emax(emax);
        }
    };

    float unary(Unary f, float x) {
        mpfr_set_flt(a_, x, MPFR_RNDN);
        return finish(f(r_, a_, MPFR_RNDN));
    }
    float finish(int ternary) {
        ternary = mpfr_check_range(r_, ternary, MPFR_RNDN);
        mpfr_subnormalize(r_, ternary, MPFR_RNDN);
        return mpfr_get_flt(r_, MPFR_RNDN);
    }
    double wideError(Unary f, float x, double hi, double lo) {
        const WideRange wide;
        mpfr_set_flt(wa_, x, MPFR_RNDN);
        f(wr_, wa_, MPFR_RNDN);
        return relative(hi, lo);
    }
    double relative(double hi, double lo) {
        mpfr_t d;
        mpfr_init2(d, kWide);
        mpfr_set_d(d, hi, MPFR_RNDN);
        mpfr_add_d(d, d, lo, MPFR_RNDN);
        mpfr_sub(d, d, wr_, MPFR_RNDN);
        mpfr_div(d, d, wr_, MPFR_RNDN);
        const double e = std::fabs(mpfr_get_d(d, MPFR_RNDN));
        mpfr_clear(d);
        return e;
    }

    mpfr_t a_, b_, r_;
    mpfr_t wa_, wr_;
};

}  // namespace proctex::reference
