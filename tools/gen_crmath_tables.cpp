// Prints src/math/crmath_tables.h: every constant of the correctly rounded
// sine, cosine and power that is not a plain rational, computed with MPFR at
// a precision far beyond what the tables keep. Run it after changing a table's
// layout and commit its output:
//   build/release/tools/gen-crmath-tables > src/math/crmath_tables.h
#include <mpfr.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr mpfr_prec_t kWork = 1500;

// The bit layout the power's logarithm uses to pick a table row from the bits
// of a float; must match crmath_pow.cpp.
constexpr uint32_t kLogOffset = 0x3F34E000u;  // 0.70654296875f
constexpr int kLogIndexBits = 9;
constexpr int kLogCentreRow = 300;  // the row whose interval contains 1
constexpr int kLogShift = 23 - kLogIndexBits;
constexpr int kExp2Bits = 10;  // 2^(j/1024)

float fromBits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

struct Big {
    mpfr_t v;
    explicit Big(mpfr_prec_t prec = kWork) { mpfr_init2(v, prec); }
    ~Big() { mpfr_clear(v); }
    Big(const Big&) = delete;
    Big& operator=(const Big&) = delete;
};

// Rounded to nearest; a zero prints without its sign (sin(pi) and cos(pi/2)
// come out as tiny values of either sign before rounding).
double nearest(const Big& b) {
    const double d = mpfr_get_d(b.v, MPFR_RNDN);
    return d == 0 ? 0.0 : d;
}

// b rounded to `bits` significant bits, as a double.
double roundedTo(const Big& b, mpfr_prec_t bits) {
    Big r(bits);
    mpfr_set(r.v, b.v, MPFR_RNDN);
    return mpfr_get_d(r.v, MPFR_RNDN);
}

void printTwoOverPi() {
    Big t, w;
    mpfr_const_pi(t.v, MPFR_RNDN);
    mpfr_ui_div(t.v, 2, t.v, MPFR_RNDN);
    std::printf("// The bits of 2/pi after the binary point, 32 to a word, behind one word of\n");
    std::printf("// zeros so that a window may start up to 32 bits before the point.\n");
    std::printf("inline constexpr uint32_t kTwoOverPiWords[] = {\n    0x00000000u,");
    constexpr int kWords = 20;
    for (int i = 0; i < kWords; ++i) {
        mpfr_mul_2ui(t.v, t.v, 32, MPFR_RNDN);
        mpfr_floor(w.v, t.v);
        const unsigned long word = mpfr_get_ui(w.v, MPFR_RNDN);
        mpfr_sub(t.v, t.v, w.v, MPFR_RNDN);
        std::printf("%s0x%08lXu,", (i + 1) % 6 == 0 ? "\n    " : " ", word);
    }
    std::printf("\n};\n\n");

    // The same bits as the window the fast sine and cosine need for each float
    // exponent from 2^20 up: 128 bits from bit (biased exponent - 120) of the
    // padded words, so that no shifting is left to do at run time.
    Big u;
    mpfr_const_pi(u.v, MPFR_RNDN);
    mpfr_ui_div(u.v, 2, u.v, MPFR_RNDN);
    std::printf(
        "// For biased float exponents 147..254 (2^20 and up): the 128 bits of 2/pi that\n");
    std::printf("// start at bit (exponent - 120) of kTwoOverPiWords, as four words.\n");
    std::printf("inline constexpr uint32_t kTwoOverPiWindows[108][4] = {\n");
    for (int e = 147; e <= 254; ++e) {
        const int start = e - 120;  // bit index in the padded string, 32 zeros first
        std::printf("    {");
        for (int k = 0; k < 4; ++k) {
            // Bits [start + 32k, start + 32k + 32) of the padded string are
            // bits 1 + (start + 32k - 32) onward of 2/pi.
            const long first = start + 32L * k - 32 + 1;
            Big t, w;
            mpfr_mul_2si(t.v, u.v, first - 1 + 32, MPFR_RNDN);
            mpfr_floor(w.v, t.v);
            mpfr_div_2ui(w.v, w.v, 32, MPFR_RNDN);
            mpfr_floor(w.v, w.v);
            mpfr_mul_2ui(w.v, w.v, 32, MPFR_RNDN);
            mpfr_floor(t.v, t.v);
            mpfr_sub(t.v, t.v, w.v, MPFR_RNDN);
            std::printf("%s0x%08lXu", k ? ", " : "", mpfr_get_ui(t.v, MPFR_RNDN));
        }
        std::printf("},\n");
    }
    std::printf("};\n\n");
}

