// Creating a file from bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace proctex {

// Creates (or truncates) the file at `path` and writes `length` bytes to it.
// True only when every byte was written and the file was closed without an
// error, so a full disk or a file size limit is a failure, not a short file.
bool writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t length);

}  // namespace proctex
