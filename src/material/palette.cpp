#include "material/palette.h"

#include "core/field_ops.h"
#include "core/rgb_lanes.h"

namespace proctex {

namespace {

struct Palette {
    Color3 low, mid, high;
};

// Indexed by materialType - 2.
constexpr Palette kPalettes[] = {
    {{0.25f, 0.15f, 0.05f}, {0.55f, 0.35f, 0.15f}, {0.75f, 0.55f, 0.25f}},  // 2 wood browns
    {{0.3f, 0.3f, 0.35f}, {0.9f, 0.9f, 0.92f}, {1.0f, 1.0f, 1.0f}},         // 3 marble whites
    {{0.25f, 0.25f, 0.28f}, {0.5f, 0.5f, 0.53f}, {0.75f, 0.75f, 0.78f}},    // 4 stone greys
    {{0.15f, 0.25f, 0.08f}, {0.35f, 0.55f, 0.18f}, {0.55f, 0.75f, 0.35f}},  // 5 greens
    {{0.05f, 0.15f, 0.35f}, {0.15f, 0.35f, 0.65f}, {0.35f, 0.65f, 0.95f}},  // 6 blues
    {{0.15f, 0.0f, 0.0f}, {0.9f, 0.35f, 0.0f}, {1.0f, 0.95f, 0.3f}},        // 7 lava
};

float lerpChannel(float a, float b, float t) {
    return a + (b - a) * t;
}

}  // namespace

Color3 lerpColor(Color3 a, Color3 b, float t) {
    t = clamp(t, 0.0f, 1.0f);
    return {lerpChannel(a.r, b.r, t), lerpChannel(a.g, b.g, t), lerpChannel(a.b, b.b, t)};
}

#if defined(__SSE2__)
namespace {

// One channel of lerpColor on four lanes: a + (b - a) * t, t already clamped.
__m128 lerpLanes(__m128 a, __m128 b, __m128 t) {
    return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t));
}

__m128 selectLanes(__m128 mask, __m128 whenSet, __m128 otherwise) {
    return _mm_or_ps(_mm_and_ps(mask, whenSet), _mm_andnot_ps(mask, otherwise));
}

struct ColorLanes {
    __m128 r, g, b;
    explicit ColorLanes(Color3 c) : r(_mm_set1_ps(c.r)), g(_mm_set1_ps(c.g)), b(_mm_set1_ps(c.b)) {}
};

}  // namespace
#endif

namespace {

// Both ramps colour four heights at a time where SSE2 is there, with the
// operations of lerpColor in the same order and clamp's NaN rule, then the
// rest one by one.
void threeStopRampInto(const float* heights, std::size_t count, Color3 low, Color3 mid, Color3 high,
                       Color3* colors) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const ColorLanes l(low), m(mid), h(high);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128 two = _mm_set1_ps(2.0f);
    for (; i + 4 <= count; i += 4) {
        const __m128 v = _mm_loadu_ps(heights + i);
        const __m128 lower = _mm_cmplt_ps(v, half);  // false for NaN: the upper branch
        const __m128 t = clampUnitLanes(
            selectLanes(lower, _mm_mul_ps(v, two), _mm_mul_ps(_mm_sub_ps(v, half), two)));
        storeRgbLanes(colors + i,
                      lerpLanes(selectLanes(lower, l.r, m.r), selectLanes(lower, m.r, h.r), t),
                      lerpLanes(selectLanes(lower, l.g, m.g), selectLanes(lower, m.g, h.g), t),
                      lerpLanes(selectLanes(lower, l.b, m.b), selectLanes(lower, m.b, h.b), t));
    }
#endif
    for (; i < count; ++i) {
        const float v = heights[i];
        // NaN fails the first test and takes the upper branch.
        colors[i] =
            v < 0.5f ? lerpColor(low, mid, v * 2.0f) : lerpColor(mid, high, (v - 0.5f) * 2.0f);
    }
}

void twoStopRampInto(const float* heights, std::size_t count, Color3 from, Color3 to,
                     Color3* colors) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const ColorLanes a(from), b(to);
    for (; i + 4 <= count; i += 4) {
        const __m128 t = clampUnitLanes(_mm_loadu_ps(heights + i));
        storeRgbLanes(colors + i, lerpLanes(a.r, b.r, t), lerpLanes(a.g, b.g, t),
                      lerpLanes(a.b, b.b, t));
    }
#endif
    for (; i < count; ++i) colors[i] = lerpColor(from, to, heights[i]);
}

}  // namespace

void colorizeInto(const float* heights, std::size_t count, int materialType, Color3* colors) {
    if (materialType >= 2 && materialType <= 7) {
        const Palette& p = kPalettes[materialType - 2];
        threeStopRampInto(heights, count, p.low, p.mid, p.high, colors);
    } else {
        twoStopRampInto(heights, count, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, colors);
    }
}

namespace {

// The last of the stops that share `stop`'s position: at a hard edge the
// upper colour holds from the position itself.
const ColorStop* lastAtPosition(const ColorStop* stop, const ColorStop* last) {
    while (stop < last && (stop + 1)->position == stop->position) ++stop;
    return stop;
}

}  // namespace

void colorStopRampInto(const float* heights, std::size_t count, const ColorStop* stops,
                       int stopCount, Color3* colors) {
    const ColorStop* last = stops + (stopCount - 1);
    for (std::size_t i = 0; i < count; ++i) {
        const float h = heights[i];
        if (!(h > stops[0].position)) {
            colors[i] = (h == stops[0].position ? lastAtPosition(stops, last) : stops)->color;
            continue;
        }
        const ColorStop* upper = stops + 1;
        while (upper <= last && h > upper->position) ++upper;
        if (upper > last) {
            colors[i] = last->color;
            continue;
        }
        if (h == upper->position && upper < last && (upper + 1)->position == h) {
            colors[i] = lastAtPosition(upper, last)->color;
            continue;
        }
        const ColorStop* lower = upper - 1;
        const float span = upper->position - lower->position;
        // Equal positions make a hard edge: the upper colour from there on.
        const float t = span > 0.0f ? (h - lower->position) / span : 1.0f;
        colors[i] = lerpColor(lower->color, upper->color, t);
    }
}

ColorField colorize(const FloatField& height, int materialType) {
    ColorField colorData(height.size());
    colorizeInto(height.data(), height.size(), materialType, colorData.data());
    return colorData;
}

}  // namespace proctex
