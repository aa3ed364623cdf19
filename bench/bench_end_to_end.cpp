// Whole GenerateTexture calls with all five maps at 1024 x 1024, case by
// case, against the time stb_image_write itself needs to encode the five
// files the call wrote: once with the default threads (PROCTEX_THREADS
// unset) and once with PROCTEX_THREADS=1. Times are wall-clock, since the
// call's own threads do part of the work. Ends with a summary table.
//
// Also measures the peak resident memory of one 4096 x 4096 call with all
// maps, and of a preset's whole set at 8192 x 8192, in a fresh child process
// (this program started again with --peak-memory-child), so nothing the
// benchmarks before it left in the heap counts; and a preset's whole set
// (every map, computed and saved) at 4096 against the same at 1024.
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
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
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

// The heavy mix: cell pattern with small cells and an expensive overlay. One
// call takes one overlay, so there is one mix per heavy overlay.
ProctexSettings heavy(int overlayType, float param, float strength) {
    ProctexSettings s = overlay(overlayType, param, strength);
    s.patternType = PROCTEX_PATTERN_CELLS;
    s.patternParam = 8.0f;
    return s;
}

ProctexSettings withAllMaps(ProctexSettings s) {
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

constexpr int kSize = 1024;
constexpr int kIterations = 3;

// PROCTEX_THREADS for the calls that follow (null: unset, the default).
void setThreads(const char* value) {
    if (value != nullptr) {
        setenv("PROCTEX_THREADS", value, 1);
    } else {
        unsetenv("PROCTEX_THREADS");
    }
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

// The five files a call writes, in write order.
std::vector<std::filesystem::path> outputsOf(const Case& c, int size) {
    const std::filesystem::path stem = stemPath(c, size);
    const std::string base = stem.string().substr(0, stem.string().size() - 4);
    return {base + "_diff.png", base + "_nmap.png", base + "_spec.png", base + "_rough.png",
            base + "_metal.png"};
}

void runCall(benchmark::State& state, const Case& c, const char* threads) {
    setThreads(threads);
    const std::wstring path = stemPath(c, kSize).wstring();
    for (auto _ : state) {
        if (runAtSize(withAllMaps(c.settings), kSize, path) != 1) {
            state.SkipWithError("GenerateTexture failed");
        }
    }
    setThreads(nullptr);
}

struct DecodedImage {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels;
};

// stb_image_write's PNG bytes of one image, in memory; false when it fails.
bool stbEncode(const uint8_t* pixels, int width, int height, int channels) {
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(pixels, width * channels, width, height, channels, &length);
    benchmark::DoNotOptimize(png);
    STBIW_FREE(png);
    return png != nullptr;
}

// stb_image_write encoding exactly the images the call wrote, read back from
// its files.
void runStbEncode(benchmark::State& state, const Case& c) {
    const std::vector<std::filesystem::path> files = outputsOf(c, kSize);
    if (!std::filesystem::exists(files.back()) &&
        runAtSize(withAllMaps(c.settings), kSize, stemPath(c, kSize).wstring()) != 1) {
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
    for (auto _ : state) {
        for (const DecodedImage& image : images) {
            if (!stbEncode(image.pixels.data(), image.width, image.height, image.channels)) {
                state.SkipWithError("encoding failed");
            }
        }
    }
}

// One map of a case at 1024, encoded alone, by our encoder or by stb, on
// the calling thread. The maps come from the library in memory.
const char* const kMapNames[] = {"diffuse", "normal", "specular", "roughness", "metallic"};

const std::vector<DecodedImage>& caseMaps(const Case& c) {
    static std::map<std::string, std::vector<DecodedImage>> cache;
    auto& images = cache[c.name];
    if (!images.empty()) return images;
    ProctexSettings s = withAllMaps(c.settings);
    s.width = s.height = kSize;
    ProctexMaps* maps = nullptr;
    if (proctex_generate(&s, PROCTEX_MAPS_AS_SETTINGS, &maps, nullptr, 0) != PROCTEX_OK)
        return images;
    for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
        DecodedImage image;
        const unsigned char* pixels =
            proctex_maps_pixels(maps, map, &image.width, &image.height, &image.channels);
        image.pixels.assign(pixels, pixels + std::size_t(image.width) * std::size_t(image.height) *
                                                 std::size_t(image.channels));
        images.push_back(std::move(image));
    }
    proctex_maps_free(maps);
    return images;
}

void runEncodeOneMap(benchmark::State& state, const Case& c, int map, bool ours) {
    const std::vector<DecodedImage>& images = caseMaps(c);
    if (images.empty()) {
        state.SkipWithError("proctex_generate failed");
        return;
    }
    const DecodedImage& image = images[std::size_t(map)];
    for (auto _ : state) {
        if (ours) {
            proctex::EncodedBytes png =
                proctex::encodePngBytes(image.pixels.data(), image.width, image.height,
                                        image.channels, image.width * image.channels);
            benchmark::DoNotOptimize(png.data());
        } else if (!stbEncode(image.pixels.data(), image.width, image.height, image.channels)) {
            state.SkipWithError("encoding failed");
        }
    }
}

std::string encoderName(const Case& c, int map, bool ours) {
    return std::string(ours ? "encoder/ours/" : "encoder/stb/") + c.name + "/" + kMapNames[map];
}

// The command line's default stone at 512 x 512 with the five maps of
// GenerateTexture and the float height field, computed in memory, against
// stb_image_write encoding exactly those five maps in memory.
constexpr int kMemorySize = 512;
constexpr unsigned kFiveMapsAndHeight =
    PROCTEX_MAP_BIT(PROCTEX_MAP_DIFFUSE) | PROCTEX_MAP_BIT(PROCTEX_MAP_NORMAL) |
    PROCTEX_MAP_BIT(PROCTEX_MAP_SPECULAR) | PROCTEX_MAP_BIT(PROCTEX_MAP_ROUGHNESS) |
    PROCTEX_MAP_BIT(PROCTEX_MAP_METALLIC) | PROCTEX_MAP_BIT(PROCTEX_MAP_HEIGHT);

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
        if (proctex_generate(&s, kFiveMapsAndHeight, &maps, nullptr, 0) != PROCTEX_OK) {
            state.SkipWithError("proctex_generate failed");
        }
        benchmark::DoNotOptimize(maps);
        proctex_maps_free(maps);
    }
}

