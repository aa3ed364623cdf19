#include "output/png_writer.h"

#include <cstdio>
#include <vector>

#include "core/field_ops.h"
#include "core/numeric.h"

// Windows builds create their files with fopen_s. stb_image_write does so only
// when compiled by MSVC; under MinGW it would fall back to plain fopen (whose
// file is shareable while it is written). So there stb only encodes, and
// writePngFile below opens, writes and closes the file as stb's MSVC path does.
#if defined(_WIN32) && !defined(_MSC_VER)
#define PROCTEX_PNG_FOPEN_S 1
#define STBI_WRITE_NO_STDIO
#endif

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
#if defined(PROCTEX_PNG_FOPEN_S)
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(pixels, strideBytes, width, height, channels, &length);
    if (png == nullptr) return false;
    FILE* file = nullptr;
    const bool opened = fopen_s(&file, path.c_str(), "wb") == 0 && file != nullptr;
    if (opened) {
        // Like stb's own file path, the outcome of the write itself is not examined.
        std::fwrite(png, 1, static_cast<std::size_t>(length), file);
        std::fclose(file);
    }
    STBIW_FREE(png);
    return opened;
#else
    return stbi_write_png(path.c_str(), width, height, channels, pixels, strideBytes) != 0;
#endif
}

uint8_t quantize(float v) {
    const float t = clamp(v, 0.0f, 1.0f);
    return static_cast<uint8_t>(static_cast<uint32_t>(truncToInt32(t * 255.0f)) & 0xFFu);
}

bool writeColorPNG(const ColorField& colors, int width, int height, const std::string& path) {
    std::vector<uint8_t> imageData(fieldSize(width, height) * 3);
    for (std::size_t i = 0; i < colors.size(); ++i) {
        imageData[3 * i] = quantize(colors[i].r);
        imageData[3 * i + 1] = quantize(colors[i].g);
        imageData[3 * i + 2] = quantize(colors[i].b);
    }
    return writePngFile(path, width, height, 3, imageData.data(), width * 3);
}

bool writeGrayPNG(const FloatField& values, int width, int height, const std::string& path) {
    std::vector<uint8_t> imageData(fieldSize(width, height));
    for (std::size_t i = 0; i < values.size(); ++i) imageData[i] = quantize(values[i]);
    return writePngFile(path, width, height, 1, imageData.data(), width);
}

}  // namespace proctex
