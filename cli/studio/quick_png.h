// Quick PNGs for the live page: the same pixels as the library's encoding,
// stored uncompressed, since over the loopback the bytes cost less than the
// time to compress them. Exports and map URLs keep the library's bytes.
#pragma once

#include <string>

namespace proctex::cli::studio {

// width x height 16-bit samples row by row; empty when zlib runs out of
// memory.
std::string encodeQuickGrey16Png(const unsigned short* samples, int width, int height);

// width x height pixels of `channels` bytes (1, 3 or 4), row by row; empty
// when zlib runs out of memory.
std::string encodeQuickPng(const unsigned char* pixels, int width, int height, int channels);

}  // namespace proctex::cli::studio
