#include "api/map_images.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "api/pipeline.h"
#include "core/field_ops.h"
#include "core/progress.h"
#include "material/derived_maps.h"
#include "material/palette.h"
#include "material/pbr_maps.h"
#include "material/quantize.h"
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
        progressStillWorking();  // a map of a cancelled call stops within a block
        block(first, std::min(kBlockPixels, total - first));
    }
}

// The material's colours of the tones: the caller's ramp or a palette.
void colorTones(const float* tones, std::size_t count, const ProctexSettings& s, Color3* colors) {
    if (!customRampInto(tones, count, s, colors))
        colorizeInto(tones, count, s.materialType, colors);
}

// Contrast and brightness on the relief (already turned over when invert is
// set), the material's colours, then the PBR ranges and the metal's colour.
ByteImage pbrDiffuseImage(const FloatField& relief, const ProctexSettings& s) {
    ByteImage image = makeByteImage(s.width, s.height, 3);
    const PbrLook look = pbrLook(s);
    FloatField tones;
    ColorField colors;
    forEachBlock(relief.size(), [&](std::size_t first, std::size_t count) {
        const auto from = relief.begin() + static_cast<std::ptrdiff_t>(first);
        tones.assign(from, from + static_cast<std::ptrdiff_t>(count));
        if (s.contrast != 1.0f) applyContrast(tones, s.contrast);
        if (s.brightness != 0.0f) applyBrightness(tones, s.brightness);
        colors.resize(count);
        if (isGreyMaterial(s.materialType)) {
            for (std::size_t i = 0; i < count; ++i) colors[i] = {tones[i], tones[i], tones[i]};
        } else {
            colorTones(tones.data(), count, s, colors.data());
        }
        pbrBaseColors(relief.data() + first, count, look, colors.data());
        quantizeColors(colors, image.pixels.get() + first * 3);
    });
    return image;
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
        colorTones(tones.data(), count, s, colors.data());
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
    // The PBR relief's true slope; GenerateTexture's maps take the setting.
    // normalStrength is a slope per pixel; on the tile it is meant per unit.
    const float strength =
        usesPbr(s) ? pbrLook(s).normalStrength : s.normalStrength * pixelsPerUnit(s);
    ColorField colors;
    for (int y = 0; y < s.height; y += blockRows) {
        const int rows = std::min(blockRows, s.height - y);
        colors.resize(width * static_cast<std::size_t>(rows));
        normalRows(heights, s.width, s.height, strength, s.seamless != 0 || tiles(s), y, rows,
                   colors.data());
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

ByteImage emissiveImage(const FloatField& relief, const ProctexSettings& s) {
    ByteImage image = makeByteImage(s.width, s.height, 3);
    const PbrLook look = pbrLook(s);
    ColorField colors;
    forEachBlock(relief.size(), [&](std::size_t first, std::size_t count) {
        colors.resize(count);
        emissiveColors(relief.data() + first, count, look, colors.data());
        quantizeColors(colors, image.pixels.get() + first * 3);
    });
    return image;
}

ByteImage buildMapImage(int map, const FloatField& heights, const ProctexSettings& s) {
    if (usesPbr(s)) {
        const PbrLook look = pbrLook(s);
        switch (map) {
            case PROCTEX_MAP_DIFFUSE:
                return pbrDiffuseImage(heights, s);
            case PROCTEX_MAP_ROUGHNESS:
                return greyMapImage(heights, s, [&look](const float* h, std::size_t n, float* out) {
                    pbrRoughnessValues(h, n, look, out);
                });
            case PROCTEX_MAP_METALLIC:
                return greyMapImage(heights, s, [&look](const float* h, std::size_t n, float* out) {
                    pbrMetallicValues(h, n, look, out);
                });
            default:
                break;  // the normal and specular maps: the same formulas on the relief
        }
    }
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
