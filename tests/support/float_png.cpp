#include "float_png.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "material/quantize.h"
#include "output/file_output.h"
#include "output/png_writer.h"

namespace proctex {

namespace {

// 8-bit pixels (1 or 3 channels, rows strideBytes apart) encoded, then written.
bool writePngFile(const std::string& path, int width, int height, int channels,
                  const uint8_t* pixels, int strideBytes) {
    const EncodedBytes png = encodePngBytes(pixels, width, height, channels, strideBytes);
    return !png.empty() && writeFileBytes(path, png.data(), png.size());
}

}  // namespace

bool writeColorPNG(const ColorField& colors, int width, int height, const std::string& path) {
    static_assert(sizeof(Color3) == 3 * sizeof(float), "Color3 is three packed floats");
    const std::size_t count = fieldSize(width, height) * 3;
    const std::unique_ptr<uint8_t[]> imageData(new uint8_t[count]);
    // r, g, b of every pixel lie one after the other, in the order of the bytes.
    const std::size_t filled = std::min(count, colors.size() * 3);
    quantizeFloats(reinterpret_cast<const unsigned char*>(colors.data()), filled, imageData.get());
    std::fill(imageData.get() + filled, imageData.get() + count, uint8_t{0});
    return writePngFile(path, width, height, 3, imageData.get(), width * 3);
}

bool writeGrayPNG(const FloatField& values, int width, int height, const std::string& path) {
    const std::size_t count = fieldSize(width, height);
    const std::unique_ptr<uint8_t[]> imageData(new uint8_t[count]);
    const std::size_t filled = std::min(count, values.size());
    quantizeRow(values.data(), filled, imageData.get());
    std::fill(imageData.get() + filled, imageData.get() + count, uint8_t{0});
    return writePngFile(path, width, height, 1, imageData.get(), width);
}

}  // namespace proctex
