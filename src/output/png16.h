// 16-bit greyscale PNG output, for height maps that need more than 256 levels.
#pragma once

#include <cstdint>
#include <vector>

#include "core/field.h"
#include "output/encoded_bytes.h"

namespace proctex {

// clamp(v, 0, 1) * 65535 rounded to nearest: 0.5 / 65535 and above -> 1,
// 1 and above -> 65535; NaN -> 0, as quantize gives for the 8-bit maps.
std::vector<uint16_t> heightTo16Bit(const FloatField& heights);

// The PNG file (grey, 16 bits per sample, big-endian as PNG stores them) of
// width x height values, row-major. Rows are filtered as in our 8-bit files
// (the five filters tried per row, lowest sum of absolute bytes wins), here
// with 2 bytes per pixel, and compressed by the same deflate as those files.
// Empty when memory runs out or unless width and height are positive; sizes
// must keep (2 * width + 1) * height below 2^31.
EncodedBytes encodeGrey16Png(const uint16_t* values, int width, int height);

}  // namespace proctex
