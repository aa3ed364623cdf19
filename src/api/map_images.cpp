#include "api/map_images.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "api/derived_maps.h"
#include "api/pipeline.h"
#include "core/field_ops.h"
#include "output/palette.h"
#include "output/png_writer.h"

namespace proctex {

namespace {

// Pixels per block: a multiple of 16, so the vector loops (4 heights, 16
// quantized values) split every block exactly where they split the field.
constexpr std::size_t kBlockPixels = 16384;

bool isGreyMaterial(int32_t materialType) {
    return materialType == PROCTEX_MATERIAL_GREY || materialType == PROCTEX_MATERIAL_GREY_ALT;
}

// Calls block(first, count) over the field in blocks of kBlockPixels.
template <typename Block>
void forEachBlock(std::size_t total, Block block) {
    for (std::size_t first = 0; first < total; first += kBlockPixels) {
        block(first, std::min(kBlockPixels, total - first));
    }
}

// Tone adjustments, then grey or palette colours.
ByteImage diffuseImage(const FloatField& heights, const ProctexSettings& s) {
    const bool grey = isGreyMaterial(s.materialType);
    ByteImage image = makeByteImage(s.width, s.height, grey ? 1 : 3);
    FloatField tones;
    ColorField colors;
    forEachBlock(heights.size(), [&](std::size_t first, std::size_t count) {
        const auto from = heights.begin() + static_cast<std::ptrdiff_t>(first);
        tones.assign(from, from + static_cast<std::ptrdiff_t>(count));
        if (s.contrast != 1.0f) applyContrast(tones, s.contrast);
        if (s.brightness != 0.0f) applyBrightness(tones, s.brightness);
        if (s.invert == 1) applyInvert(tones);
        if (grey) {
            quantizeRow(tones.data(), count, image.pixels.get() + first);
            return;
        }
        colors.resize(count);
        colorizeInto(tones.data(), count, s.materialType, colors.data());
        quantizeColors(colors, image.pixels.get() + first * 3);
    });
    return image;
}

// Whole rows per block, a multiple of 16 of them so that every block starts
// on a multiple of 16 quantized values.
ByteImage normalImage(const FloatField& heights, const ProctexSettings& s) {
    ByteImage image = makeByteImage(s.width, s.height, 3);
    const std::size_t width = static_cast<std::size_t>(s.width);
    const int blockRows =
        static_cast<int>((std::max<std::size_t>(kBlockPixels / width, 1) + 15) / 16 * 16);
    ColorField colors;
    for (int y = 0; y < s.height; y += blockRows) {
        const int rows = std::min(blockRows, s.height - y);
        colors.resize(width * static_cast<std::size_t>(rows));
        normalRows(heights, s.width, s.height, s.normalStrength, s.seamless != 0 || tiles(s), y,
                   rows, colors.data());
        quantizeColors(colors, image.pixels.get() + static_cast<std::size_t>(y) * width * 3);
    }
    return image;
}

// values(heights, count, out) makes one grey map's floats.
template <typename Values>
ByteImage greyMapImage(const FloatField& heights, const ProctexSettings& s, Values values) {
    ByteImage image = makeByteImage(s.width, s.height, 1);
    FloatField block(std::min(kBlockPixels, heights.size()));
    forEachBlock(heights.size(), [&](std::size_t first, std::size_t count) {
        values(heights.data() + first, count, block.data());
        quantizeRow(block.data(), count, image.pixels.get() + first);
    });
    return image;
}

}  // namespace

ByteImage buildMapImage(int map, const FloatField& heights, const ProctexSettings& s) {
    switch (map) {
        case PROCTEX_MAP_DIFFUSE:
            return diffuseImage(heights, s);
        case PROCTEX_MAP_NORMAL:
            return normalImage(heights, s);
        case PROCTEX_MAP_SPECULAR:
            return greyMapImage(heights, s, specularValues);
        case PROCTEX_MAP_ROUGHNESS:
            return greyMapImage(heights, s, [&s](const float* h, std::size_t n, float* out) {
                roughnessValues(h, n, s.roughness, out);
            });
        default:
            return greyMapImage(heights, s, metallicValues);
    }
}

}  // namespace proctex
