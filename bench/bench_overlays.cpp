// Each overlay at 1024 x 1024, and the planks overlay's per-plank draws
// against seeding an engine for every plank pixel, side by side in one run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"
#include "planks_reference.h"

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

using proctex::planksPerPixel;

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

// Many scratches on a small image: most of each stroke lies outside, and the
// cost should follow the visible part. The plain stroke paints every step.
void plainPaintScratch(FloatField& overlay, int width, int height,
                       const proctex::ScratchStroke& stroke) {
    const float dx = std::cos(stroke.angle);
    const float dy = std::sin(stroke.angle);
    for (float t = 0.0f; stroke.length > t; t = t + 0.3f) {
        const int32_t px = proctex::truncToInt32(stroke.x0 + dx * t);
        const int32_t py = proctex::truncToInt32(stroke.y0 + dy * t);
        const float hw = std::sin(t / stroke.length * 3.14159f) * stroke.maxWidth;
        const int32_t m = proctex::truncToInt32(hw);
        for (int32_t o = -m; o <= m; ++o) {
            const float fo = static_cast<float>(o);
            const int32_t qx = proctex::wrappingAdd(px, proctex::truncToInt32(std::round(fo * dy)));
            const int32_t qy =
                proctex::wrappingAdd(py, proctex::truncToInt32(std::round(fo * (-dx))));
            if (qx < 0 || qx >= width || qy < 0 || qy >= height) continue;
            const float value = (1.0f - std::fabs(fo) / (hw + 0.1f)) * 0.6f;
            float& cell = overlay[static_cast<std::size_t>(qy) * width + qx];
            if (value > cell) cell = value;
        }
    }
}

constexpr int kSmall = 64;
constexpr int32_t kManyScratches = 100000;

void BM_ManyScratchesSmallImage(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateScratches(kSmall, kSmall, kManyScratches, 1234));
    }
    state.SetItemsProcessed(state.iterations() * kManyScratches);
}
BENCHMARK(BM_ManyScratchesSmallImage)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ManyScratchesSmallImagePlain(benchmark::State& state) {
    const std::vector<proctex::ScratchStroke> strokes =
        proctex::drawScratches(kSmall, kSmall, kManyScratches, 1234);
    for (auto _ : state) {
        FloatField overlay(kSmall * kSmall);
        for (const auto& s : strokes) plainPaintScratch(overlay, kSmall, kSmall, s);
        benchmark::DoNotOptimize(overlay.data());
    }
    state.SetItemsProcessed(state.iterations() * kManyScratches);
}
BENCHMARK(BM_ManyScratchesSmallImagePlain)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
