// The single-precision elementary functions every stage uses, in one place so
// that the whole library computes them the same way on every platform. Sine,
// cosine and power are our own correctly rounded versions (src/math), since
// the C libraries' differ between platforms; square root, floor and fmod are
// exact by IEEE 754 everywhere, so the standard ones are used.
#pragma once

#include <cmath>

#include "math/crmath.h"

namespace proctex {

inline float fsin(float x) {
    return crSin(x);
}
inline float fcos(float x) {
    return crCos(x);
}
inline float fsqrt(float x) {
    return std::sqrt(x);
}
inline float fpow(float x, float y) {
    return crPow(x, y);
}
inline float ffmod(float x, float y) {
    return std::fmod(x, y);
}
inline float ffloor(float x) {
    return std::floor(x);
}

}  // namespace proctex
