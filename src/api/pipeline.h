// The generation pipeline behind the GenerateTexture export.
#pragma once

#include <cstdint>
#include <string>

namespace proctex {

// The call's arguments as one plain value, path already narrowed.
struct TextureRequest {
    int32_t width;
    int32_t height;
    int32_t baseType;
    float scale;
    int32_t octaves;
    float persistence;
    float lacunarity;
    int32_t materialType;
    int32_t patternType;
    float patternParam;
    int32_t overlayType;
    float overlayParam;
    float overlayStrength;
    int32_t seed;
    float contrast;
    float brightness;
    int32_t invert;
    int32_t seamless;
    float normalStrength;
    float roughness;
    int32_t writeRoughness;
    int32_t writeMetallic;
    std::string filenameStr;
};

// True when the sizes are positive and width * height * 3 fits in an int32, so
// every field and pixel buffer can be indexed without overflow.
bool imageSizeIsUsable(int32_t width, int32_t height);

// Runs every stage and writes the files; returns 1 when the diffuse, normal and
// specular images were written, else 0. May throw (allocation failures); the
// export catches everything.
int generateTexture(const TextureRequest& request);

}  // namespace proctex
