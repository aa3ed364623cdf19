// The PNG row filters on each kernel, for a 1024 x 1024 grey and RGB image
// shaped like a real map: a smooth gradient with a little noise. Then the
// default encoding against the small one on every map of every preset at
// 1024 x 1024, with a summary line of the total bytes both ways.
#include <benchmark/benchmark.h>
#include <proctex.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "noise/octave_rows.h"
#include "output/png_encoder.h"
#include "output/png_filters.h"
#include "output/png_small.h"

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

struct Map {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
};

// The maps GenerateTexture writes for each preset, made once.
const std::vector<Map>& presetMaps() {
    static const std::vector<Map> maps = [] {
        std::vector<Map> all;
        for (int p = 0; p < proctex_preset_count(); ++p) {
            ProctexSettings s;
            proctex_settings_init(&s);
            if (proctex_preset_settings(proctex_preset_name(p), &s, sizeof s) != PROCTEX_OK) {
                std::abort();
            }
            s.width = s.height = kSize;
            ProctexMaps* result = nullptr;
            char why[256];
            if (proctex_generate(&s, PROCTEX_MAPS_AS_SETTINGS, &result, why, sizeof why) !=
                PROCTEX_OK) {
                std::fprintf(stderr, "preset %s: %s\n", proctex_preset_name(p), why);
                std::abort();
            }
            for (int m = PROCTEX_MAP_DIFFUSE; m <= PROCTEX_MAP_METALLIC; ++m) {
                Map map;
                const uint8_t* px =
                    proctex_maps_pixels(result, m, &map.width, &map.height, &map.channels);
                if (px == nullptr) continue;
                map.pixels.assign(px, px + std::size_t(map.width) * std::size_t(map.height) *
                                               std::size_t(map.channels));
                all.push_back(std::move(map));
            }
            proctex_maps_free(result);
        }
        return all;
    }();
    return maps;
}

// Total bytes and seconds of one pass over every preset map, per encoding,
// for the summary line.
struct Pass {
    std::size_t bytes = 0;
    double seconds = 0;
};
Pass defaultPass, smallPass;

using Encoder = proctex::EncodedBytes (*)(const uint8_t*, int, int, int, int);

void BM_EncodePresetMaps(benchmark::State& state, Encoder encode, Pass* pass) {
    const std::vector<Map>& maps = presetMaps();
    std::size_t bytes = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bytes = 0;
        for (const Map& m : maps) {
            const proctex::EncodedBytes png =
                encode(m.pixels.data(), m.width, m.height, m.channels, m.width * m.channels);
            if (png.empty()) {
                state.SkipWithError("out of memory");
                return;
            }
            bytes += png.size();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    *pass = {bytes, seconds / double(state.iterations())};
    state.counters["maps"] = double(maps.size());
    state.counters["png_bytes"] = double(bytes);
}

// The small encoding takes seconds per pass: one pass is enough.
BENCHMARK_CAPTURE(BM_EncodePresetMaps, default_png, proctex::encodePngOwn, &defaultPass)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_EncodePresetMaps, small_png, proctex::encodePngSmall, &smallPass)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (defaultPass.bytes == 0 || smallPass.bytes == 0) return 0;
    std::printf(
        "Every preset map at %dx%d (%zu maps): default %zu bytes in %.3f s, small %zu bytes in "
        "%.3f s%s, %.1f%% fewer bytes\n",
        kSize, kSize, presetMaps().size(), defaultPass.bytes, defaultPass.seconds, smallPass.bytes,
        smallPass.seconds,
        proctex::smallPngAvailable() ? "" : " (no libdeflate: the default encoder)",
        100.0 * (1.0 - double(smallPass.bytes) / double(defaultPass.bytes)));
    return 0;
}
