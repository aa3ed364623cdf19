#include "output/png_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/field_ops.h"
#include "output/file_output.h"
#include "output/png_encoder.h"

// stb only encodes here; file_output.cpp creates the files.
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace proctex {

bool writePngFile(const std::string& path, int width, int height, int channels,
                  const uint8_t* pixels, int strideBytes) {
    std::size_t length = 0;
    uint8_t* png = encodePngBytes(pixels, width, height, channels, strideBytes, &length);
    if (png == nullptr) return false;
    const bool written = writeFileBytes(path, png, length);
    freePngBytes(png);
    return written;
}

uint8_t* encodePngBytes(const uint8_t* pixels, int width, int height, int channels, int strideBytes,
                        std::size_t* length) {
#if defined(PROCTEX_STB_PNG_ENCODER)
    int size = 0;
    uint8_t* png = stbi_write_png_to_mem(pixels, strideBytes, width, height, channels, &size);
    *length = png != nullptr ? static_cast<std::size_t>(size) : 0;
    return png;
#else
    return encodePngOwn(pixels, width, height, channels, strideBytes, length);
#endif
}

void freePngBytes(void* bytes) {
    STBIW_FREE(bytes);
}

}  // namespace proctex