void runEncodeInMemory(benchmark::State& state) {
    const ProctexSettings s = defaultStone();
    ProctexMaps* maps = nullptr;
    if (proctex_generate(&s, kFiveMapsAndHeight, &maps, nullptr, 0) != PROCTEX_OK) {
        state.SkipWithError("proctex_generate failed");
        return;
    }
    for (auto _ : state) {
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            int width = 0, height = 0, channels = 0;
            const unsigned char* pixels =
                proctex_maps_pixels(maps, map, &width, &height, &channels);
            if (!stbEncode(pixels, width, height, channels)) state.SkipWithError("encoding failed");
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
constexpr int kSetPeakSize = 8192;
// The preset whose set is largest: every map, the glow among them.
constexpr const char* kSetPeakPreset = "lava";

ProctexSettings peakCase(const std::string& name) {
    if (name == "heavy") return withAllMaps(heavy(PROCTEX_OVERLAY_PLANKS, 128.0f, 1.0f));
    return withAllMaps(stone());
}

// A preset's whole set, as the tool writes it with every map: computed on
// the tile at size x size and saved. PROCTEX_OK or the failing code.
int saveWholeSet(const char* preset, int size, const std::string& path) {
    ProctexSettings s;
    if (proctex_preset_settings(preset, &s, sizeof s) != PROCTEX_OK) return PROCTEX_ERROR_ARGUMENT;
    s.width = s.height = size;
    ProctexMaps* maps = nullptr;
    int status = proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0);
    if (status == PROCTEX_OK) status = proctex_save(maps, path.c_str(), nullptr, 0);
    proctex_maps_free(maps);
    return status;
}

// The measured calls: a case and its PROCTEX_THREADS (null: the default).
struct PeakRun {
    const char* name;
    const char* caseName;
    const char* threads;
};
constexpr PeakRun kPeakRuns[] = {
    {"fractal", "fractal", nullptr},   {"heavy", "heavy", nullptr},
    {"heavy-1-thread", "heavy", "1"},  {"heavy-5-threads", "heavy", "5"},
    {"lava-set-8192", "set", nullptr},
};

int peakMemoryChild(const std::string& name) {
    const long before = statusKb("VmRSS:");
    const std::filesystem::path path = benchDir() / ("peak-" + name + ".png");
    const int ok =
        name == "set" ? int(saveWholeSet(kSetPeakPreset, kSetPeakSize, path.string()) == PROCTEX_OK)
                      : runAtSize(peakCase(name), kPeakSize, path.wstring());
    const long peak = statusKb("VmHWM:");
    std::printf("%d %ld %ld\n", ok, before, peak);
    return ok == 1 ? 0 : 1;
}

std::string selfPath;

void runPeakMemory(benchmark::State& state, const PeakRun& run) {
    const std::string name = run.caseName;
    setThreads(run.threads);
    double bytesPerPixel = 0.0;
    double peakGiB = 0.0;
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
        const double side = name == "set" ? kSetPeakSize : kPeakSize;
        bytesPerPixel = double(peak - before) * 1024.0 / (side * side);
        peakGiB = double(peak) / (1024.0 * 1024.0);
    }
    setThreads(nullptr);
    state.counters["bytes_per_pixel"] = bytesPerPixel;
    state.counters["peak_gib"] = peakGiB;
}

