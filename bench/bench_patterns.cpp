// The pattern stage at 1024 x 1024: every pattern, and the two costly ones
// beside their plain references (tests/patterns/pattern_reference.h) so the
// speed-up is a ratio read off one run. The plain loops are timed on a strip
// of rows and reported per pixel ("ns_per_px"), like the fast versions.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "noise/texture_generator.h"
#include "pattern_reference.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace {

const proctex::FloatField& baseField(int size) {
    static proctex::FloatField field512;
    static proctex::FloatField field1024;
    proctex::FloatField& field = size == 512 ? field512 : field1024;
    if (field.empty()) {
        const proctex::TextureGenerator generator(size, size, 64.0f, 6, 1234, false);
        field = generator.generateFractalBase(0.5f, 2.0f);
    }
    return field;
}

void perPixel(benchmark::State& state, int64_t pixelsPerIteration) {
    state.SetItemsProcessed(state.iterations() * pixelsPerIteration);
    state.counters["ns_per_px"] = benchmark::Counter(
        static_cast<double>(pixelsPerIteration) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Args: size, patternParam.
void BM_CellFast(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const proctex::FloatField& field = baseField(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateCellPattern(field, size, size, param, 1234));
    }
    perPixel(state, int64_t{size} * size);
}
BENCHMARK(BM_CellFast)
    ->Args({512, 16})
    ->Args({1024, 16})
    ->Args({1024, 2})
    ->Args({1024, 3})
    ->Args({1024, 4})
    ->Args({1024, 6})
    ->Args({1024, 8})
    ->Args({1024, 32})
    ->Args({1024, 64})
    ->Unit(benchmark::kMillisecond);

// Drawing the feature points alone, per pixel of the image: the part of the
// cell pattern's cost that grows with the point count whatever the search.
void BM_CellDrawPoints(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const int32_t count = proctex::cellPointCount(size, size, param);
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::drawCellPoints(size, size, count, 1234));
    }
    perPixel(state, int64_t{size} * size);
}
BENCHMARK(BM_CellDrawPoints)
    ->Args({1024, 16})
    ->Args({1024, 4})
    ->Args({1024, 2})
    ->Unit(benchmark::kMillisecond);

// The nearest two by a per-pixel bucket search (each pixel on its own, see
// pattern_reference.h), beside the tiled search of the library: sharing no
// work between pixels, it shows how much of the growth with the point count
// any exact search pays.
void BM_CellPerPixelGrid(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const std::vector<proctex::reference::Point> points =
        proctex::reference::plainCellPoints(size, size, param, 1234);
    const float maxDist = proctex::reference::plainMaxDist(size, size);
    std::vector<float> f1;
    std::vector<float> f2;
    for (auto _ : state) {
        proctex::reference::perPixelGridNearestTwo(points, size, size, maxDist, f1, f2);
        benchmark::DoNotOptimize(f2.data());
    }
    perPixel(state, int64_t{size} * size);
}
BENCHMARK(BM_CellPerPixelGrid)
    ->Args({1024, 16})
    ->Args({1024, 4})
    ->Args({1024, 2})
    ->Unit(benchmark::kMillisecond);

// Args: size, patternParam, rows computed.
void BM_CellPlain(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const int rows = static_cast<int>(state.range(2));
    const proctex::FloatField& field = baseField(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            proctex::reference::plainCellPattern(field, size, size, param, 1234, rows));
    }
    perPixel(state, int64_t{size} * rows);
}
BENCHMARK(BM_CellPlain)
    ->Args({512, 16, 512})
    ->Args({1024, 16, 256})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_StaggeredDiscsFast(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const proctex::FloatField& field = baseField(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(proctex::generateStaggeredDiscPattern(field, size, size, param));
    }
    perPixel(state, int64_t{size} * size);
}
BENCHMARK(BM_StaggeredDiscsFast)->Args({1024, 24})->Args({1024, 4})->Unit(benchmark::kMillisecond);

// Args: size, patternParam, rows visited.
void BM_StaggeredDiscsPlain(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const float param = static_cast<float>(state.range(1));
    const int rows = static_cast<int>(state.range(2));
    const proctex::FloatField& field = baseField(size);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            proctex::reference::plainStaggeredDiscs(field, size, size, param, rows));
    }
    perPixel(state, int64_t{size} * rows);
}
BENCHMARK(BM_StaggeredDiscsPlain)
    ->Args({1024, 24, 128})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The other patterns at 1024 x 1024.
template <typename Pattern>
void runPattern(benchmark::State& state, Pattern pattern) {
    constexpr int kSize = 1024;
    const proctex::FloatField& field = baseField(kSize);
    for (auto _ : state) benchmark::DoNotOptimize(pattern(field, kSize));
    perPixel(state, int64_t{kSize} * kSize);
}

void BM_Ring(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateRingPattern(f, s, s, 16.0f, false);
    });
}
void BM_Groove(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateGroovePattern(f, s, s, 8.0f, false);
    });
}
void BM_ToneCurve(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateToneCurvePattern(f, s, s, 2.0f);
    });
}
void BM_DampedExtremes(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateDampedExtremesPattern(f, s, s, 2.0f);
    });
}
void BM_BrushedScratches(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateBrushedScratchesPattern(f, s, s, 10.0f, 1234);
    });
}
void BM_Checker(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField&, int s) {
        return proctex::generateCheckerPattern(s, s, 32.0f);
    });
}
void BM_BandedKnot(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateBandedKnotPattern(f, s, s, 10.0f);
    });
}
void BM_Diamond(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateDiamondPattern(f, s, s, 32.0f);
    });
}
void BM_EggCrate(benchmark::State& state) {
    runPattern(state, [](const proctex::FloatField& f, int s) {
        return proctex::generateEggCratePattern(f, s, s, 10.0f);
    });
}
BENCHMARK(BM_Ring)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Groove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ToneCurve)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DampedExtremes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrushedScratches)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Checker)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BandedKnot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Diamond)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EggCrate)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
