// Float fields written as 8-bit PNG files: quantisation (the material
// layer) then the PNG writer (the output layer), as the first maps were
// written one by one. The library writes its maps from byte images; the tests
// and benchmarks write whole float fields with these.
#pragma once

#include <string>

#include "core/field.h"

namespace proctex {

// Each writes a width x height image to `path` (created or truncated) and
// returns whether the file was written. The field must hold width * height
// elements. An unopenable path (missing directory, empty path) returns false,
// and so does a write cut short (a full disk, a file size limit).
bool writeColorPNG(const ColorField& colors, int width, int height, const std::string& path);
bool writeGrayPNG(const FloatField& values, int width, int height, const std::string& path);

}  // namespace proctex
