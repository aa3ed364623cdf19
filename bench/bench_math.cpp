// Our correctly rounded sine, cosine and power against the C library's sinf,
// cosf and powf, over the argument ranges the patterns and overlays use. Each
// benchmark sums a block of results so the calls overlap as in a pixel loop.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "math/crmath.h"

namespace {

constexpr std::size_t kBlock = 4096;

std::vector<float> uniform(float lo, float hi, unsigned seed) {
    std::mt19937 engine(seed);
    std::uniform_real_distribution<float> dist(lo, hi);
    std::vector<float> v(kBlock);
    for (float& x : v) x = dist(engine);
    return v;
}

using Unary = float (*)(float);
using Binary = float (*)(float, float);

void runUnary(benchmark::State& state, Unary f, float lo, float hi) {
    const std::vector<float> xs = uniform(lo, hi, 1);
    for (auto _ : state) {
        float sum = 0;
        for (float x : xs) sum += f(x);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void runBinary(benchmark::State& state, Binary f, float xlo, float xhi, float ylo, float yhi) {
    const std::vector<float> xs = uniform(xlo, xhi, 1);
    const std::vector<float> ys = uniform(ylo, yhi, 2);
    for (auto _ : state) {
        float sum = 0;
        for (std::size_t i = 0; i < kBlock; ++i) sum += f(xs[i], ys[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

float libSin(float x) {
    return std::sin(x);
}
float libCos(float x) {
    return std::cos(x);
}
float libPow(float x, float y) {
    return std::pow(x, y);
}

// Phases of waves and rings: a few hundred radians at most.
BENCHMARK_CAPTURE(runUnary, sin_ours, proctex::crSin, -400.0f, 400.0f);
BENCHMARK_CAPTURE(runUnary, sin_libm, libSin, -400.0f, 400.0f);
BENCHMARK_CAPTURE(runUnary, cos_ours, proctex::crCos, -400.0f, 400.0f);
BENCHMARK_CAPTURE(runUnary, cos_libm, libCos, -400.0f, 400.0f);
// Scratch angles and the like.
BENCHMARK_CAPTURE(runUnary, sin_small_ours, proctex::crSin, 0.0f, 6.3f);
BENCHMARK_CAPTURE(runUnary, sin_small_libm, libSin, 0.0f, 6.3f);
// Large arguments take the bits of 2/pi.
BENCHMARK_CAPTURE(runUnary, sin_huge_ours, proctex::crSin, 1e6f, 1e30f);
BENCHMARK_CAPTURE(runUnary, sin_huge_libm, libSin, 1e6f, 1e30f);
// Tone curves: heights in [0, 2], exponents in [-4, 4]; gamma curves.
BENCHMARK_CAPTURE(runBinary, pow_ours, proctex::crPow, 0.0f, 2.0f, -4.0f, 4.0f);
BENCHMARK_CAPTURE(runBinary, pow_libm, libPow, 0.0f, 2.0f, -4.0f, 4.0f);
BENCHMARK_CAPTURE(runBinary, pow_gamma_ours, proctex::crPow, 0.0f, 1.0f, 0.33f, 2.0f);
BENCHMARK_CAPTURE(runBinary, pow_gamma_libm, libPow, 0.0f, 1.0f, 0.33f, 2.0f);

}  // namespace

BENCHMARK_MAIN();
