// The 8-bit PNG encoding of the map files: ours, or stb_image_write's in a
// build made to compare the two.
#pragma once

#include <cstdint>

#include "output/encoded_bytes.h"

namespace proctex {

// The PNG file of width x height pixels of 1..4 channels, rows strideBytes
// apart, in memory. Arguments must be valid (stride at least width *
// channels, sizes that fit stb's int arithmetic); empty when memory runs out.
EncodedBytes encodePngBytes(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes);

}  // namespace proctex
