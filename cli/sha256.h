// SHA-256 of a file's bytes, for the records that let a material be checked
// and made again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace proctex::cli {

// The digest of `length` bytes as 64 lower-case hex digits.
std::string sha256Hex(const uint8_t* data, std::size_t length);

}  // namespace proctex::cli
