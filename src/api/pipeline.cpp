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
#include "overlays/overlay_stage.h"
#include "patterns/pattern_stage.h"

namespace proctex {

namespace {

// Frees a field's storage as soon as the pipeline no longer needs it.
template <typename Field>
void release(Field& field) {
    Field().swap(field);
}

// Writes the diffuse image and frees textureData as soon as it has served:
// after the grey write, or once the colours have been made from it, so it is
// not held beside the colour field and its bytes while they are encoded.
bool writeDiffuse(FloatField& textureData, const TextureRequest& r) {
    const std::string diffPath = deriveOutputPath(r.filenameStr, "_diff.png");
    if (r.materialType == 1 || r.materialType == 8) {
        const bool written = writeGrayPNG(textureData, r.width, r.height, diffPath);
        release(textureData);
        return written;
    }
    const ColorField colorData = colorize(textureData, r.materialType);
    release(textureData);
    return writeColorPNG(colorData, r.width, r.height, diffPath);
}

// The checker pattern replaces the base field without reading it.
bool patternReadsBaseField(int32_t patternType) {
    return patternType != 9;
}

}  // namespace

bool imageSizeIsUsable(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return false;
    const int64_t bytes = static_cast<int64_t>(width) * height * 3;
    return bytes <= std::numeric_limits<int32_t>::max();
}

int generateTexture(const TextureRequest& r) {
    const PatternRequest pattern{r.patternType, r.patternParam, r.seed, r.seamless == 1};
    const OverlayRequest overlay{r.overlayType, r.overlayParam, r.overlayStrength, r.seed,
                                 r.seamless == 1};
    if (!imageSizeIsUsable(r.width, r.height)) return 0;
    // An empty path (also the result of a failed conversion) cannot be opened:
    // the diffuse write would fail, so nothing is computed.
    if (r.filenameStr.empty()) return 0;
    if (!patternRequestIsUsable(pattern, r.width, r.height) || !overlayRequestIsUsable(overlay))
        return 0;

    // Height field: base relief, pattern, overlay.
    const TextureGenerator generator(r.width, r.height, r.scale, r.octaves, r.seed,
                                     r.seamless == 1);
    // A base field that the pattern replaces unread is not computed.
    FloatField textureData;
    if (patternReadsBaseField(r.patternType)) {
        textureData = r.baseType == 1 ? generator.generateSingleOctaveBase()
                                      : generator.generateFractalBase(r.persistence, r.lacunarity);
    }
    applyPatternStage(textureData, r.width, r.height, pattern);
    applyOverlayStage(textureData, r.width, r.height, overlay);

    // The derived maps see the field before any tone adjustment.
    const FloatField heightMap = textureData;
    if (r.contrast != 1.0f) applyContrast(textureData, r.contrast);
    if (r.brightness != 0.0f) applyBrightness(textureData, r.brightness);
    if (r.invert == 1) applyInvert(textureData);

    if (!writeDiffuse(textureData, r)) return 0;

    {
        const ColorField normalMap =
            buildNormalMap(heightMap, r.width, r.height, r.normalStrength, r.seamless != 0);
        if (!writeColorPNG(normalMap, r.width, r.height,
                           deriveOutputPath(r.filenameStr, "_nmap.png"))) {
            return 0;
        }
    }

    bool specularWritten = false;
    {
        const FloatField specularMap = buildSpecularMap(heightMap);
        specularWritten = writeGrayPNG(specularMap, r.width, r.height,
                                       deriveOutputPath(r.filenameStr, "_spec.png"));
    }

    // Roughness and metallic failures do not change the result.
    if (r.writeRoughness == 1) {
        const FloatField roughnessMap = buildRoughnessMap(heightMap, r.roughness);
        writeGrayPNG(roughnessMap, r.width, r.height,
                     deriveOutputPath(r.filenameStr, "_rough.png"));
    }
    if (r.writeMetallic == 1) {
        const FloatField metallicMap = buildMetallicMap(heightMap);
        writeGrayPNG(metallicMap, r.width, r.height, deriveOutputPath(r.filenameStr, "_metal.png"));
    }

    return specularWritten ? 1 : 0;
}

}  // namespace proctex
