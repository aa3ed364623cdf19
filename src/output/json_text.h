// Small pieces of JSON text for the documents the library writes by hand
// (the library has no JSON dependency).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace proctex {

// A quoted JSON string. Quotes, backslashes and control characters are
// escaped; bytes that are not valid UTF-8 become U+FFFD, so any input gives
// a document parsers accept.
std::string jsonString(std::string_view text);

// The shortest text that reads back as the same float, independent of the
// locale. JSON has no NaN or infinity: those are written as 0.
std::string jsonNumber(float value);

std::string jsonInteger(std::uint64_t value);

// "[a,b,...]" from items that are JSON text already.
std::string jsonArray(const std::vector<std::string>& items);

// A relative file name as a URI reference: unreserved characters and '/'
// stay, every other byte is percent-encoded ("a b#1.png" -> "a%20b%231.png").
std::string uriFromFileName(std::string_view fileName);

}  // namespace proctex
