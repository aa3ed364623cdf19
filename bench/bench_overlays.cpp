// Each overlay at 1024 x 1024, and the planks overlay's per-plank draws
// against seeding an engine for every plank pixel, side by side in one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/texture_generator.h"
#include "overlays/overlays.h"

namespace {

using proctex::FloatField;

constexpr int kSize = 1024;

void BM_Veins(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateVeins(kSize, kSize, 20.0f, 1234, false));
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_Veins)->Unit(benchmark::kMillisecond);

void BM_Bricks(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateBricks(kSize, kSize, 96.0f, 40.0f));
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_Bricks)->Unit(benchmark::kMillisecond);

// Argument: 1 grain mode, 0 plain mode.
void BM_Planks(benchmark::State& state) {
    const bool withGrain = state.range(0) == 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generatePlanks(kSize, kSize, 128.0f, 1234, withGrain));
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_Planks)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

float uniformDraw(std::mt19937& engine, float a, float b) {
    const float canonical = static_cast<float>(engine() >> 8) * 0x1p-24f;
    return canonical * (b - a) + a;
}

// The plain algorithm, as the tests keep it: a freshly seeded engine for
// every plank pixel.
FloatField planksPerPixel(int width, int height, float plankLength, int32_t seed, bool withGrain) {
    const float plankWidth = plankLength / 5.0f;
    FloatField grainData;
    if (withGrain) {
        const proctex::TextureGenerator grainNoise(width, height, 50.0f, 3,
                                                   proctex::wrappingAdd(seed, 7000), false);
        grainData = grainNoise.generateFractalBase(0.5f, 2.0f);
    }
    FloatField overlay(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const int32_t row = proctex::truncToInt32(static_cast<float>(y) / plankWidth);
            const float shift = static_cast<float>(row % 2) * (plankLength * 0.5f);
            const float px = static_cast<float>(x) + shift;
            const float lx = std::fmod(px, plankLength);
            const float ly = std::fmod(static_cast<float>(y), plankWidth);
            if (lx < 2.0f || ly < 2.0f) {
                overlay[i] = 0.6f;
                continue;
            }
            const int32_t col = proctex::truncToInt32(px / plankLength);
            std::mt19937 plankRng(static_cast<uint32_t>(proctex::plankSeed(seed, row, col)));
            if (withGrain) {
                const float g = uniformDraw(plankRng, 0.0f, 100.0f);
                const float k = uniformDraw(plankRng, -0.1f, 0.1f);
                overlay[i] = grainData[i] * 0.2f + proctex::fsin((ly + g) / 3.0f) * 0.15f + k;
            } else {
                overlay[i] = uniformDraw(plankRng, 0.0f, 0.3f);
            }
        }
    }
    return overlay;
}

void BM_PlanksPerPixelSeeding(benchmark::State& state) {
    const bool withGrain = state.range(0) == 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(planksPerPixel(kSize, kSize, 128.0f, 1234, withGrain));
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_PlanksPerPixelSeeding)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Argument: scratch count.
void BM_Scratches(benchmark::State& state) {
    const auto count = static_cast<int32_t>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateScratches(kSize, kSize, count, 1234));
    }
    state.SetItemsProcessed(state.iterations() * kSize * kSize);
}
BENCHMARK(BM_Scratches)->Arg(50)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
