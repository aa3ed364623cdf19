// The batch runner's throughput with one and two workers. On a machine with
// two free cores the ratio, reported as the "speedup" counter of
// BM_BatchTwoJobsOverOne, should be at least 1.7: calls share nothing, so only
// the file system and the tail of the last item stand in the way.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "batch.h"
#include "presets.h"

namespace {

using proctex::cli::BatchItem;

// Every preset at 256 x 256 with all five maps, as a manifest would ask.
std::vector<BatchItem> presetItems() {
    const auto dir = std::filesystem::temp_directory_path() / "proctex-bench-batch";
    std::filesystem::create_directories(dir);
    std::vector<BatchItem> items;
    for (const auto& p : proctex::cli::presets()) {
        BatchItem item{p.name, p.options};
        item.options.width = 256;
        item.options.height = 256;
        item.options.output = (dir / (std::string(p.name) + ".png")).string();
        items.push_back(std::move(item));
    }
    return items;
}

void BM_Batch(benchmark::State& state) {
    const auto items = presetItems();
    const int jobs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (proctex::cli::runBatch(items, jobs, nullptr).failed != 0) {
            state.SkipWithError("an item failed");
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(items.size()));
}
BENCHMARK(BM_Batch)->ArgName("jobs")->Arg(1)->Arg(2)->MinTime(2.0)->UseRealTime()->Unit(
    benchmark::kMillisecond);

// One job, then two, on the same items in every iteration, so both see the
// same machine load; the counter is the ratio of their wall times.
void BM_BatchTwoJobsOverOne(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const auto items = presetItems();
    double oneJob = 0.0, twoJobs = 0.0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const auto a = proctex::cli::runBatch(items, 1, nullptr);
        const auto t1 = Clock::now();
        const auto b = proctex::cli::runBatch(items, 2, nullptr);
        const auto t2 = Clock::now();
        if (a.failed != 0 || b.failed != 0) state.SkipWithError("an item failed");
        oneJob += std::chrono::duration<double>(t1 - t0).count();
        twoJobs += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["speedup"] = twoJobs > 0.0 ? oneJob / twoJobs : 0.0;
}
BENCHMARK(BM_BatchTwoJobsOverOne)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
