// Scratches overlay: straight random strokes that taper towards their ends.
#include <cmath>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
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
ScratchStroke drawScratch(Engine& rng, const ScratchDistributions& d, int width, int height) {
    ScratchStroke s;
    s.x0 = d.distPos(rng) * static_cast<float>(width);
    s.y0 = d.distPos(rng) * static_cast<float>(height);
    s.angle = d.distAngle(rng);
    s.length = d.distLength(rng);
    s.maxWidth = d.distWidth(rng);
    return s;
}

// Rounds a side offset to whole pixels, halves away from zero. Truncating
// instead would put both side samples back on the centre pixel for most
// directions, and the scratch would stay one pixel wide.
int32_t roundOffset(float v) {
    return truncToInt32(fround(v));
}

}  // namespace

std::vector<ScratchStroke> drawScratches(int width, int height, int32_t scratchCount,
                                         int32_t seed) {
    std::vector<ScratchStroke> strokes;
    if (scratchCount <= 0) return strokes;
    Engine rng = makeEngine(wrappingAdd(seed, 999));
    const ScratchDistributions d;
    strokes.reserve(static_cast<std::size_t>(scratchCount));
    for (int32_t n = 0; n < scratchCount; ++n)
        strokes.push_back(drawScratch(rng, d, width, height));
    return strokes;
}

void paintScratch(FloatField& overlay, int width, int height, const ScratchStroke& stroke) {
    const float dx = fcos(stroke.angle);
    const float dy = fsin(stroke.angle);
    for (float t = 0.0f; stroke.length > t; t = t + 0.3f) {
        const int32_t px = truncToInt32(stroke.x0 + dx * t);
        const int32_t py = truncToInt32(stroke.y0 + dy * t);
        const float hw = fsin(t / stroke.length * 3.14159f) * stroke.maxWidth;
        const int32_t m = truncToInt32(hw);
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

FloatField generateScratches(int width, int height, int32_t scratchCount, int32_t seed) {
    FloatField overlay(fieldSize(width, height));
    if (scratchCount <= 0) return overlay;
    Engine rng = makeEngine(wrappingAdd(seed, 999));
    const ScratchDistributions d;
    for (int32_t n = 0; n < scratchCount; ++n) {
        paintScratch(overlay, width, height, drawScratch(rng, d, width, height));
    }
    return overlay;
}

}  // namespace proctex
