// What the processor running us can do, asked once for every stage that
// has a faster kernel for it.
#pragma once

namespace proctex {

// True where the processor and the operating system support AVX2.
bool avx2Available();

}  // namespace proctex

// Marks a function compiled for AVX2 alone; callers check avx2Available().
#if defined(__x86_64__) && defined(__GNUC__)
#define PROCTEX_AVX2 __attribute__((target("avx2")))
#endif
