// How soon a cancelled call returns: the time from the callback's stop
// request to the return of proctex_generate_progress, at 2048 x 2048, with
// the stop asked for at 10 %, 50 % and 90 % of the work. Beside it, the
// whole call without a stop, so the two read as a ratio.
#include <benchmark/benchmark.h>
#include <proctex.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

struct Stop {
    float at;
    Clock::time_point asked{};
};

int PROCTEX_CALL stopAt(float fraction, const char*, void* user) {
    auto* stop = static_cast<Stop*>(user);
    if (fraction < stop->at) return 1;
    if (stop->asked == Clock::time_point{}) stop->asked = Clock::now();
    return 0;
}

ProctexSettings stone() {
    ProctexSettings s;
    proctex_settings_init(&s);
    s.width = s.height = 2048;
    return s;
}

void BM_CancelLatency(benchmark::State& state) {
    const ProctexSettings s = stone();
    for (auto _ : state) {
        Stop stop{static_cast<float>(state.range(0)) / 100.0f};
        ProctexMaps* maps = nullptr;
        const int status =
            proctex_generate_progress(&s, PROCTEX_MAPS_ALL, &maps, stopAt, &stop, nullptr, 0);
        const auto returned = Clock::now();
        if (status != PROCTEX_CANCELLED) state.SkipWithError("not cancelled");
        state.SetIterationTime(std::chrono::duration<double>(returned - stop.asked).count());
    }
}
BENCHMARK(BM_CancelLatency)
    ->Arg(10)
    ->Arg(50)
    ->Iterations(3)
    ->Arg(90)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_WholeCall(benchmark::State& state) {
    const ProctexSettings s = stone();
    for (auto _ : state) {
        ProctexMaps* maps = nullptr;
        proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0);
        proctex_maps_free(maps);
    }
}
BENCHMARK(BM_WholeCall)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
