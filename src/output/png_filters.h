// The row filters of the PNG encoder, chosen per row exactly as
// stb_image_write chooses them, so our files keep stb's bytes.
#pragma once

#include <cstdint>

#include "core/cpu_features.h"

namespace proctex {

// Which kernel filters the rows. `automatic` takes the widest the processor
// has; the others force one kernel (tests and benchmarks compare them).
enum class FilterPath { automatic, portable, sse2, avx2 };

// Filters `height` rows of width * channels bytes each (rows `stride` bytes
// apart in `pixels`). For every row all five PNG filters are tried (none,
// sub, up, average, Paeth, with zero bytes left of the first pixel and above
// the first row); the one whose filtered bytes, read as signed chars, have
// the lowest sum of absolute values wins, the first one on ties. Writes per
// row the filter number (0..4) and then the filtered bytes:
// height * (width * channels + 1) bytes to `out`.
void filterImage(const uint8_t* pixels, int width, int height, int channels, int stride,
                 uint8_t* out, FilterPath path = FilterPath::automatic);

}  // namespace proctex
