// 16-bit grey PNGs in memory, for the height map: the library encodes 8-bit
// images only, and writes its 16-bit height straight to files.
#pragma once

#include <string>

namespace proctex::cli::studio {

// width x height samples row by row; empty when zlib runs out of memory.
std::string encodeGrey16Png(const unsigned short* samples, int width, int height);

}  // namespace proctex::cli::studio
