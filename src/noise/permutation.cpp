#include <array>
#include <numeric>
#include <utility>

#include "core/random.h"
#include "noise/texture_generator.h"

namespace proctex {

void TextureGenerator::initPermutation() {
    permutation.resize(512);
    std::array<int32_t, 256> p;
    std::iota(p.begin(), p.end(), 0);

    // Forward shuffle: one rejection-sampled index in 0..i for i = 1..255.
    Engine rng = makeEngine(seed);
    for (uint32_t i = 1; i < 256; ++i) {
        const uint32_t j = drawIndex(rng, i);
        if (j != i) std::swap(p[i], p[j]);
    }

    for (int i = 0; i < 256; ++i) {
        permutation[i] = p[i];
        permutation[i + 256] = p[i];
    }
}

}  // namespace proctex
