// The random source: MT19937 with our own uniform real draw, so the values do
// not depend on which standard library the host was built with.
#pragma once

#include <cstdint>
#include <random>

namespace proctex {

using Engine = std::mt19937;

// The engine seeded with the bit pattern of a signed seed.
inline Engine makeEngine(int32_t seed) {
    return Engine(static_cast<uint32_t>(seed));
}

// Uniform single-precision draw over [a, b). One engine output per draw: the
// top 24 bits form the canonical value in [0, 1 - 2^-24], then
// canonical * (b - a) + a, each step rounded to float.
class UniformReal {
public:
    // Throws std::invalid_argument when a > b.
    UniformReal(float a, float b);

    float operator()(Engine& engine) const {
        const float canonical = static_cast<float>(engine() >> 8) * 0x1p-24f;
        return canonical * (b_ - a_) + a_;
    }

private:
    float a_;
    float b_;
};

// Uniform index in [0, bound] by rejection, as the permutation shuffle draws it.
uint32_t drawIndex(Engine& engine, uint32_t bound);

}  // namespace proctex
