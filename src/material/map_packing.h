// Rearrangements of finished 8-bit maps into the layouts engines expect.
#pragma once

#include <cstddef>
#include <cstdint>

namespace proctex {

// The normal map in the OpenGL convention (green = 255 - green, red and blue
// copied) from an RGB map in ours. `out` may be `rgbNormal` itself.
void flipGreen(const uint8_t* rgbNormal, std::size_t pixels, uint8_t* out);

// Occlusion, roughness and metalness in the red, green and blue of one RGB
// image. A null map packs as its constant in every pixel.
void packOrm(const uint8_t* ao, const uint8_t* rough, const uint8_t* metal, std::size_t pixels,
             uint8_t aoConstant, uint8_t roughConstant, uint8_t metalConstant, uint8_t* rgbOut);

// Unity's metallic-smoothness map: metallic in R, G and B, smoothness
// (255 - roughness) in A.
void packMetallicSmoothness(const uint8_t* metal, const uint8_t* rough, std::size_t pixels,
                            uint8_t* rgbaOut);

// HDRP's mask map: metallic, occlusion, detail mask (255: the detail maps
// apply everywhere), smoothness (255 - roughness).
void packMaskMap(const uint8_t* metal, const uint8_t* ao, const uint8_t* rough, std::size_t pixels,
                 uint8_t* rgbaOut);

}  // namespace proctex
