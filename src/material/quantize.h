// Float map values to the bytes of the 8-bit images.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/field.h"

namespace proctex {

// clamp(v, 0, 1) * 255, truncated: 0.5 -> 127, 1.0 and above -> 255, NaN -> 0.
uint8_t quantize(float v);

// quantize over count values, vectorised where the processor allows; the
// bytes equal quantize's for every float.
void quantizeRow(const float* values, std::size_t count, uint8_t* bytes);

// quantize over count floats stored from `floats` on (a float field, or the
// packed r, g, b members of colours), read through byte addresses.
void quantizeFloats(const unsigned char* floats, std::size_t count, uint8_t* bytes);

// The r, g, b of every colour, quantized, one byte after the other.
void quantizeColors(const ColorField& colors, uint8_t* bytes);

}  // namespace proctex
