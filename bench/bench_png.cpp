// The PNG row filters on each kernel, for a 1024 x 1024 grey and RGB image
// shaped like a real map: a smooth gradient with a little noise.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "noise/octave_rows.h"
#include "output/png_filters.h"

namespace {

constexpr int kSize = 1024;

std::vector<uint8_t> gradientWithNoise(int channels) {
    std::mt19937 rng(42);
    std::vector<uint8_t> pixels(std::size_t(kSize) * kSize * std::size_t(channels));
    std::size_t i = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            for (int c = 0; c < channels; ++c) {
                pixels[i++] = static_cast<uint8_t>((x + y) / 8 + c * 50 + int(rng() % 7));
            }
        }
    }
    return pixels;
}

void BM_FilterImage(benchmark::State& state, proctex::FilterPath path, int channels) {
    if (path == proctex::FilterPath::avx2 && !proctex::avx2Available()) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const std::vector<uint8_t> pixels = gradientWithNoise(channels);
    std::vector<uint8_t> out(std::size_t(kSize) * (std::size_t(kSize) * std::size_t(channels) + 1));
    for (auto _ : state) {
        proctex::filterImage(pixels.data(), kSize, kSize, channels, kSize * channels, out.data(),
                             path);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(pixels.size()));
}

using proctex::FilterPath;
BENCHMARK_CAPTURE(BM_FilterImage, grey_portable, FilterPath::portable, 1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterImage, grey_sse2, FilterPath::sse2, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterImage, grey_avx2, FilterPath::avx2, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterImage, rgb_portable, FilterPath::portable, 3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterImage, rgb_sse2, FilterPath::sse2, 3)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FilterImage, rgb_avx2, FilterPath::avx2, 3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
