#include "core/resample.h"

#include <algorithm>
#include <vector>

#include "core/progress.h"

namespace proctex {

int commonFactor(int width, int height, int wanted) {
    for (int f = std::min(wanted, std::min(width, height)); f > 1; --f) {
        if (width % f == 0 && height % f == 0) return f;
    }
    return 1;
}

FloatField boxDown(const FloatField& field, int width, int height, int factor) {
    const int w = width / factor;
    const int h = height / factor;
    FloatField coarse(fieldSize(w, h));
    const float weight = 1.0f / static_cast<float>(factor * factor);
    std::vector<float> sums(static_cast<std::size_t>(w));
    for (int y = 0; y < h; ++y) {
        progressStillWorking();
        std::fill(sums.begin(), sums.end(), 0.0f);
        for (int r = 0; r < factor; ++r) {
            const float* row = field.data() + static_cast<std::size_t>(y * factor + r) * width;
            for (int x = 0; x < w; ++x) {
                const float* block = row + static_cast<std::size_t>(x) * factor;
                float sum = 0.0f;
                for (int c = 0; c < factor; ++c) sum += block[c];
                sums[static_cast<std::size_t>(x)] += sum;
            }
        }
        float* out = coarse.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) out[x] = sums[static_cast<std::size_t>(x)] * weight;
    }
    return coarse;
}

namespace {

// For each fine index along an axis: the two coarse samples around it and
// the weight of the second.
struct Taps {
    std::vector<int> lo, hi;
    std::vector<float> t;
};

Taps tapsFor(int coarse, int factor, bool wrap) {
    Taps taps;
    const int fine = coarse * factor;
    taps.lo.resize(static_cast<std::size_t>(fine));
    taps.hi.resize(static_cast<std::size_t>(fine));
    taps.t.resize(static_cast<std::size_t>(fine));
    for (int i = 0; i < fine; ++i) {
        // Fine pixel centre in coarse pixel coordinates, less half a pixel:
        // (2 i + 1 - factor) / (2 factor), with its floor taken in integers.
        const int num = 2 * i + 1 - factor;
        const int den = 2 * factor;
        const int base = num >= 0 ? num / den : -((-num + den - 1) / den);
        const float t = static_cast<float>(num - base * den) / static_cast<float>(den);
        int a = base;
        int b = base + 1;
        if (wrap) {
            a = (a % coarse + coarse) % coarse;
            b = (b % coarse + coarse) % coarse;
        } else {
            a = std::clamp(a, 0, coarse - 1);
            b = std::clamp(b, 0, coarse - 1);
        }
        const auto k = static_cast<std::size_t>(i);
        taps.lo[k] = a;
        taps.hi[k] = b;
        taps.t[k] = t;
    }
    return taps;
}

}  // namespace

FloatField bilinearUp(const FloatField& coarse, int width, int height, int factor, bool wrap) {
    const int w = width * factor;
    const int h = height * factor;
    const Taps across = tapsFor(width, factor, wrap);
    const Taps down = tapsFor(height, factor, wrap);
    FloatField fine(fieldSize(w, h));
    std::vector<float> upper(static_cast<std::size_t>(w));
    std::vector<float> lower(static_cast<std::size_t>(w));
    auto widen = [&](int coarseRow, std::vector<float>& out) {
        const float* row = coarse.data() + static_cast<std::size_t>(coarseRow) * width;
        for (int x = 0; x < w; ++x) {
            const auto k = static_cast<std::size_t>(x);
            const float a = row[across.lo[k]];
            out[k] = a + (row[across.hi[k]] - a) * across.t[k];
        }
    };
    for (int y = 0; y < h; ++y) {
        progressStillWorking();
        const auto k = static_cast<std::size_t>(y);
        widen(down.lo[k], upper);
        widen(down.hi[k], lower);
        float* out = fine.data() + k * static_cast<std::size_t>(w);
        const float t = down.t[k];
        for (int x = 0; x < w; ++x) {
            const auto i = static_cast<std::size_t>(x);
            out[x] = upper[i] + (lower[i] - upper[i]) * t;
        }
    }
    return fine;
}

}  // namespace proctex
