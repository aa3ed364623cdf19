// Whole GenerateTexture calls against the PNG encoding of the images they
// write, case by case and in one run, so the share of our own work (noise,
// pattern, overlay, tone, colouring, derived maps, quantisation) beside the
// unavoidable encoding can be read off directly. Ends with a summary table.
//
// Also measures the peak resident memory of one 4096 x 4096 call with all
// maps, in a fresh child process (this program started again with
// --peak-memory-child), so nothing the benchmarks before it left in the heap
// counts.
#include <benchmark/benchmark.h>
#include <proctex.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "output/png_writer.h"
#include "settings_call.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

extern char** environ;

namespace {

// The cases' common settings: an eight-octave stone without optional maps.
ProctexSettings stone() {
    ProctexSettings s;
    proctex_settings_init(&s);
    s.scale = 64.0f;
    s.octaves = 8;
    s.persistence = 0.5f;
    s.brightness = 0.05f;
    s.normalStrength = 4.0f;
    s.writeRoughness = 0;
    s.writeMetallic = 0;
    return s;
}

int runAtSize(ProctexSettings s, int size, const std::wstring& path) {
    s.width = size;
    s.height = size;
    return generateTextureFrom(s, path.c_str());
}

struct Case {
    std::string name;
    ProctexSettings settings;
};

ProctexSettings pattern(int type, float param) {
    ProctexSettings s = stone();
    s.patternType = type;
    s.patternParam = param;
    return s;
}

ProctexSettings overlay(int type, float param, float strength) {
    ProctexSettings s = stone();
    s.overlayType = type;
    s.overlayParam = param;
    s.overlayStrength = strength;
    return s;
}

// The heavy mix: cell pattern with small cells, an expensive overlay, all
// five maps. One call takes one overlay, so there is one mix per heavy
// overlay.
ProctexSettings heavy(int overlayType, float param, float strength) {
    ProctexSettings s = overlay(overlayType, param, strength);
    s.patternType = PROCTEX_PATTERN_CELLS;
    s.patternParam = 8.0f;
    s.writeRoughness = 1;
    s.writeMetallic = 1;
    return s;
}

std::vector<Case> cases() {
    return {
        {"fractal8", stone()},
        {"ring", pattern(PROCTEX_PATTERN_RINGS, 16.0f)},
        {"groove", pattern(PROCTEX_PATTERN_GROOVES, 8.0f)},
        {"tonecurve", pattern(PROCTEX_PATTERN_TONE_CURVE, 2.0f)},
        {"damped", pattern(PROCTEX_PATTERN_DAMPED_EXTREMES, 2.0f)},
        {"cell16", pattern(PROCTEX_PATTERN_CELLS, 16.0f)},
        {"brushed", pattern(PROCTEX_PATTERN_BRUSHED, 10.0f)},
        {"discs", pattern(PROCTEX_PATTERN_DISCS, 24.0f)},
        {"checker", pattern(PROCTEX_PATTERN_CHECKER, 32.0f)},
        {"knot", pattern(PROCTEX_PATTERN_KNOTS, 10.0f)},
        {"diamond", pattern(PROCTEX_PATTERN_DIAMONDS, 32.0f)},
        {"eggcrate", pattern(PROCTEX_PATTERN_EGG_CRATE, 10.0f)},
        {"veins", overlay(PROCTEX_OVERLAY_VEINS, 20.0f, 0.5f)},
        {"bricks", overlay(PROCTEX_OVERLAY_BRICKS, 96.0f, 40.0f)},
        {"planks-grain", overlay(PROCTEX_OVERLAY_PLANKS, 128.0f, 1.0f)},
        {"scratches200", overlay(PROCTEX_OVERLAY_SCRATCHES, 200.0f, 0.5f)},
        {"heavy:cell8+planks", heavy(PROCTEX_OVERLAY_PLANKS, 128.0f, 1.0f)},
        {"heavy:cell8+scratches", heavy(PROCTEX_OVERLAY_SCRATCHES, 200.0f, 0.5f)},
    };
}

const int kSizes[] = {512, 1024, 2048};

int iterationsFor(int size) {
    return size <= 512 ? 5 : size <= 1024 ? 3 : 1;
}

std::filesystem::path benchDir() {
    const auto dir = std::filesystem::temp_directory_path() / "proctex-bench-e2e";
    std::filesystem::create_directories(dir);
    return dir;
}

std::filesystem::path stemPath(const Case& c, int size) {
    std::string stem = c.name + "_" + std::to_string(size);
    std::replace(stem.begin(), stem.end(), ':', '-');
    std::replace(stem.begin(), stem.end(), '+', '-');
    return benchDir() / (stem + ".png");
}

// The files a call writes, by suffix, in write order.
std::vector<std::filesystem::path> outputsOf(const Case& c, int size) {
    const std::filesystem::path stem = stemPath(c, size);
    const std::string base = stem.string().substr(0, stem.string().size() - 4);
    std::vector<std::filesystem::path> files = {base + "_diff.png", base + "_nmap.png",
                                                base + "_spec.png"};
    if (c.settings.writeRoughness == 1) files.push_back(base + "_rough.png");
    if (c.settings.writeMetallic == 1) files.push_back(base + "_metal.png");
    return files;
}

void runCall(benchmark::State& state, const Case& c, int size) {
    const std::wstring path = stemPath(c, size).wstring();
    for (auto _ : state) {
        if (runAtSize(c.settings, size, path) != 1) state.SkipWithError("GenerateTexture failed");
    }
}

struct DecodedImage {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
};

// The encoding alone of exactly the images the call wrote, read back from its
// files, through the library's own encoder step.
void runEncode(benchmark::State& state, const Case& c, int size) {
    const std::vector<std::filesystem::path> files = outputsOf(c, size);
    if (!std::filesystem::exists(files.back()) &&
        runAtSize(c.settings, size, stemPath(c, size).wstring()) != 1) {
        state.SkipWithError("GenerateTexture failed");
        return;
    }
    std::vector<DecodedImage> images;
    for (const auto& file : files) {
        DecodedImage image;
        unsigned char* data =
            stbi_load(file.string().c_str(), &image.width, &image.height, &image.channels, 0);
        if (data == nullptr) {
            state.SkipWithError("cannot read back an output file");
            return;
        }
        image.pixels.assign(data, data + std::size_t(image.width) * image.height * image.channels);
        stbi_image_free(data);
        images.push_back(std::move(image));
    }
    const std::string out = (benchDir() / "encode-only.png").string();
    for (auto _ : state) {
        for (const DecodedImage& image : images) {
            if (!proctex::writePngFile(out, image.width, image.height, image.channels,
                                       image.pixels.data(), image.width * image.channels)) {
                state.SkipWithError("encoding failed");
            }
        }
    }
}

// The command line's default stone at 512 x 512 with every map, computed in
// memory, against stb_image_write encoding exactly those maps in memory.
constexpr int kMemorySize = 512;

ProctexSettings defaultStone() {
    ProctexSettings s;
    proctex_settings_init(&s);
    s.width = kMemorySize;
    s.height = kMemorySize;
    return s;
}

void runInMemory(benchmark::State& state) {
    const ProctexSettings s = defaultStone();
    for (auto _ : state) {
        ProctexMaps* maps = nullptr;
        if (proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0) != PROCTEX_OK) {
            state.SkipWithError("proctex_generate failed");
        }
        benchmark::DoNotOptimize(maps);
        proctex_maps_free(maps);
    }
}

