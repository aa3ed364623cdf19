#include "output/png_writer.h"

#include <cstdio>
#include <cstring>

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

EncodedBytes encodePngBytes(const uint8_t* pixels, int width, int height, int channels,
                            int strideBytes) {
#if defined(PROCTEX_STB_PNG_ENCODER)
    // stb allocates with STBIW_MALLOC, which is std::malloc here, as EncodedBytes expects.
    int size = 0;
    uint8_t* png = stbi_write_png_to_mem(pixels, strideBytes, width, height, channels, &size);
    return EncodedBytes::adopt(png, static_cast<std::size_t>(size));
#else
    return encodePngOwn(pixels, width, height, channels, strideBytes);
#endif
}

}  // namespace proctex
