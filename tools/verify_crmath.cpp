// Checks the correctly rounded sine, cosine and power against MPFR.
//
//   verify-crmath [--sample] [--threads N] [--only sin|cos|pow]
//
// Without --sample: sine and cosine for all 2^32 float bit patterns, power
// for 10^9 pairs from the ranges the pipeline uses. With --sample: every
// 1023rd bit pattern (2^22 of them) and the first 4 million pairs, in a few
// seconds; this runs in the test suite.
//
// MPFR is slow, so each result is first compared with the C library's
// double-precision function rounded to float. glibc's double sin, cos and
// pow are accurate to below one ulp of double, 2^-52 relative; when that
// value lies farther than 2^-48 (relative) from every float rounding
// boundary, it rounds to the correctly rounded float and decides. The rest go
// to MPFR. Every 8th input in --sample mode (every 4096th otherwise) goes to
// MPFR anyway, as a check of the shortcut itself.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "crmath_reference.h"
#include "math/crmath.h"
#include "math/crmath_internal.h"

namespace {

using proctex::reference::FloatReference;
using proctex::reference::sameFloat;
namespace detail = proctex::crmath_detail;

constexpr uint64_t kSinCosStride = 1023;  // odd, so the sample has distinct patterns
constexpr uint64_t kSampleSinCos = uint64_t{1} << 22;
constexpr uint64_t kSamplePow = 4'000'000;
constexpr uint64_t kFullPow = 1'000'000'000;
constexpr uint64_t kChunk = uint64_t{1} << 20;

// Whether a double approximation d of f, good to 2^-52 relative, rounds to
// the correctly rounded float of f: it must lie farther than 2^-48 relative
// from every rounding boundary. Covers subnormal, zero and overflowing
// results too (a double that is exactly 0 or infinite is left to MPFR).
bool decides(double d) {
    const double a = std::fabs(d);
    if (std::isnan(d)) return true;
    if (a == 0 || std::isinf(a)) return false;
    if (a >= 0x1p128) return true;  // far above the boundary to infinity
    if (a >= 0x1p-126) return !detail::nearRoundingBoundary(d, 32);  // 2^-48 = 32 ulp
    // Subnormal float range: boundaries at odd multiples of 2^-150.
    const double scaled = a * 0x1p149;
    const double frac = scaled - std::floor(scaled);
    return std::fabs(frac - 0.5) > scaled * 0x1p-48;
}

// Counts of one chunk of work, added to the shared tally when it is done.
struct Counts {
    uint64_t checked = 0, byLibrary = 0, byMpfr = 0, accuratePath = 0, audits = 0;
};

struct Tally {
    std::atomic<uint64_t> checked{0}, byLibrary{0}, byMpfr{0}, accuratePath{0}, audits{0};
    std::atomic<uint64_t> mismatches{0};
    std::mutex printLock;