void runEncodeInMemory(benchmark::State& state) {
    const ProctexSettings s = defaultStone();
    ProctexMaps* maps = nullptr;
    if (proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0) != PROCTEX_OK) {
        state.SkipWithError("proctex_generate failed");
        return;
    }
    for (auto _ : state) {
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            int width = 0, height = 0, channels = 0;
            const unsigned char* pixels =
                proctex_maps_pixels(maps, map, &width, &height, &channels);
            int length = 0;
            uint8_t* png =
                proctex::encodePngBytes(pixels, width, height, channels, width * channels, &length);
            benchmark::DoNotOptimize(png);
            proctex::freePngBytes(png);
        }
    }
    proctex_maps_free(maps);
}

// Peak memory: the child calls once at 4096 x 4096 with all maps and prints
// its resident size before the call and its peak after it, in kB.
long statusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t keyLength = std::strlen(key);
    while (std::getline(status, line)) {
        if (line.compare(0, keyLength, key) == 0) return std::atol(line.c_str() + keyLength + 1);
    }
    return -1;
}

constexpr int kPeakSize = 4096;

ProctexSettings peakCase(const std::string& name) {
    if (name == "heavy") return heavy(PROCTEX_OVERLAY_PLANKS, 128.0f, 1.0f);
    ProctexSettings s = stone();
    s.writeRoughness = 1;
    s.writeMetallic = 1;
    return s;
}

int peakMemoryChild(const std::string& name) {
    const long before = statusKb("VmRSS:");
    const std::wstring path = (benchDir() / ("peak-" + name + ".png")).wstring();
    const int ok = runAtSize(peakCase(name), kPeakSize, path);
    const long peak = statusKb("VmHWM:");
    std::printf("%d %ld %ld\n", ok, before, peak);
    return ok == 1 ? 0 : 1;
}