// A preset's whole set at one size, written into the bench folder.
void runWholeSet(benchmark::State& state, const char* preset, int size) {
    const std::string path = (benchDir() / (std::string(preset) + ".png")).string();
    for (auto _ : state) {
        if (saveWholeSet(preset, size, path) != PROCTEX_OK) state.SkipWithError("the set failed");
    }
}

constexpr const char* kSetPresets[] = {"cobblestone", "brick-wall"};

// A preset's maps in memory with three layers of its own against the same
// preset without layers: mortar, a tint by piece and dirt in the hollows.
constexpr const char* kLayerPreset = "brick-wall";
constexpr const char* kThreeLayers =
    "mask=pieces threshold=0.8 softness=0.1 color=#6a2c1e piece-tint=0.4;"
    "mask=joints color=#8f8a80 color2=#a39d92 roughness=0.95 height=-0.03 detail=0.04 "
    "noise-scale=3;"
    "mask=cavity threshold=0.3 mask2=noise combine=max color=#503020 roughness=0.9";

void runLayers(benchmark::State& state, const char* layers) {
    ProctexSettings s;
    proctex_preset_settings(kLayerPreset, &s, sizeof s);
    s.width = s.height = 1024;
    if (proctex_layers_parse(layers, &s, nullptr, 0) != PROCTEX_OK) {
        state.SkipWithError("the layers do not read");
        return;
    }
    for (auto _ : state) {
        ProctexMaps* maps = nullptr;
        if (proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, nullptr, 0) != PROCTEX_OK) {
            state.SkipWithError("proctex_generate failed");
        }
        proctex_maps_free(maps);
    }
}
constexpr int kSetSizes[] = {1024, 4096};

std::string setName(const char* preset, int size) {
    return std::string("whole-set/") + preset + "/" + std::to_string(size);
}

// Collects every run for the summary while the console shows them as usual.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // The name as registered, without the "/iterations:n" suffix.
            const std::string& name = run.run_name.function_name;
            realMs[name] = run.GetAdjustedRealTime();
            for (const auto& [key, counter] : run.counters) {
                counters[name + "." + key] = counter.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> realMs;
    std::map<std::string, double> counters;
};

