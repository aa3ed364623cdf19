// The zlib stream inside our PNG files: the same bytes stb_image_write's
// compressor makes (fixed Huffman codes, its hash-chain match finder with
// its bucket sizes, window bounds, tie and lazy-match rules, and its stored
// fallback), found with flat arrays and word-wide compares.
#pragma once

#include <cstddef>
#include <cstdint>

namespace proctex {

// Bytes that are always enough for the stream of `length` input bytes.
std::size_t zlibStreamBound(std::size_t length);

// Writes the zlib stream of data[0, length) (header, deflate data, Adler-32)
// to `out`, which holds zlibStreamBound(length) bytes, and returns its size.
// `length` must be positive and below 2^31. Throws std::bad_alloc when the
// match finder's tables cannot be allocated.
std::size_t writeZlibStream(const uint8_t* data, std::size_t length, uint8_t* out);

}  // namespace proctex
