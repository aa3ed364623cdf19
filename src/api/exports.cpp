// The library's two exported functions.
#include <proctex.h>

#include "api/output_paths.h"
#include "api/pipeline.h"

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
        if (outputPath == nullptr) return 0;
        proctex::TextureRequest request{width,
                                        height,
                                        baseType,
                                        scale,
                                        octaves,
                                        persistence,
                                        lacunarity,
                                        materialType,
                                        patternType,
                                        patternParam,
                                        overlayType,
                                        overlayParam,
                                        overlayStrength,
                                        seed,
                                        contrast,
                                        brightness,
                                        invert,
                                        seamless,
                                        normalStrength,
                                        roughness,
                                        writeRoughness,
                                        writeMetallic,
                                        proctex::narrowPath(outputPath)};
        return proctex::generateTexture(request);
    } catch (...) {
        return 0;
    }
}

PROCTEX_API int PROCTEX_CALL TestDLL(void) {
    return 42;
}

}  // extern "C"
