// 8-bit PNG output of float fields.
#pragma once

#include <cstdint>
#include <string>

#include "output/encoded_bytes.h"

namespace proctex {

// The file step of the map writers, on 8-bit pixels (1 or 3 channels per
// pixel, rows strideBytes apart): encodePngBytes, then writeFileBytes.
bool writePngFile(const std::string& path, int width, int height, int channels,
                  const uint8_t* pixels, int strideBytes);

// The PNG bytes writePngFile would write, in memory. Arguments must be valid
// (1..4 channels, stride at least width * channels, sizes that fit stb's int
// arithmetic); empty when memory runs out.
EncodedBytes encodePngBytes(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes);

}  // namespace proctex
