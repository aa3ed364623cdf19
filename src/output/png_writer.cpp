#include "output/png_writer.h"

#include <vector>

#include "core/field_ops.h"
#include "core/numeric.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace proctex {

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
    return stbi_write_png(path.c_str(), width, height, 3, imageData.data(), width * 3) != 0;
}

bool writeGrayPNG(const FloatField& values, int width, int height, const std::string& path) {
    std::vector<uint8_t> imageData(fieldSize(width, height));
    for (std::size_t i = 0; i < values.size(); ++i) imageData[i] = quantize(values[i]);
    return stbi_write_png(path.c_str(), width, height, 1, imageData.data(), width) != 0;
}

}  // namespace proctex