void printSinCos() {
    Big pi, a, s;
    mpfr_const_pi(pi.v, MPFR_RNDN);
    std::printf("// sin and cos of j*pi/64 for j = 0..127, rounded to nearest.\n");
    std::printf("inline constexpr double kSinCosTable[128][2] = {\n");
    for (int j = 0; j < 128; ++j) {
        mpfr_mul_si(a.v, pi.v, j, MPFR_RNDN);
        mpfr_div_2ui(a.v, a.v, 6, MPFR_RNDN);
        mpfr_sin(s.v, a.v, MPFR_RNDN);
        const double sj = nearest(s);
        mpfr_cos(s.v, a.v, MPFR_RNDN);
        const double cj = nearest(s);
        std::printf("    {%a, %a},\n", sj, cj);
    }
    std::printf("};\n\n");

    // pi/64 in three pieces; the first two have 28 significant bits so that
    // their products with a reduction multiple below 2^25 are exact.
    Big p, rest;
    mpfr_div_2ui(p.v, pi.v, 6, MPFR_RNDN);
    const double p1 = roundedTo(p, 28);
    mpfr_sub_d(rest.v, p.v, p1, MPFR_RNDN);
    const double p2 = roundedTo(rest, 28);
    mpfr_sub_d(rest.v, rest.v, p2, MPFR_RNDN);
    const double p3 = nearest(rest);
    Big inv;
    mpfr_ui_div(inv.v, 64, pi.v, MPFR_RNDN);
    std::printf("inline constexpr double kPiOver64Part1 = %a;\n", p1);
    std::printf("inline constexpr double kPiOver64Part2 = %a;\n", p2);
    std::printf("inline constexpr double kPiOver64Part3 = %a;\n", p3);
    std::printf("inline constexpr double kPiOver64 = %a;\n", nearest(p));
    std::printf("inline constexpr double kSixtyFourOverPi = %a;\n\n", nearest(inv));
}

void printDoubleDouble(const char* name, const Big& v) {
    const double hi = nearest(v);
    Big rest;
    mpfr_sub_d(rest.v, v.v, hi, MPFR_RNDN);
    std::printf("inline constexpr double %sHi = %a;\n", name, hi);
    std::printf("inline constexpr double %sLo = %a;\n", name, nearest(rest));
}

void printConstants() {
    Big v;
    mpfr_const_pi(v.v, MPFR_RNDN);
    mpfr_div_2ui(v.v, v.v, 1, MPFR_RNDN);
    printDoubleDouble("kPiOver2", v);
    mpfr_const_log2(v.v, MPFR_RNDN);
    printDoubleDouble("kLn2", v);
    mpfr_ui_div(v.v, 1, v.v, MPFR_RNDN);
    printDoubleDouble("kInvLn2", v);
    std::printf("\n");
}

void printPolynomials() {
    Big ln2, v, f;
    mpfr_const_log2(ln2.v, MPFR_RNDN);
    std::printf("// log2(1 + z) = L1 z + L2 z^2 + ... + L7 z^7: Lk = (-1)^(k+1) / (k ln 2).\n");
    std::printf("inline constexpr double kLog2Poly[7] = {\n");
    for (int k = 1; k <= 7; ++k) {
        mpfr_mul_si(v.v, ln2.v, k % 2 ? k : -k, MPFR_RNDN);
        mpfr_ui_div(v.v, 1, v.v, MPFR_RNDN);
        std::printf("    %a,\n", nearest(v));
    }
    std::printf("};\n");
    std::printf("// 2^(w/%d) = 1 + E1 w + E2 w^2 + E3 w^3: Ek = (ln 2 / %d)^k / k!.\n",
                1 << kExp2Bits, 1 << kExp2Bits);
    std::printf("inline constexpr double kExp2Poly[3] = {\n");
    mpfr_set_ui(f.v, 1, MPFR_RNDN);
    for (int k = 1; k <= 3; ++k) {
        mpfr_mul_ui(f.v, f.v, k, MPFR_RNDN);
        mpfr_pow_ui(v.v, ln2.v, k, MPFR_RNDN);
        mpfr_div(v.v, v.v, f.v, MPFR_RNDN);
        mpfr_div_2ui(v.v, v.v, kExp2Bits * k, MPFR_RNDN);
        std::printf("    %a,\n", nearest(v));
    }
    std::printf("};\n\n");
}

