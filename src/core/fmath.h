// The single-precision elementary functions every stage uses, in one place so
// that the whole library can switch to other implementations at once.
#pragma once

#include <cmath>

namespace proctex {

inline float fsin(float x) {
    return std::sin(x);
}
inline float fcos(float x) {
    return std::cos(x);
}
inline float fsqrt(float x) {
    return std::sqrt(x);
}
inline float fpow(float x, float y) {
    return std::pow(x, y);
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
