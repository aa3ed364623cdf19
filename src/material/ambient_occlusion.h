// Ambient occlusion baked from the finished height field.
#pragma once

#include <cstdint>
#include <vector>

#include "core/field.h"

namespace proctex {

// Defaults that suit the default stone (512 x 512, scale 96): pits and cracks
// go grey (mean about 0.8, darkest about 0.45) while ridges stay white.
constexpr float kDefaultOcclusionRadius = 16.0f;
constexpr float kDefaultOcclusionStrength = 1.5f;

// How many pixels of rise a height difference of 1 stands for when the
// horizon angles are measured.
constexpr float kOcclusionReliefPixels = 16.0f;

// Horizon-based occlusion, 1 = fully open, 0 = fully hidden. From each pixel
// the height field is walked pixel by pixel in eight directions 45 degrees
// apart, out to radiusPixels, and each direction keeps the sine of its highest
// horizon above the horizontal (a height of 1 standing kOcclusionReliefPixels
// tall; ground below the pixel counts as 0). The occlusion is 1 - strength *
// (mean of the eight sines), clamped to 0..1.
//
// With `wrap` (seamless materials) samples beyond a border come from the far
// side, otherwise from the nearest border pixel. A radius below 1 (or NaN)
// means no samples, so all 1; the walk stops after max(width, height) pixels
// whatever the radius. A NaN height gives a NaN occlusion at its own pixel
// (0 in the 8-bit map, as in the other maps) and is ignored as a neighbour;
// infinite heights act as unboundedly high or low ground.
// reliefPixels replaces kOcclusionReliefPixels for a relief of known
// physical size (the PBR maps: height range over pixel size). A horizon whose
// sine is at most openSine counts as open sky (the sine above it is
// stretched back to 0..1), so gentle rolling ground stays at 1; 0 keeps
// every horizon.
FloatField buildAmbientOcclusion(const FloatField& heightMap, int width, int height,
                                 float radiusPixels, float strength, bool wrap,
                                 float reliefPixels = kOcclusionReliefPixels,
                                 float openSine = 0.0f);

// The 8-bit map: quantize of every value.
std::vector<uint8_t> occlusionBytes(const FloatField& occlusion);

}  // namespace proctex