    void add(const Counts& c) {
        checked += c.checked;
        byLibrary += c.byLibrary;
        byMpfr += c.byMpfr;
        accuratePath += c.accuratePath;
        audits += c.audits;
    }
    void report(const std::string& what, float ours, float expected) {
        const uint64_t n = ++mismatches;
        if (n > 20) return;
        const std::lock_guard<std::mutex> lock(printLock);
        std::printf("MISMATCH %s: ours %a, correct %a\n", what.c_str(), ours, expected);
    }
};

std::string describe(const char* f, float x) {
    char text[64];
    std::snprintf(text, sizeof text, "%s(%a)", f, double{x});
    return text;
}

std::string describe(float x, float y) {
    char text[96];
    std::snprintf(text, sizeof text, "pow(%a, %a)", double{x}, double{y});
    return text;
}

// The correctly rounded float: the C library's double value rounded when it
// decides, MPFR's otherwise. `audit` asks MPFR regardless and reports a
// disagreement as a failure of the shortcut; `input` names the input then.
template <typename Lib, typename Mpfr, typename Input>
float reference(Counts& counts, Tally& tally, bool audit, Lib lib, Mpfr mpfr, Input input) {
    const double d = lib();
    if (!decides(d)) {
        ++counts.byMpfr;
        return mpfr();
    }
    ++counts.byLibrary;
    const float f = static_cast<float>(d);
    if (audit) {
        ++counts.audits;
        const float m = mpfr();
        if (!sameFloat(f, m)) tally.report("C library shortcut for " + input(), f, m);
    }
    return f;
}

void checkSinCos(bool cosine, uint64_t first, uint64_t last, uint64_t stride, uint64_t auditEvery,
                 Tally& tally) {
    FloatReference ref;
    Counts counts;
    const char* name = cosine ? "cos" : "sin";
    for (uint64_t i = first; i < last; ++i) {
        const uint32_t bits = static_cast<uint32_t>(i * stride);
        float x;
        std::memcpy(&x, &bits, sizeof x);
        const float ours = cosine ? proctex::crCos(x) : proctex::crSin(x);
        const float expected = reference(
            counts, tally, i % auditEvery == 0,
            [&] { return cosine ? std::cos(double{x}) : std::sin(double{x}); },
            [&] { return cosine ? ref.cos(x) : ref.sin(x); }, [&] { return describe(name, x); });
        if (std::isfinite(x) &&
            detail::nearRoundingBoundary(detail::sinCosApprox(std::fabs(x), cosine),
                                         detail::kSinCosTolerance))
            ++counts.accuratePath;
        ++counts.checked;
        if (!sameFloat(ours, expected)) tally.report(describe(name, x), ours, expected);
    }
    tally.add(counts);
}

uint64_t splitMix(uint64_t v) {
    v += 0x9E3779B97F4A7C15ull;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    return v ^ (v >> 31);
}

float fromBits(uint32_t u) {
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// A float in [lo, hi] (both >= 0): half of the time uniform in value, half of
// the time uniform over the bit patterns (which reaches tiny and subnormal
// values, the hard ends of a power).
float draw(uint64_t r, float lo, float hi) {
    if (r & 1) {
        const float u = static_cast<float>((r >> 40) & 0xFFFFFF) * 0x1p-24f;
        return lo + u * (hi - lo);
    }
    uint32_t a, b;
    std::memcpy(&a, &lo, sizeof a);
    std::memcpy(&b, &hi, sizeof b);
    return fromBits(a + static_cast<uint32_t>((r >> 8) % (uint64_t{b} - a + 1)));
}

// Pair i of the deterministic sequence: x in [0, 2]; y in [-4, 4], or one of
// the pipeline's fixed exponents 1.2 and 1.5, or 1/gamma for gamma in
// [0.5, 3] (computed in float, as the tone curve does).
void powPair(uint64_t i, float& x, float& y) {
    const uint64_t r1 = splitMix(2 * i);
    const uint64_t r2 = splitMix(2 * i + 1);
    x = draw(r1, 0.0f, 2.0f);
    switch (r2 % 10) {
        case 0:
            y = 1.2f;
            break;
        case 1:
            y = 1.5f;
            break;
        case 2:
        case 3:
            y = 1.0f / draw(r2 >> 4, 0.5f, 3.0f);
            break;
        default: {
            const float m = draw(r2 >> 4, 0.0f, 4.0f);
            y = (r2 >> 3) & 1 ? -m : m;
        }
    }
}

void checkPow(uint64_t first, uint64_t last, uint64_t auditEvery, Tally& tally) {
    FloatReference ref;
    Counts counts;
    for (uint64_t i = first; i < last; ++i) {
        float x, y;
        powPair(i, x, y);
        const float ours = proctex::crPow(x, y);
        const float expected = reference(
            counts, tally, i % auditEvery == 0, [&] { return std::pow(double{x}, double{y}); },
            [&] { return ref.pow(x, y); }, [&] { return describe(x, y); });
        if (x > 0 && std::isfinite(x) && !detail::powDecides(detail::powApprox(x, y)))
            ++counts.accuratePath;
        ++counts.checked;
        if (!sameFloat(ours, expected)) tally.report(describe(x, y), ours, expected);
    }
    tally.add(counts);
}

// Runs work(first, last) over [0, count) in chunks on `threads` threads.
template <typename Work>
void parallel(uint64_t count, int threads, Work work) {
    std::atomic<uint64_t> next{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t) {
        pool.emplace_back([&] {
            for (;;) {
                const uint64_t first = next.fetch_add(kChunk);
                if (first >= count) return;
                work(first, std::min(count, first + kChunk));
            }
        });
    }
    for (std::thread& t : pool) t.join();
}

bool run(const char* name, uint64_t count, int threads,
         const std::function<void(uint64_t, uint64_t, Tally&)>& work) {
    Tally tally;
    const auto start = std::chrono::steady_clock::now();
    parallel(count, threads, [&](uint64_t a, uint64_t b) { work(a, b, tally); });
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "%s: %llu inputs, %llu decided by the C library, %llu by MPFR, %llu audited, "
        "%llu through the accurate path, %llu mismatches, %.1f s\n",
        name, static_cast<unsigned long long>(tally.checked.load()),
        static_cast<unsigned long long>(tally.byLibrary.load()),
        static_cast<unsigned long long>(tally.byMpfr.load()),
        static_cast<unsigned long long>(tally.audits.load()),
        static_cast<unsigned long long>(tally.accuratePath.load()),
        static_cast<unsigned long long>(tally.mismatches.load()), seconds);
    std::fflush(stdout);
    return tally.mismatches == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool sample = false;
    int threads = 1;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--sample") {
            sample = true;
        } else if (arg == "--threads" && i + 1 < argc) {
            threads = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr,
                         "usage: verify-crmath [--sample] [--threads N] [--only sin|cos|pow]\n");
            return 2;
        }
    }
    const uint64_t sinCosCount = sample ? kSampleSinCos : uint64_t{1} << 32;
    const uint64_t stride = sample ? kSinCosStride : 1;
    const uint64_t powCount = sample ? kSamplePow : kFullPow;
    const uint64_t auditEvery = sample ? 8 : 4096;
    bool ok = true;
    if (only.empty() || only == "sin")
        ok &= run("sin", sinCosCount, threads, [&](uint64_t a, uint64_t b, Tally& t) {
            checkSinCos(false, a, b, stride, auditEvery, t);
        });
    if (only.empty() || only == "cos")
        ok &= run("cos", sinCosCount, threads, [&](uint64_t a, uint64_t b, Tally& t) {
            checkSinCos(true, a, b, stride, auditEvery, t);
        });
    if (only.empty() || only == "pow")
        ok &= run("pow", powCount, threads,
                  [&](uint64_t a, uint64_t b, Tally& t) { checkPow(a, b, auditEvery, t); });
    std::printf("%s\n",
                ok ? "verify-crmath: all results correctly rounded" : "verify-crmath: FAILED");
    return ok ? 0 : 1;
}
