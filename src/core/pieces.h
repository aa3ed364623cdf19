// The pieces a layout is made of (bricks, boards, cells) and the joints
// between them, per pixel, for the layers' masks.
#pragma once

#include <cstdint>
#include <vector>

namespace proctex {

struct PieceField {
    std::vector<uint32_t> id;    // the piece each pixel belongs to, the same at every size
    std::vector<uint8_t> joint;  // 1 in the joints between pieces, 0 on their faces
    bool empty() const { return id.empty(); }
};

// A value in 0..255 per piece, the same for every pixel of it, from the
// piece and the seed (a hash: no draws of any engine).
inline uint8_t pieceByte(uint32_t id, int32_t seed) {
    uint32_t h = id * 0x9E3779B1u ^ static_cast<uint32_t>(seed) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<uint8_t>(h >> 24);
}

}  // namespace proctex
