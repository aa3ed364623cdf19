// The fractal base field (8 octaves, 1024 x 1024) on each kernel, the plain
// per-pixel loop over the tests' gradientNoise, and libnoise's Perlin module
// with 8 octaves over the same grid, side by side in one run. Every result is
// given in nanoseconds per sample and octave (CPU time), and the run ends with
// the comparison.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "gradient_noise_reference.h"
#include "noise/octave_rows.h"
#include "noise/texture_generator.h"

#if defined(PROCTEX_HAVE_LIBNOISE)
#include <libnoise/noise.h>
#endif

namespace {

constexpr int kSize = 1024;
constexpr int kOctaves = 8;
constexpr float kScale = 64.0f;
constexpr double kSampleOctaves = double(kSize) * kSize * kOctaves;

void nsPerSampleOctave(benchmark::State& state) {
    state.counters["ns_per_sample_octave"] =
        benchmark::Counter(kSampleOctaves, benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

void BM_BaseField(benchmark::State& state, proctex::NoisePath path, bool seamless) {
    if (path == proctex::NoisePath::avx2 && !proctex::avx2Available()) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const proctex::TextureGenerator generator(kSize, kSize, kScale, kOctaves, 1234, seamless);
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::fractalBaseField(generator, 0.5f, 2.0f, path));
    }
    nsPerSampleOctave(state);
}
BENCHMARK_CAPTURE(BM_BaseField, avx2, proctex::NoisePath::avx2, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BaseField, portable, proctex::NoisePath::portable, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BaseField, avx2_seamless, proctex::NoisePath::avx2, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BaseField, portable_seamless, proctex::NoisePath::portable, true)
    ->Unit(benchmark::kMillisecond);

// The loop the kernels replace: one noise call per pixel and octave.
void BM_BaseFieldPlainLoop(benchmark::State& state) {
    const proctex::TextureGenerator g(kSize, kSize, kScale, kOctaves, 1234, false);
    std::vector<float> raw(std::size_t(kSize) * kSize);
    for (auto _ : state) {
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                float amplitude = 1.0f, frequency = 1.0f, sum = 0.0f;
                for (int o = 0; o < kOctaves; ++o) {
                    sum = sum + proctex::gradientNoise(g, (float(x) / kScale) * frequency,
                                                       (float(y) / kScale) * frequency) *
                                    amplitude;
                    amplitude = amplitude * 0.5f;
                    frequency = frequency * 2.0f;
                }
                raw[std::size_t(y) * kSize + x] = sum;
            }
        }
        benchmark::DoNotOptimize(raw.data());
    }
    nsPerSampleOctave(state);
}
BENCHMARK(BM_BaseFieldPlainLoop)->Unit(benchmark::kMillisecond);

#if defined(PROCTEX_HAVE_LIBNOISE)
// libnoise's Perlin module, 8 octaves, on the plane z = 0 over the same grid
// (one noise unit every 64 pixels).
void BM_LibnoisePerlin(benchmark::State& state) {
    noise::module::Perlin perlin;
    perlin.SetOctaveCount(kOctaves);
    perlin.SetFrequency(1.0 / kScale);
    perlin.SetPersistence(0.5);
    perlin.SetLacunarity(2.0);
    perlin.SetSeed(1234);
    std::vector<float> out(std::size_t(kSize) * kSize);
    for (auto _ : state) {
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                out[std::size_t(y) * kSize + x] = float(perlin.GetValue(x, y, 0.0));
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    nsPerSampleOctave(state);
}
BENCHMARK(BM_LibnoisePerlin)->Unit(benchmark::kMillisecond);
#endif

class Collector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // CPU time per iteration (the unit is ms) over the samples and octaves.
            if (!run.error_occurred) {
                ns[run.run_name.function_name] = run.GetAdjustedCPUTime() * 1e6 / kSampleOctaves;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ns;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Collector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    benchmark::Shutdown();

    std::printf("\nBase field, %d octaves at %dx%d: ns per sample and octave (CPU time)\n",
                kOctaves, kSize, kSize);
    for (const auto& [name, value] : collector.ns)
        std::printf("  %-44s %8.2f\n", name.c_str(), value);
    const auto ours = collector.ns.find("BM_BaseField/avx2");
    const auto libnoise = collector.ns.find("BM_LibnoisePerlin");
    if (ours != collector.ns.end() && libnoise != collector.ns.end()) {
        std::printf("  AVX2 base field vs libnoise Perlin: %.1fx faster (target: 3 ns and 8x)\n",
                    libnoise->second / ours->second);
    }
    return 0;
}
