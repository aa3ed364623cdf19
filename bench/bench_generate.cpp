// Whole calls against the cost of encoding the same PNGs, in one run, so the
// ratio of our own work to the unavoidable encoding can be read off directly.
#include <benchmark/benchmark.h>
#include <proctex.h>

#include <filesystem>
#include <string>

#include "float_png.h"
#include "noise/texture_generator.h"
#include "output/png_writer.h"

namespace {

std::filesystem::path benchDir() {
    const auto dir = std::filesystem::temp_directory_path() / "proctex-bench";
    std::filesystem::create_directories(dir);
    return dir;
}

void BM_GenerateFractal8AllMaps(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const std::wstring path = (benchDir() / "fractal.png").wstring();
    for (auto _ : state) {
        const int ok =
            GenerateTexture(size, size, 0, 64.0f, 8, 0.5f, 2.0f, 4, 0, 0.0f, 0, 0.0f, 0.0f, 1234,
                            1.0f, 0.0f, 0, 0, 4.0f, 0.5f, 1, 1, path.c_str());
        if (ok != 1) state.SkipWithError("GenerateTexture failed");
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(BM_GenerateFractal8AllMaps)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond);

// The PNG encoding alone of the same five images: two RGB, three grey.
void BM_EncodeFiveMaps(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const proctex::TextureGenerator generator(size, size, 64.0f, 8, 1234, false);
    const proctex::FloatField height = generator.generateFractalBase(0.5f, 2.0f);
    proctex::ColorField colors(height.size());
    for (std::size_t i = 0; i < height.size(); ++i) colors[i] = {height[i], height[i], 1.0f};
    const std::string path = (benchDir() / "encode.png").string();
    for (auto _ : state) {
        bool ok = proctex::writeColorPNG(colors, size, size, path);
        ok &= proctex::writeColorPNG(colors, size, size, path);
        for (int i = 0; i < 3; ++i) ok &= proctex::writeGrayPNG(height, size, size, path);
        if (!ok) state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_EncodeFiveMaps)->Arg(512)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_FractalBase8Octaves(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    const proctex::TextureGenerator generator(size, size, 64.0f, 8, 1234, false);
    for (auto _ : state) benchmark::DoNotOptimize(generator.generateFractalBase(0.5f, 2.0f));
    state.SetItemsProcessed(state.iterations() * size * size * 8);
}
BENCHMARK(BM_FractalBase8Octaves)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
