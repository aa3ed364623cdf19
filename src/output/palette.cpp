#include "output/palette.h"

#include "core/field_ops.h"

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

ColorField threeStopRamp(const FloatField& height, Color3 low, Color3 mid, Color3 high) {
    ColorField colorData(height.size());
    for (std::size_t i = 0; i < height.size(); ++i) {
        const float h = height[i];
        // NaN fails the first test and takes the upper branch.
        colorData[i] =
            h < 0.5f ? lerpColor(low, mid, h * 2.0f) : lerpColor(mid, high, (h - 0.5f) * 2.0f);
    }
    return colorData;
}

ColorField twoStopRamp(const FloatField& height, Color3 from, Color3 to) {
    ColorField colorData(height.size());
    for (std::size_t i = 0; i < height.size(); ++i) colorData[i] = lerpColor(from, to, height[i]);
    return colorData;
}

ColorField colorize(const FloatField& height, int materialType) {
    if (materialType >= 2 && materialType <= 7) {
        const Palette& p = kPalettes[materialType - 2];
        return threeStopRamp(height, p.low, p.mid, p.high);
    }
    return twoStopRamp(height, {0.0f, 0.0f, 0.0f}, {1.0f, 1.0f, 1.0f});
}

}  // namespace proctex
