// Scratches overlay: straight random strokes that taper towards their ends.
#include <cmath>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
#include "core/tiling.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

struct ScratchDistributions {
    UniformReal distPos{0.0f, 1.0f};
    UniformReal distAngle{0.0f, 6.28318f};
    UniformReal distLength{50.0f, 250.0f};
    UniformReal distWidth{0.8f, 2.0f};
};

// The five draws of one scratch, in their fixed order: the values depend on it.
ScratchStroke drawScratch(Engine& rng, const ScratchDistributions& d, int width, int height,
                          float unit) {
    ScratchStroke s;
    s.x0 = d.distPos(rng) * static_cast<float>(width);
    s.y0 = d.distPos(rng) * static_cast<float>(height);
    s.angle = d.distAngle(rng);
    s.length = d.distLength(rng) * unit;
    s.maxWidth = d.distWidth(rng) * unit;
    return s;
}

// Rounds a side offset to whole pixels, halves away from zero. Truncating
// instead would put both side samples back on the centre pixel for most
// directions, and the scratch would stay one pixel wide.
int32_t roundOffset(float v) {
    return truncToInt32(fround(v));
}

}  // namespace

std::vector<ScratchStroke> drawScratches(int width, int height, int32_t scratchCount, int32_t seed,
                                         float unit) {
    std::vector<ScratchStroke> strokes;
    if (scratchCount <= 0) return strokes;
    Engine rng = makeEngine(wrappingAdd(seed, 999));
    const ScratchDistributions d;
    strokes.reserve(static_cast<std::size_t>(scratchCount));
    for (int32_t n = 0; n < scratchCount; ++n)
        strokes.push_back(drawScratch(rng, d, width, height, unit));
    return strokes;
}

namespace {

// The steps of a stroke whose samples can land in the image. A step's centre
// sample is (trunc(cx), trunc(cy)) and its side samples lie at most `reach`
// whole pixels from it on each axis (|round(o * d)| <= |o| <= trunc(hw) <=
// |maxWidth|, as |d| <= 1 and |sin| <= 1 for a direction that is a number). So nothing of the step
// lands in the image unless cx lies in (-reach - 1, width + reach), and likewise cy. Along a stroke
// cx only moves one way (x0 + dx * t is monotonic in t whatever the rounding), so a step outside
// that window and moving away from it has no visible step after it.
struct VisibleWindow {
    bool bounded = false;  // false: the reach is unknown, paint every step
    double loX = 0.0, hiX = 0.0, loY = 0.0, hiY = 0.0;

    // A NaN direction makes every offset INT32_MIN, whose wrapped sums can
    // land anywhere: then, too, every step is painted.
    VisibleWindow(int width, int height, float maxWidth, float dx, float dy) {
        const float reach = std::fabs(maxWidth);
        if (!(reach < 1048576.0f) || std::isnan(dx) || std::isnan(dy)) return;
        const double r = static_cast<double>(truncToInt32(reach));
        bounded = true;
        loX = -r - 1.0;
        hiX = static_cast<double>(width) + r;
        loY = -r - 1.0;
        hiY = static_cast<double>(height) + r;
    }

    bool contains(float cx, float cy) const { return cx > loX && cx < hiX && cy > loY && cy < hiY; }

    static bool leaving(float c, float d, double lo, double hi) {
        return (c <= lo && !(d > 0.0f)) || (c >= hi && !(d < 0.0f));
    }

    // True when no later step of the stroke can be visible either.
    bool leftFor(float cx, float cy, float dx, float dy) const {
        return leaving(cx, dx, loX, hiX) || leaving(cy, dy, loY, hiY);
    }
};

}  // namespace

void paintScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke) {
    const float dx = fcos(stroke.angle);
    const float dy = fsin(stroke.angle);
    const VisibleWindow window(width, height, stroke.maxWidth, dx, dy);
    for (float t = 0.0f; stroke.length > t; t = t + 0.3f) {
        const float cx = stroke.x0 + dx * t;
        const float cy = stroke.y0 + dy * t;
        // Steps that cannot paint skip the sine and the samples; once the
        // stroke has left for good, the rest of it is skipped.
        if (window.bounded && !window.contains(cx, cy)) {
            if (window.leftFor(cx, cy, dx, dy)) break;
            continue;
        }
        const int32_t px = truncToInt32(cx);
        const int32_t py = truncToInt32(cy);
        const float hw = fsin(t / stroke.length * 3.14159f) * stroke.maxWidth;
        const int32_t m = truncToInt32(hw);
        // A negative half width paints nothing (NaN gives INT32_MIN, which
        // cannot be negated).
        if (m < 0) continue;
        for (int32_t o = -m; o <= m; ++o) {
            const float fo = static_cast<float>(o);
            // The sample o steps across the stroke, along (dy, -dx); the
            // centre sample (o = 0) is (px, py) itself.
            const int32_t qx = wrappingAdd(px, roundOffset(fo * dy));
            const int32_t qy = wrappingAdd(py, roundOffset(fo * (-dx)));
            if (qx < 0 || qx >= width || qy < 0 || qy >= height) continue;
            const float value = (1.0f - std::fabs(fo) / (hw + 0.1f)) * 0.6f;
            float& cell = overlay[static_cast<std::size_t>(qy) * width + qx];
            if (value > cell) cell = value;
        }
    }
}

FloatField generateScratches(int width, int height, int32_t scratchCount, int32_t seed,
                             float unit) {
    FloatField overlay(fieldSize(width, height));
    if (scratchCount <= 0) return overlay;
    Engine rng = makeEngine(wrappingAdd(seed, 999));
    const ScratchDistributions d;
    for (int32_t n = 0; n < scratchCount; ++n) {
        paintScratch(overlay, width, height, drawScratch(rng, d, width, height, unit));
    }
    return overlay;
}

// Positions are floored, so a step just left of the edge lands in the last
// column.
void paintWrappedScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke) {
    const float dx = fcos(stroke.angle);
    const float dy = fsin(stroke.angle);
    for (float t = 0.0f; stroke.length > t; t = t + 0.3f) {
        const int32_t px = truncToInt32(ffloor(stroke.x0 + dx * t));
        const int32_t py = truncToInt32(ffloor(stroke.y0 + dy * t));
        const float hw = fsin(t / stroke.length * 3.14159f) * stroke.maxWidth;
        const int32_t m = truncToInt32(hw);
        if (m < 0 || px == INT32_MIN || py == INT32_MIN) continue;
        for (int32_t o = -m; o <= m; ++o) {
            const float fo = static_cast<float>(o);
            const int64_t qx = static_cast<int64_t>(px) + roundOffset(fo * dy);
            const int64_t qy = static_cast<int64_t>(py) + roundOffset(fo * (-dx));
            const float value = (1.0f - std::fabs(fo) / (hw + 0.1f)) * 0.6f;
            float& cell = overlay[static_cast<std::size_t>(wrapIndex(qy, height)) * width +
                                  static_cast<std::size_t>(wrapIndex(qx, width))];
            if (value > cell) cell = value;
        }
    }
}

FloatField generateTiledScratches(int width, int height, int32_t scratchCount, int32_t seed,
                                  float unit) {
    FloatField overlay(fieldSize(width, height));
    for (const ScratchStroke& stroke : drawScratches(width, height, scratchCount, seed, unit)) {
        paintWrappedScratch(overlay, width, height, stroke);
    }
    return overlay;
}

}  // namespace proctex
