// Numbers as people read them in messages.
#pragma once

#include <charconv>
#include <string>

namespace proctex {

// The shortest text that reads back as the same float: "0", "0.55", "1e-05",
// "nan", "inf".
inline std::string numberText(float v) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, result.ptr);
}

}  // namespace proctex
