// 8-bit PNG output of float fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/field.h"

namespace proctex {

// The file step of the map writers, on 8-bit pixels (1 or 3 channels per
// pixel, rows strideBytes apart): encodePngBytes, then writeFileBytes.
bool writePngFile(const std::string& path, int width, int height, int channels,
                  const uint8_t* pixels, int strideBytes);

// The PNG bytes writePngFile would write, in memory. Arguments must be valid
// (1..4 channels, stride at least width * channels, sizes that fit stb's int
// arithmetic); returns null when memory runs out. Free with freePngBytes.
uint8_t* encodePngBytes(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                        std::size_t* length);
void freePngBytes(void* bytes);

}  // namespace proctex
