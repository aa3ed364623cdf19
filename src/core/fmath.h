// The single-precision elementary functions every stage uses, in one place so
// that the whole library computes them the same way on every platform. Sine,
// cosine and power are our own correctly rounded versions (src/math), since
// the C libraries' differ between platforms; square root, floor and fmod are
// exact by IEEE 754 everywhere, so the standard ones are used.
#pragma once

#include <cmath>

#include "math/crmath.h"

namespace proctex {

#if defined(PROCTEX_FMATH_VIA_DOUBLE)

// Diagnostic builds only (PROCTEX_FMATH_VIA_DOUBLE=ON, made by
// scripts/test-windows when the Linux and Windows files differ): sine, cosine
// and power evaluated in double and rounded once to float, which is what the
// MinGW runtime linked into the Windows DLL does. When such a Linux build
// writes the DLL's bytes, the difference came from glibc's float functions.
inline float fsin(float x) {
    return static_cast<float>(std::sin(static_cast<double>(x)));
}
inline float fcos(float x) {
    return static_cast<float>(std::cos(static_cast<double>(x)));
}
inline float fpow(float x, float y) {
    return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
}

#else

inline float fsin(float x) {
    return crSin(x);
}
inline float fcos(float x) {
    return crCos(x);
}
inline float fpow(float x, float y) {
    return crPow(x, y);
}

#endif

// Exact operations: every conforming implementation gives the same result.
inline float fsqrt(float x) {
    return std::sqrt(x);
}
inline float ffmod(float x, float y) {
    return std::fmod(x, y);
}
inline float ffloor(float x) {
    return std::floor(x);
}
// Rounds half away from zero; exact on every platform.
inline float fround(float x) {
    return std::round(x);
}

}  // namespace proctex
