// Evaluates the library's elementary functions (core/fmath.h) over fixed,
// generated inputs, so that the results of two platforms can be compared bit
// for bit and every difference named with its input:
//   proctex_fmath_probe write FILE          raw results, one float per input
//   proctex_fmath_probe compare MINE OTHER  per-function report (on Linux),
//                                           "first" being MINE, "second" OTHER
// The inputs cover the ranges the pipeline feeds these functions: phases of a
// few thousand radians, heights and exponents of the tone curves, remainders
// by tile sizes, distances.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/fmath.h"

namespace {

struct Sample {
    float x;
    float y;
};

struct Probe {
    const char* name;
    std::vector<Sample> inputs;
    float (*evaluate)(float, float);
    double (*reference)(double, double);  // exact value, before rounding to float
};

float bitsToFloat(uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

uint32_t floatToBits(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

// Every stride-th float of each binade [2^lo, 2^(hi+1)), both signs when asked.
std::vector<Sample> binades(int lo, int hi, uint32_t stride, bool negative, float y = 0.0f) {
    std::vector<Sample> out;
    for (int e = lo; e <= hi; ++e) {
        const uint32_t first = static_cast<uint32_t>(e + 127) << 23;
        for (uint32_t m = 0; m < (1u << 23); m += stride) {
            const float x = bitsToFloat(first | m);
            out.push_back({x, y});
            if (negative) out.push_back({-x, y});
        }
    }
    return out;
}

std::vector<Probe> probes() {
    std::vector<Probe> all;
    all.push_back({"sinf", binades(-10, 13, 256, true),
                   [](float x, float) { return proctex::fsin(x); },
                   [](double x, double) { return std::sin(x); }});
    all.push_back({"cosf", binades(-10, 13, 256, true),
                   [](float x, float) { return proctex::fcos(x); },
                   [](double x, double) { return std::cos(x); }});

    // Heights in [2^-8, 2) raised to the exponents of the tone curves,
    // grooves and egg-crates, and to a few gammas.
    std::vector<Sample> pow;
    const float exponents[] = {1.5f, 1.2f, 1.0f / 2.2f, 1.0f / 3.0f, 2.0f, 0.5f, 3.0f, 0.7f};
    for (float y : exponents) {
        for (const Sample& s : binades(-8, 0, 256, false, y)) pow.push_back(s);
        pow.push_back({0.0f, y});
        pow.push_back({1.0f, y});
    }
    all.push_back({"powf", pow, [](float x, float y) { return proctex::fpow(x, y); },
                   [](double x, double y) { return std::pow(x, y); }});

    // Pixel positions and shifted positions modulo tile sizes.
    std::vector<Sample> fmod;
    const float periods[] = {24.0f, 40.0f, 10.0f, 11.2f, 18.0f, 30.0f, 9.5f, 2.5f, 36.0f};
    for (float y : periods) {
        for (int i = -2048; i < 8192; ++i) fmod.push_back({static_cast<float>(i) * 0.25f, y});
    }
    all.push_back({"fmodf", fmod, [](float x, float y) { return proctex::ffmod(x, y); },
                   [](double x, double y) { return std::fmod(x, y); }});

    all.push_back({"sqrtf", binades(-20, 20, 4096, false),
                   [](float x, float) { return proctex::fsqrt(x); },
                   [](double x, double) { return std::sqrt(x); }});
    all.push_back({"floorf", binades(-4, 22, 4096, true),
                   [](float x, float) { return proctex::ffloor(x); },
                   [](double x, double) { return std::floor(x); }});
    return all;
}

bool writeResults(const char* path) {
    std::FILE* out = std::fopen(path, "wb");
    if (out == nullptr) return false;
    for (const Probe& p : probes()) {
        std::vector<uint32_t> bits;
        bits.reserve(p.inputs.size());
        for (const Sample& s : p.inputs) bits.push_back(floatToBits(p.evaluate(s.x, s.y)));
        std::fwrite(bits.data(), sizeof(uint32_t), bits.size(), out);
    }
    return std::fclose(out) == 0;
}

std::vector<uint32_t> readResults(const char* path) {
    std::vector<uint32_t> bits;
    std::FILE* in = std::fopen(path, "rb");
    if (in == nullptr) return bits;
    uint32_t word;
    while (std::fread(&word, sizeof word, 1, in) == 1) bits.push_back(word);
    std::fclose(in);
    return bits;
}

// Distance in units in the last place: floats of one sign are ordered like
// their bit patterns.
int64_t ulps(float a, float b) {
    auto ordered = [](float f) {
        const int64_t bits = floatToBits(f);
        return (bits & 0x80000000) ? -(bits & 0x7fffffff) : bits;
    };
    return std::llabs(ordered(a) - ordered(b));
}

// Returns the number of functions whose results differ.
int compareResults(const char* minePath, const char* otherPath) {
    const std::vector<uint32_t> mine = readResults(minePath);
    const std::vector<uint32_t> other = readResults(otherPath);
    const std::vector<Probe> all = probes();
    std::size_t total = 0;
    for (const Probe& p : all) total += p.inputs.size();
    if (mine.size() != total || other.size() != total) {
        std::printf("fmath: result files hold %zu and %zu values, expected %zu\n", mine.size(),
                    other.size(), total);
        return static_cast<int>(all.size());
    }
    int differing = 0;
    std::size_t offset = 0;
    for (const Probe& p : all) {
        // "Rounded" is the double result rounded once to float: the correctly
        // rounded value but for rare double-rounding ties.
        std::size_t count = 0, mineOff = 0, otherOff = 0;
        int64_t worst = 0;
        std::vector<std::size_t> differingAt;
        for (std::size_t i = 0; i < p.inputs.size(); ++i) {
            const uint32_t a = mine[offset + i];
            const uint32_t b = other[offset + i];
            const uint32_t rounded =
                floatToBits(static_cast<float>(p.reference(p.inputs[i].x, p.inputs[i].y)));
            mineOff += a == rounded ? 0 : 1;
            otherOff += b == rounded ? 0 : 1;
            if (a == b) continue;
            ++count;
            worst = std::max(worst, ulps(bitsToFloat(a), bitsToFloat(b)));
            differingAt.push_back(i);
        }
        offset += p.inputs.size();
        if (count == 0) {
            std::printf("fmath: %-6s %8zu inputs, all equal\n", p.name, p.inputs.size());
            continue;
        }
        ++differing;
        std::printf("fmath: %-6s %8zu inputs, %zu differ (%.3f%%) by at most %" PRId64
                    " ulp; not the double result rounded once: first %zu, second %zu\n",
                    p.name, p.inputs.size(), count,
                    100.0 * static_cast<double>(count) / static_cast<double>(p.inputs.size()),
                    worst, mineOff, otherOff);
        // Four examples spread over the range of the differing inputs.
        for (std::size_t k = 0; k < 4 && k < differingAt.size(); ++k) {
            const std::size_t i = differingAt[k * differingAt.size() / 4 + differingAt.size() / 8];
            const Sample s = p.inputs[i];
            const std::size_t at = offset - p.inputs.size() + i;
            std::printf("fmath:   x=%.9g (%a) y=%.9g: %.9g vs %.9g, exact %.12g\n", s.x, s.x, s.y,
                        bitsToFloat(mine[at]), bitsToFloat(other[at]), p.reference(s.x, s.y));
        }
    }
    return differing;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 3) return writeResults(argv[2]) ? 0 : 1;
    if (mode == "compare" && argc == 4) {
        compareResults(argv[2], argv[3]);
        return 0;  // a report, not a verdict: the material files decide
    }
    std::fprintf(stderr, "usage: %s write FILE | compare MINE OTHER\n", argv[0]);
    return 2;
}
