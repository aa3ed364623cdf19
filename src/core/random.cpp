#include "core/random.h"

#include <stdexcept>

namespace proctex {

UniformReal::UniformReal(float a, float b) : a_(a), b_(b) {
    if (a > b) throw std::invalid_argument("invalid min and max arguments for uniform_real");
}

uint32_t drawIndex(Engine& engine, uint32_t bound) {
    const uint32_t n = bound + 1;
    const uint32_t limit = 0xFFFFFFFFu / n;
    // A power-of-two range divides the outputs evenly: every output is accepted.
    const bool even = 0xFFFFFFFFu % n == n - 1;
    for (;;) {
        const uint32_t r = static_cast<uint32_t>(engine());
        if (even || r / n < limit) return r % n;
    }
}

}  // namespace proctex
