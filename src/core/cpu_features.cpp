#include "core/cpu_features.h"

namespace proctex {

bool avx2Available() {
#if defined(__x86_64__) && defined(__GNUC__)
    // libgcc's check also requires the operating system to save the AVX state.
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

}  // namespace proctex