std::string selfPath;

void runPeakMemory(benchmark::State& state, const std::string& name) {
    double bytesPerPixel = 0.0;
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe failed");
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string flag = "--peak-memory-child=" + name;
        char* argv[] = {selfPath.data(), flag.data(), nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, selfPath.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string output;
        char buffer[256];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, n);
        close(fds[0]);
        int status = 0;
        if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            state.SkipWithError("the measuring child failed");
            return;
        }
        int ok = 0;
        long before = 0, peak = 0;
        std::sscanf(output.c_str(), "%d %ld %ld", &ok, &before, &peak);
        bytesPerPixel = double(peak - before) * 1024.0 / (double(kPeakSize) * kPeakSize);
    }
    state.counters["bytes_per_pixel"] = bytesPerPixel;
}

// Collects every run for the summary while the console shows them as usual.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // The name as registered, without the "/iterations:n" suffix.
            const std::string& name = run.run_name.function_name;
            cpuMs[name] = run.GetAdjustedCPUTime();
            for (const auto& [key, counter] : run.counters) {
                counters[name + "." + key] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> cpuMs;
    std::map<std::string, double> counters;
};

std::string callName(const Case& c, int size) {
    return "call/" + c.name + "/" + std::to_string(size);
}
std::string encodeName(const Case& c, int size) {
    return "encode/" + c.name + "/" + std::to_string(size);
}

void printSummary(const SummaryReporter& reporter) {
    std::printf(
        "\nEnd to end, CPU time per call (compute = call - encode; target at 1024: "
        "compute <= 35%% of encode)\n");
    std::printf("%-24s %6s %10s %10s %10s %8s\n", "case", "size", "call ms", "encode ms",
                "compute ms", "ratio");
    int missed = 0;
    for (int size : kSizes) {
        for (const Case& c : cases()) {
            const auto call = reporter.cpuMs.find(callName(c, size));
            const auto encode = reporter.cpuMs.find(encodeName(c, size));
            if (call == reporter.cpuMs.end() || encode == reporter.cpuMs.end()) continue;
            const double compute = call->second - encode->second;
            const double ratio = compute / encode->second;
            const bool over = size == 1024 && ratio > 0.35;
            missed += over;
            std::printf("%-24s %6d %10.1f %10.1f %10.1f %7.0f%%%s\n", c.name.c_str(), size,
                        call->second, encode->second, compute, 100.0 * ratio,
                        over ? "  over target" : "");
        }
    }
    for (const char* name : {"fractal", "heavy"}) {
        const auto peak =
            reporter.counters.find(std::string("peak_memory/4096/") + name + ".bytes_per_pixel");
        if (peak != reporter.counters.end()) {
            std::printf("peak memory, one 4096x4096 call (%s, all maps): %.1f bytes per pixel\n",
                        name, peak->second);
        }
    }
    std::printf("cases at 1024 over the compute target: %d\n", missed);
    const auto memory = reporter.cpuMs.find("memory/default-stone/512");
    const auto encode = reporter.cpuMs.find("memory/stb-encode/512");
    if (memory != reporter.cpuMs.end() && encode != reporter.cpuMs.end()) {
        const double ratio = memory->second / encode->second;
        std::printf(
            "in memory, default stone 512, all maps: %.2f ms against %.2f ms of stb encoding: "
            "%.1f%% (target <= 15%%)%s\n",
            memory->second, encode->second, 100.0 * ratio, ratio > 0.15 ? "  over target" : "");
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string flag = "--peak-memory-child=";
        if (arg.compare(0, flag.size(), flag) == 0) return peakMemoryChild(arg.substr(flag.size()));
    }
    selfPath = std::filesystem::canonical("/proc/self/exe").string();

    for (int size : kSizes) {
        for (const Case& c : cases()) {
            benchmark::RegisterBenchmark(callName(c, size).c_str(),
                                         [c, size](benchmark::State& s) { runCall(s, c, size); })
                ->Iterations(iterationsFor(size))
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(encodeName(c, size).c_str(),
                                         [c, size](benchmark::State& s) { runEncode(s, c, size); })
                ->Iterations(iterationsFor(size))
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("memory/default-stone/512", runInMemory)
        ->Iterations(20)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("memory/stb-encode/512", runEncodeInMemory)
        ->Iterations(20)
        ->Unit(benchmark::kMillisecond);
    for (const char* name : {"fractal", "heavy"}) {
        benchmark::RegisterBenchmark((std::string("peak_memory/4096/") + name).c_str(),
                                     [name](benchmark::State& s) { runPeakMemory(s, name); })
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    std::filesystem::remove_all(benchDir());
    return 0;
}
