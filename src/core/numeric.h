// Integer conversions with defined results for every input.
#pragma once

#include <cstdint>
#include <limits>

namespace proctex {

// Truncates toward zero. NaN and values outside the int32 range give INT32_MIN,
// which is what x86's cvttss2si returns, so results match the hardware without
// relying on undefined behaviour.
inline int32_t truncToInt32(float v) {
    if (v >= -2147483648.0f && v < 2147483648.0f) return static_cast<int32_t>(v);
    return std::numeric_limits<int32_t>::min();
}

// seed + offset with 32-bit wrap-around, done in unsigned arithmetic.
inline int32_t wrappingAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t wrappingMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace proctex