std::string callName(const Case& c, const char* threads) {
    return "call/" + c.name + "/" + std::to_string(kSize) + "/threads:" + threads;
}
std::string stbName(const Case& c) {
    return "stb-encode/" + c.name + "/" + std::to_string(kSize);
}

constexpr double kDefaultTarget = 0.35;
constexpr double kEncoderTarget = 2.5;

void printEncoderSummary(const SummaryReporter& reporter) {
    std::printf(
        "\nEach map encoded alone at %d x %d on one thread, ms (target: ours at least "
        "%.1fx as fast as stb)\n",
        kSize, kSize, kEncoderTarget);
    std::printf("%-24s %-6s %9s %9s %8s\n", "case", "map", "ours", "stb", "speedup");
    const auto& ms = reporter.realMs;
    int missed = 0;
    double worst = 1e9;
    for (const Case& c : cases()) {
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            const auto ours = ms.find(encoderName(c, map, true));
            const auto stb = ms.find(encoderName(c, map, false));
            if (ours == ms.end() || stb == ms.end()) continue;
            const double speedup = stb->second / ours->second;
            worst = std::min(worst, speedup);
            missed += speedup < kEncoderTarget;
            std::printf("%-24s %-6s %9.1f %9.1f %7.2fx%s\n", c.name.c_str(), kMapNames[map],
                        ours->second, stb->second, speedup, speedup < kEncoderTarget ? "*" : "");
        }
    }
    if (worst < 1e9) {
        std::printf("slowest speedup %.2fx; under target (*): %d\n", worst, missed);
    }
}
constexpr double kSingleTarget = 0.6;

