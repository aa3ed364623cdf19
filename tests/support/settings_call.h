// GenerateTexture with its 22 value arguments taken from one ProctexSettings,
// the one place the struct is spread out into the positional list.
#pragma once

#include <proctex.h>

inline int generateTextureFrom(const ProctexSettings& s, const wchar_t* outputPath) {
    return GenerateTexture(s.width, s.height, s.baseType, s.scale, s.octaves, s.persistence,
                           s.lacunarity, s.materialType, s.patternType, s.patternParam,
                           s.overlayType, s.overlayParam, s.overlayStrength, s.seed, s.contrast,
                           s.brightness, s.invert, s.seamless, s.normalStrength, s.roughness,
                           s.writeRoughness, s.writeMetallic, outputPath);
}
