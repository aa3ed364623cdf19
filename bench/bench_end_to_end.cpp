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

// Every argument of GenerateTexture but the sizes and the path.
struct Args {
    int baseType = 0;
    float scale = 64.0f;
    int octaves = 8;
    float persistence = 0.5f;
    float lacunarity = 2.0f;
    int materialType = 4;
    int patternType = 0;
    float patternParam = 0.0f;
    int overlayType = 0;
    float overlayParam = 0.0f;
    float overlayStrength = 0.0f;
    int seed = 1234;
    float contrast = 1.2f;
    float brightness = 0.05f;
    int invert = 0;
    int seamless = 0;
    float normalStrength = 4.0f;
    float roughness = 0.5f;
    int writeRoughness = 0;
    int writeMetallic = 0;

    int run(int size, const std::wstring& path) const {
        return GenerateTexture(size, size, baseType, scale, octaves, persistence, lacunarity,
                               materialType, patternType, patternParam, overlayType, overlayParam,
                               overlayStrength, seed, contrast, brightness, invert, seamless,
                               normalStrength, roughness, writeRoughness, writeMetallic,
                               path.c_str());
    }
};

struct Case {
    std::string name;
    Args args;
};

Args pattern(int type, float param) {
    Args a;
    a.patternType = type;
    a.patternParam = param;
    return a;
}

Args overlay(int type, float param, float strength) {
    Args a;
    a.overlayType = type;
    a.overlayParam = param;
    a.overlayStrength = strength;
    return a;
}

// The heavy mix: cell pattern with small cells, an expensive overlay, all
// five maps. One call takes one overlay, so there is one mix per heavy
// overlay.
Args heavy(int overlayType, float param, float strength) {
    Args a = overlay(overlayType, param, strength);
    a.patternType = 6;
    a.patternParam = 8.0f;
    a.writeRoughness = 1;
    a.writeMetallic = 1;
    return a;
}

std::vector<Case> cases() {
    return {
        {"fractal8", Args{}},
        {"ring", pattern(2, 16.0f)},
        {"groove", pattern(3, 8.0f)},
        {"tonecurve", pattern(4, 2.0f)},
        {"damped", pattern(5, 2.0f)},
        {"cell16", pattern(6, 16.0f)},
        {"brushed", pattern(7, 10.0f)},
        {"discs", pattern(8, 24.0f)},
        {"checker", pattern(9, 32.0f)},
        {"knot", pattern(10, 10.0f)},
        {"diamond", pattern(11, 32.0f)},
        {"eggcrate", pattern(12, 10.0f)},
        {"veins", overlay(1, 20.0f, 0.5f)},
        {"bricks", overlay(2, 96.0f, 40.0f)},
        {"planks-grain", overlay(3, 128.0f, 1.0f)},
        {"scratches200", overlay(4, 200.0f, 0.5f)},
        {"heavy:cell8+planks", heavy(3, 128.0f, 1.0f)},
        {"heavy:cell8+scratches", heavy(4, 200.0f, 0.5f)},
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
    if (c.args.writeRoughness == 1) files.push_back(base + "_rough.png");
    if (c.args.writeMetallic == 1) files.push_back(base + "_metal.png");
    return files;
}

void runCall(benchmark::State& state, const Case& c, int size) {
    const std::wstring path = stemPath(c, size).wstring();
    for (auto _ : state) {
        if (c.args.run(size, path) != 1) state.SkipWithError("GenerateTexture failed");
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
        c.args.run(size, stemPath(c, size).wstring()) != 1) {
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

Args peakCase(const std::string& name) {
    return name == "heavy" ? heavy(3, 128.0f, 1.0f) : [] {
        Args a;
        a.writeRoughness = 1;
        a.writeMetallic = 1;
        return a;
    }();
}

int peakMemoryChild(const std::string& name) {
    const long before = statusKb("VmRSS:");
    const std::wstring path = (benchDir() / ("peak-" + name + ".png")).wstring();
    const int ok = peakCase(name).run(kPeakSize, path);
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
