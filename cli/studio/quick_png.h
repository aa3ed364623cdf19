// PNGs written by the studio itself, with zlib: the 16-bit height (the
// library encodes 8-bit images only, and writes its 16-bit height straight
// to files), and quick 8-bit PNGs for the live page: the same pixels as the
// library's encoding, stored uncompressed, since over the loopback the bytes
// cost less than the time to compress them.
#pragma once

#include <string>

namespace proctex::cli::studio {

// width x height samples row by row, deflated fast, or only stored when
// `quick`; empty when zlib runs out of memory.
std::string encodeGrey16Png(const unsigned short* samples, int width, int height,
                            bool quick = false);

// width x height pixels of `channels` bytes (1, 3 or 4), row by row; empty
// when zlib runs out of memory.
std::string encodeQuickPng(const unsigned char* pixels, int width, int height, int channels);

}  // namespace proctex::cli::studio
