// The maps of one material in memory, as 8-bit pixels and the float heights.
#pragma once

#include <proctex.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/field.h"

namespace proctex {

// width x height pixels of `channels` bytes, rows top to bottom, unpadded.
struct ByteImage {
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<uint8_t[]> pixels;

    std::size_t byteCount() const { return fieldSize(width, height) * std::size_t(channels); }
    bool present() const { return pixels != nullptr; }
};

// The five maps GenerateTexture writes are PROCTEX_MAP_DIFFUSE ..
// PROCTEX_MAP_METALLIC; the 8-bit extras follow the two height maps.
constexpr int kByteMapCount = PROCTEX_MAP_METALLIC + 1;
constexpr int kImageSlotCount = PROCTEX_MAP_ID + 1;

struct MapSet {
    int width = 0;
    int height = 0;
    ProctexSettings settings{};  // what the maps were made with
    // By PROCTEX_MAP_*; absent when not asked for (and always for the two
    // height maps, which are kept below).
    std::array<ByteImage, kImageSlotCount> images;
    FloatField heightField;  // empty unless PROCTEX_MAP_HEIGHT was asked for
    bool hasHeightField = false;
    std::vector<uint16_t> height16;  // empty unless PROCTEX_MAP_HEIGHT16 was asked for
    // Each layer's share per pixel, with PROCTEX_KEEP_LAYER_MASKS.
    std::vector<std::vector<uint8_t>> layerMasks;
};

// A fresh image of the given shape with uninitialised pixels.
ByteImage makeByteImage(int width, int height, int channels);

}  // namespace proctex
