#include "material/map_packing.h"

namespace proctex {

void flipGreen(const uint8_t* rgbNormal, std::size_t pixels, uint8_t* out) {
    for (std::size_t i = 0; i < pixels * 3; i += 3) {
        out[i] = rgbNormal[i];
        out[i + 1] = static_cast<uint8_t>(255 - rgbNormal[i + 1]);
        out[i + 2] = rgbNormal[i + 2];
    }
}

void packOrm(const uint8_t* ao, const uint8_t* rough, const uint8_t* metal, std::size_t pixels,
             uint8_t aoConstant, uint8_t roughConstant, uint8_t metalConstant, uint8_t* rgbOut) {
    for (std::size_t i = 0; i < pixels; ++i) {
        rgbOut[i * 3] = ao != nullptr ? ao[i] : aoConstant;
        rgbOut[i * 3 + 1] = rough != nullptr ? rough[i] : roughConstant;
        rgbOut[i * 3 + 2] = metal != nullptr ? metal[i] : metalConstant;
    }
}

void packMetallicSmoothness(const uint8_t* metal, const uint8_t* rough, std::size_t pixels,
                            uint8_t* rgbaOut) {
    for (std::size_t i = 0; i < pixels; ++i) {
        uint8_t* out = rgbaOut + i * 4;
        out[0] = out[1] = out[2] = metal[i];
        out[3] = static_cast<uint8_t>(255 - rough[i]);
    }
}

void packMaskMap(const uint8_t* metal, const uint8_t* ao, const uint8_t* rough, std::size_t pixels,
                 uint8_t* rgbaOut) {
    for (std::size_t i = 0; i < pixels; ++i) {
        uint8_t* out = rgbaOut + i * 4;
        out[0] = metal[i];
        out[1] = ao[i];
        out[2] = 255;
        out[3] = static_cast<uint8_t>(255 - rough[i]);
    }
}

}  // namespace proctex
