// Our PNG encoder: for any 8-bit image the same bytes as stbi_write_png_to_mem
// at its defaults (its filter choice, its compressor, its chunks), made
// several times faster.
#pragma once

#include <cstdint>

#include "output/encoded_bytes.h"

namespace proctex {

// width x height pixels of 1..4 channels, rows strideBytes apart (at least
// width * channels). Empty when memory runs out or the image is too large for
// one PNG chunk (about 1.9 GB of filtered rows).
EncodedBytes encodePngOwn(const uint8_t* pixels, int width, int height, int channels,
                          int strideBytes);

}  // namespace proctex