void printSummary(const SummaryReporter& reporter) {
    printEncoderSummary(reporter);
    std::printf(
        "\nWhole call with all five maps at %d x %d against stb_image_write encoding its five "
        "files,\nwall-clock ms per call (targets: default threads <= %.2fx, one thread <= "
        "%.2fx)\n",
        kSize, kSize, kDefaultTarget, kSingleTarget);
    std::printf("%-24s %10s %10s %10s %9s %9s\n", "case", "default", "1 thread", "stb", "default/",
                "1 thread/");
    int missedDefault = 0, missedSingle = 0;
    const auto& ms = reporter.realMs;
    for (const Case& c : cases()) {
        const auto all = ms.find(callName(c, "default"));
        const auto one = ms.find(callName(c, "1"));
        const auto stb = ms.find(stbName(c));
        if (all == ms.end() || one == ms.end() || stb == ms.end()) continue;
        const double ratioAll = all->second / stb->second;
        const double ratioOne = one->second / stb->second;
        missedDefault += ratioAll > kDefaultTarget;
        missedSingle += ratioOne > kSingleTarget;
        std::printf("%-24s %10.1f %10.1f %10.1f %8.2fx%s %8.2fx%s\n", c.name.c_str(), all->second,
                    one->second, stb->second, ratioAll, ratioAll > kDefaultTarget ? "*" : " ",
                    ratioOne, ratioOne > kSingleTarget ? "*" : " ");
    }
    std::printf("over target (*): %d with the default threads, %d with one thread\n", missedDefault,
                missedSingle);
    for (const char* preset : kSetPresets) {
        const auto small = ms.find(setName(preset, kSetSizes[0]));
        const auto large = ms.find(setName(preset, kSetSizes[1]));
        if (small == ms.end() || large == ms.end()) continue;
        const double ratio = large->second / small->second;
        std::printf(
            "whole set of %s on the tile: %d %.0f ms, %d %.0f ms: %.1fx (target <= 20x: "
            "16x the pixels and the added octaves)%s\n",
            preset, kSetSizes[0], small->second, kSetSizes[1], large->second, ratio,
            ratio > 20.0 ? "  over target" : "");
    }
    const auto bare = ms.find("layers/none/1024");
    const auto layered = ms.find("layers/three/1024");
    if (bare != ms.end() && layered != ms.end()) {
        const double ratio = layered->second / bare->second;
        std::printf(
            "%s at 1024, every map in memory: %.0f ms with three layers, %.0f ms without: "
            "%.2fx (target <= 1.6x)%s\n",
            kLayerPreset, layered->second, bare->second, ratio, ratio > 1.6 ? "  over target" : "");
    }
    const auto setPeak = reporter.counters.find("peak_memory/lava-set-8192.peak_gib");
    if (setPeak != reporter.counters.end()) {
        std::printf("peak memory, %s's whole set at %dx%d: %.2f GiB (target <= 3 GiB)%s\n",
                    kSetPeakPreset, kSetPeakSize, kSetPeakSize, setPeak->second,
                    setPeak->second > 3.0 ? "  over target" : "");
    }
    for (const PeakRun& run : kPeakRuns) {
        if (std::strcmp(run.caseName, "set") == 0) continue;
        const auto peak = reporter.counters.find(std::string("peak_memory/4096/") + run.name +
                                                 ".bytes_per_pixel");
        if (peak != reporter.counters.end()) {
            std::printf("peak memory, one 4096x4096 call (%s, all maps): %.1f bytes per pixel\n",
                        run.name, peak->second);
        }
    }
    const auto memory = ms.find("memory/default-stone/512");
    const auto encode = ms.find("memory/stb-encode/512");
    if (memory != ms.end() && encode != ms.end()) {
        const double ratio = memory->second / encode->second;
        std::printf(
            "in memory, default stone 512, five maps and the height field: %.2f ms against %.2f ms "
            "of stb encoding: "
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

    for (const Case& c : cases()) {
        for (const char* threads : {"default", "1"}) {
            const char* value = std::strcmp(threads, "1") == 0 ? "1" : nullptr;
            benchmark::RegisterBenchmark(callName(c, threads).c_str(),
                                         [c, value](benchmark::State& s) { runCall(s, c, value); })
                ->Iterations(kIterations)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
        benchmark::RegisterBenchmark(stbName(c).c_str(),
                                     [c](benchmark::State& s) { runStbEncode(s, c); })
            ->Iterations(kIterations)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (const Case& c : cases()) {
        for (int map = PROCTEX_MAP_DIFFUSE; map <= PROCTEX_MAP_METALLIC; ++map) {
            for (bool ours : {true, false}) {
                benchmark::RegisterBenchmark(
                    encoderName(c, map, ours).c_str(),
                    [c, map, ours](benchmark::State& s) { runEncodeOneMap(s, c, map, ours); })
                    ->Iterations(kIterations)
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    benchmark::RegisterBenchmark("memory/default-stone/512", runInMemory)
        ->Iterations(20)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("memory/stb-encode/512", runEncodeInMemory)
        ->Iterations(20)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    for (const auto& [name, layers] :
         {std::pair{"layers/none/1024", ""}, std::pair{"layers/three/1024", kThreeLayers}}) {
        benchmark::RegisterBenchmark(
            name, [layers = layers](benchmark::State& s) { runLayers(s, layers); })
            ->Iterations(5)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    for (const char* preset : kSetPresets) {
        for (int size : kSetSizes) {
            benchmark::RegisterBenchmark(
                setName(preset, size).c_str(),
                [preset, size](benchmark::State& s) { runWholeSet(s, preset, size); })
                ->Iterations(size > 1024 ? 1 : 3)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (const PeakRun& run : kPeakRuns) {
        const bool set = std::strcmp(run.caseName, "set") == 0;
        benchmark::RegisterBenchmark((set ? std::string("peak_memory/") + run.name
                                          : std::string("peak_memory/4096/") + run.name)
                                         .c_str(),
                                     [&run](benchmark::State& s) { runPeakMemory(s, run); })
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
