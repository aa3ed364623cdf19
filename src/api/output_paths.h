// Turning the caller's path into the narrow output paths of each image.
#pragma once

#include <string>

namespace proctex {

// The narrow form of a wide path in the current locale, at most 511 bytes.
// A null path, one that needs more bytes, or one holding a character the
// locale cannot represent gives the empty string (which no writer can open).
std::string narrowPath(const wchar_t* path);

// Replaces everything from the last ".png" (case-sensitive, anywhere in the
// path) with `suffix`; a path without ".png" is returned unchanged, so every
// image then goes to that one path.
std::string deriveOutputPath(const std::string& filenameStr, const char* suffix);

// "_diff.png", "_nmap.png", ... "_orm.png" for each map that has a file;
// null for PROCTEX_MAP_HEIGHT and any other number.
const char* mapFileSuffix(int map);

}  // namespace proctex