void printLogTable() {
    std::printf("// Rows of the power's logarithm. Row i covers the reduced mantissas m whose\n");
    std::printf("// float bits minus 0x%08X have i in bits %d..22. c is 1/(centre of the row)\n",
                kLogOffset, kLogShift);
    std::printf("// rounded to 21 bits (exactly 1 for the row around 1), so m*c is exact;\n");
    std::printf("// -log2(c) = hi + lo with hi a multiple of 2^-21.\n");
    std::printf("struct LogRow {\n    double c, hi, lo;\n};\n");
    std::printf("inline constexpr LogRow kLogTable[%d] = {\n", 1 << kLogIndexBits);
    double maxZ = 0;
    for (int i = 0; i < (1 << kLogIndexBits); ++i) {
        const double lo = fromBits(kLogOffset + (uint32_t(i) << kLogShift));
        const double hi = fromBits(kLogOffset + (uint32_t(i + 1) << kLogShift));
        double c = 1.0;
        if (i != kLogCentreRow) {
            Big centre, inv(21);
            mpfr_set_d(centre.v, lo, MPFR_RNDN);
            mpfr_add_d(centre.v, centre.v, hi, MPFR_RNDN);
            mpfr_div_2ui(centre.v, centre.v, 1, MPFR_RNDN);
            mpfr_ui_div(inv.v, 1, centre.v, MPFR_RNDN);
            c = mpfr_get_d(inv.v, MPFR_RNDN);
        }
        Big t, thi, tlo;
        mpfr_set_d(t.v, c, MPFR_RNDN);
        mpfr_log2(t.v, t.v, MPFR_RNDN);
        mpfr_neg(t.v, t.v, MPFR_RNDN);
        mpfr_mul_2ui(thi.v, t.v, 21, MPFR_RNDN);
        mpfr_rint(thi.v, thi.v, MPFR_RNDN);
        mpfr_div_2ui(thi.v, thi.v, 21, MPFR_RNDN);
        mpfr_sub(tlo.v, t.v, thi.v, MPFR_RNDN);
        std::printf("    {%a, %a, %a},\n", c, nearest(thi), nearest(tlo));
        const double z0 = lo * c - 1.0, z1 = hi * c - 1.0;
        if (z0 < 0 ? -z0 > maxZ : z0 > maxZ) maxZ = z0 < 0 ? -z0 : z0;
        if (z1 < 0 ? -z1 > maxZ : z1 > maxZ) maxZ = z1 < 0 ? -z1 : z1;
    }
    std::printf("};\n// Largest |m*c - 1| over the rows: %a.\n\n", maxZ);
}

void printExp2Table() {
    Big v;
    const int n = 1 << kExp2Bits;
    std::printf("// 2^(j/%d) for j = 0..%d, rounded to nearest.\n", n, n - 1);
    std::printf("inline constexpr double kExp2Table[%d] = {\n", n);
    for (int j = 0; j < n; ++j) {
        mpfr_set_si(v.v, j, MPFR_RNDN);
        mpfr_div_2ui(v.v, v.v, kExp2Bits, MPFR_RNDN);
        mpfr_exp2(v.v, v.v, MPFR_RNDN);
        std::printf("    %a,\n", nearest(v));
    }
    std::printf("};\n\n");
}

}  // namespace

int main() {
    std::printf("// Generated by tools/gen_crmath_tables.cpp with MPFR; do not edit by hand.\n");
    std::printf("#pragma once\n\n#include <cstdint>\n\n// clang-format off\n");
    std::printf("namespace proctex::crmath_detail {\n\n");
    printTwoOverPi();
    printSinCos();
    printConstants();
    printPolynomials();
    printLogTable();
    printExp2Table();
    std::printf("}  // namespace proctex::crmath_detail\n// clang-format on\n");
    return 0;
}
