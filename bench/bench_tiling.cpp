// The cost of tiling: every preset at 1024 x 1024 made in memory with and
// without tileable, alternating the two so that a busy machine slows both
// alike, and the ratio of their median times (target: within 1.10).
// Arguments: size (1024), rounds (5), and one preset's name to time it alone.
#include <proctex.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double secondsFor(const ProctexSettings& s) {
    const auto start = std::chrono::steady_clock::now();
    ProctexMaps* maps = nullptr;
    char why[256];
    if (proctex_generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, why, sizeof why) != PROCTEX_OK) {
        std::fprintf(stderr, "proctex_generate: %s\n", why);
        std::exit(1);
    }
    proctex_maps_free(maps);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    const int size = argc > 1 ? std::atoi(argv[1]) : 1024;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const char* only = argc > 3 ? argv[3] : nullptr;  // one preset, by name
    // One thread: the maps' own parallelism would measure the machine's load.
    setenv("PROCTEX_THREADS", "1", 0);
    std::printf("tiling cost at %d x %d, median of %d alternating runs each\n", size, size, rounds);
    std::printf("%-16s %10s %10s %7s\n", "preset", "plain ms", "tiled ms", "ratio");
    double plainTotal = 0.0;
    double tiledTotal = 0.0;
    double worst = 0.0;
    for (int i = 0; i < proctex_preset_count(); ++i) {
        if (only != nullptr && std::strcmp(only, proctex_preset_name(i)) != 0) continue;
        ProctexSettings s;
        proctex_preset_settings(proctex_preset_name(i), &s, sizeof s);
        s.width = s.height = size;
        std::vector<double> plain, tiled;
        for (int r = 0; r < rounds; ++r) {
            s.tileable = 0;
            plain.push_back(secondsFor(s));
            s.tileable = 1;
            tiled.push_back(secondsFor(s));
        }
        const double p = median(plain), t = median(tiled);
        plainTotal += p;
        tiledTotal += t;
        worst = std::max(worst, t / p);
        std::printf("%-16s %10.1f %10.1f %7.3f\n", proctex_preset_name(i), p * 1e3, t * 1e3, t / p);
    }
    std::printf("%-16s %10.1f %10.1f %7.3f   (worst preset %.3f)\n", "all", plainTotal * 1e3,
                tiledTotal * 1e3, tiledTotal / plainTotal, worst);
    return 0;
}
