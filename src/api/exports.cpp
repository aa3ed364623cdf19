// The library's two original exports: the whole computation in one call.
#include <proctex.h>

#include "api/output_paths.h"
#include "api/pipeline.h"
#include "api/settings.h"
#include "core/forced_unwind.h"
#include "material/ambient_occlusion.h"

extern "C" {

PROCTEX_API int PROCTEX_CALL
GenerateTexture(int width, int height, int baseType, float scale, int octaves, float persistence,
                float lacunarity, int materialType, int patternType, float patternParam,
                int overlayType, float overlayParam, float overlayStrength, int seed,
                float contrast, float brightness, int invert, int seamless, float normalStrength,
                float roughness, int writeRoughness, int writeMetallic, const wchar_t* outputPath) {
    // Nothing may escape to the host: any exception (allocation failure,
    // container limits, a bad distribution) becomes the result 0.
    try {
        ProctexSettings settings = proctex::legacySettings();
        settings.width = width;
        settings.height = height;
        settings.baseType = baseType;
        settings.scale = scale;
        settings.octaves = octaves;
        settings.persistence = persistence;
        settings.lacunarity = lacunarity;
        settings.materialType = materialType;
        // Its arguments keep their meaning: the pattern kinds added since are
        // no pattern here, as every unlisted code has always been.
        settings.patternType = proctex::generateTexturePatternType(patternType);
        settings.patternParam = patternParam;
        settings.overlayType = overlayType;
        settings.overlayParam = overlayParam;
        settings.overlayStrength = overlayStrength;
        settings.seed = seed;
        settings.contrast = contrast;
        settings.brightness = brightness;
        settings.invert = invert;
        settings.seamless = seamless;
        settings.normalStrength = normalStrength;
        settings.roughness = roughness;
        settings.writeRoughness = writeRoughness;
        settings.writeMetallic = writeMetallic;
        std::string reason;
        if (proctex::checkSettings(settings, reason) != PROCTEX_OK) return 0;
        // An empty path (also the result of a failed conversion) cannot be
        // opened: the diffuse write would fail, so nothing is computed.
        const std::string path = proctex::narrowPath(outputPath);
        if (path.empty()) return 0;
        // Only the diffuse, normal and specular files decide the result; a failed
        // roughness or metallic file is removed but does not change it.
        return proctex::generateAndSave(settings, path).coreWritten ? 1 : 0;
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        return 0;
    }
}

PROCTEX_API int PROCTEX_CALL TestDLL(void) {
    return 42;
}

}  // extern "C"
