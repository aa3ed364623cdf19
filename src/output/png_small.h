// A PNG encoding that spends time for size: the same pixels and header as
// encodePngOwn, but the rows filtered the way that compresses best (the
// default's per-row choice, or one filter on every row) and compressed by
// libdeflate at a strong level (dynamic Huffman codes, near-optimal parsing)
// instead of the fixed-code stream that keeps our default files identical to
// stb's. Several times slower than the default.
#pragma once

#include <cstdint>

#include "output/encoded_bytes.h"

namespace proctex {

// Whether this build has libdeflate. Without it encodePngSmall gives the
// default encoder's bytes.
bool smallPngAvailable();

// The contract of encodePngOwn: width x height pixels of 1..4 channels, rows
// strideBytes apart (at least width * channels); empty when memory runs out.
// Sizes must keep (width * channels + 1) * height below 2^31.
EncodedBytes encodePngSmall(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes);

}  // namespace proctex
