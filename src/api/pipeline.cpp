#include "api/pipeline.h"

#include <cstdint>
#include <limits>
#include <utility>

#include "api/derived_maps.h"
#include "api/output_paths.h"
#include "core/field_ops.h"
#include "noise/texture_generator.h"
#include "output/palette.h"
#include "output/png_writer.h"

namespace proctex {

namespace {

// Frees a field's storage as soon as the pipeline no longer needs it.
template <typename Field>
void release(Field& field) {
    Field().swap(field);
}

bool wants(unsigned maps, int map) {
    return (maps & PROCTEX_MAP_BIT(map)) != 0;
}

// The checker pattern replaces the base field without reading it.
bool patternReadsBaseField(int32_t patternType) {
    return patternType != PROCTEX_PATTERN_CHECKER;
}

bool isGreyMaterial(int32_t materialType) {
    return materialType == PROCTEX_MATERIAL_GREY || materialType == PROCTEX_MATERIAL_GREY_ALT;
}

// Base relief, pattern, overlay.
FloatField buildHeightField(const ProctexSettings& s) {
    const TextureGenerator generator(s.width, s.height, s.scale, s.octaves, s.seed,
                                     s.seamless == 1);
    // A base field that the pattern replaces unread is not computed.
    FloatField textureData;
    if (patternReadsBaseField(s.patternType)) {
        textureData = s.baseType == PROCTEX_BASE_SINGLE_OCTAVE
                          ? generator.generateSingleOctaveBase()
                          : generator.generateFractalBase(s.persistence, s.lacunarity);
    }
    applyPatternStage(textureData, s.width, s.height, patternRequest(s));
    applyOverlayStage(textureData, s.width, s.height, overlayRequest(s));
    return textureData;
}

ByteImage greyImage(const FloatField& values, int width, int height) {
    ByteImage image = makeByteImage(width, height, 1);
    quantizeRow(values.data(), image.byteCount(), image.pixels.get());
    return image;
}

ByteImage colorImage(const ColorField& colors, int width, int height) {
    ByteImage image = makeByteImage(width, height, 3);
    quantizeColors(colors, image.pixels.get());
    return image;
}

// Tone adjustments, then grey or palette colours; frees textureData as soon
// as the colours have been made from it.
ByteImage diffuseImage(FloatField& textureData, const ProctexSettings& s) {
    if (s.contrast != 1.0f) applyContrast(textureData, s.contrast);
    if (s.brightness != 0.0f) applyBrightness(textureData, s.brightness);
    if (s.invert == 1) applyInvert(textureData);
    if (isGreyMaterial(s.materialType)) return greyImage(textureData, s.width, s.height);
    const ColorField colorData = colorize(textureData, s.materialType);
    release(textureData);
    return colorImage(colorData, s.width, s.height);
}

constexpr unsigned kDerivedMaps =
    PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) | PROCTEX_MAP_BIT(PROCTEX_MAP_SPECULAR) |
    PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS) | PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC) |
    PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT);

void addDerivedMaps(MapSet& set, const FloatField& heightMap, const ProctexSettings& s,
                    unsigned maps) {
    const int w = s.width;
    const int h = s.height;
    if (wants(maps, PROCTEX_MAP_NORMAL)) {
        set.images[PROCTEX_MAP_NORMAL] =
            colorImage(buildNormalMap(heightMap, w, h, s.normalStrength, s.seamless != 0), w, h);
    }
    if (wants(maps, PROCTEX_MAP_SPECULAR)) {
        set.images[PROCTEX_MAP_SPECULAR] = greyImage(buildSpecularMap(heightMap), w, h);
    }
    if (wants(maps, PROCTEX_MAP_ROUGHNESS)) {
        set.images[PROCTEX_MAP_ROUGHNESS] =
            greyImage(buildRoughnessMap(heightMap, s.roughness), w, h);
    }
    if (wants(maps, PROCTEX_MAP_METALLIC)) {
        set.images[PROCTEX_MAP_METALLIC] = greyImage(buildMetallicMap(heightMap), w, h);
    }
}

bool writeImage(const ByteImage& image, const std::string& path) {
    return writePngFile(path, image.width, image.height, image.channels, image.pixels.get(),
                        image.width * image.channels);
}

}  // namespace

bool imageSizeIsUsable(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return false;
    const int64_t bytes = static_cast<int64_t>(width) * height * 3;
    return bytes <= std::numeric_limits<int32_t>::max();
}

PatternRequest patternRequest(const ProctexSettings& s) {
    return {s.patternType, s.patternParam, s.seed, s.seamless == 1};
}

OverlayRequest overlayRequest(const ProctexSettings& s) {
    return {s.overlayType, s.overlayParam, s.overlayStrength, s.seed, s.seamless == 1};
}

ByteImage makeByteImage(int width, int height, int channels) {
    ByteImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.reset(new uint8_t[image.byteCount()]);
    return image;
}

MapSet computeMaps(const ProctexSettings& s, unsigned maps) {
    MapSet set;
    set.width = s.width;
    set.height = s.height;
    const bool diffuse = wants(maps, PROCTEX_MAP_DIFFUSE);
    const bool derived = (maps & kDerivedMaps) != 0;
    if (!diffuse && !derived) return set;

    FloatField textureData = buildHeightField(s);
    // The derived maps see the field before any tone adjustment.
    FloatField heightMap;
    if (derived) heightMap = diffuse ? textureData : std::move(textureData);
    if (diffuse) set.images[PROCTEX_MAP_DIFFUSE] = diffuseImage(textureData, s);
    release(textureData);

    addDerivedMaps(set, heightMap, s, maps);
    if (wants(maps, PROCTEX_MAP_HEIGHT)) {
        set.heightField = std::move(heightMap);
        set.hasHeightField = true;
    }
    return set;
}

SaveOutcome saveMaps(const MapSet& maps, const std::string& path) {
    SaveOutcome outcome;
    for (int map = PROCTEX_MAP_DIFFUSE; map < kByteMapCount; ++map) {
        const ByteImage& image = maps.images[static_cast<std::size_t>(map)];
        if (!image.present()) continue;
        const std::string file = deriveOutputPath(path, mapFileSuffix(map));
        if (writeImage(image, file) || map > PROCTEX_MAP_SPECULAR) continue;
        outcome.status = PROCTEX_ERROR_WRITE;
        outcome.reason =
            "could not write " + file + " (check that its folder exists and is writable)";
        if (map != PROCTEX_MAP_SPECULAR) break;  // diffuse and normal failures stop the call
    }
    return outcome;
}

}  // namespace proctex
