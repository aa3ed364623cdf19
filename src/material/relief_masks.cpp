#include "material/relief_masks.h"

#include <algorithm>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/progress.h"
#include "material/pbr_maps.h"

namespace proctex {

namespace {

// Curvature is measured over this many units: joints, pits and ridges
// register, a grain finer than that does not.
constexpr float kCurvatureUnits = 3.0f;
// A joint of the bricks or a pit as deep reaches 1.
constexpr float kCurvatureGain = 2.5f;

int wrapOrClamp(int i, int n, bool wrap) {
    if (wrap) return ((i % n) + n) % n;
    return std::clamp(i, 0, n - 1);
}

}  // namespace

FloatField reliefCurvature(const FloatField& relief, int width, int height, float unitPixels,
                           bool wrap) {
    const int step = std::max(1, truncToInt32(fround(unitPixels * kCurvatureUnits)));
    const FloatField smooth = smoothRelief(relief, width, height, step, wrap);
    FloatField curvature(relief.size());
    for (int y = 0; y < height; ++y) {
        progressStillWorking();
        const std::size_t up =
            static_cast<std::size_t>(wrapOrClamp(y - step, height, wrap)) * width;
        const std::size_t down =
            static_cast<std::size_t>(wrapOrClamp(y + step, height, wrap)) * width;
        const std::size_t row = static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::size_t left = static_cast<std::size_t>(wrapOrClamp(x - step, width, wrap));
            const std::size_t right = static_cast<std::size_t>(wrapOrClamp(x + step, width, wrap));
            const float h = smooth[row + x];
            const float around =
                smooth[row + left] + smooth[row + right] + smooth[up + x] + smooth[down + x];
            curvature[row + x] = around - 4.0f * h;
        }
    }
    return curvature;
}

float curvatureShare(float curvature, float sign) {
    return clamp(curvature * sign * kCurvatureGain, 0.0f, 1.0f);
}

float curvatureTone(float curvature) {
    return clamp(0.5f - 0.5f * curvature * kCurvatureGain, 0.0f, 1.0f);
}

FloatField reliefSlope(const FloatField& relief, int width, int height, float reliefPixels,
                       bool wrap) {
    FloatField slope(relief.size());
    const float half = reliefPixels * 0.5f;
    for (int y = 0; y < height; ++y) {
        progressStillWorking();
        const std::size_t up = static_cast<std::size_t>(wrapOrClamp(y - 1, height, wrap)) * width;
        const std::size_t down = static_cast<std::size_t>(wrapOrClamp(y + 1, height, wrap)) * width;
        const std::size_t row = static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const std::size_t left = static_cast<std::size_t>(wrapOrClamp(x - 1, width, wrap));
            const std::size_t right = static_cast<std::size_t>(wrapOrClamp(x + 1, width, wrap));
            const float dx = (relief[row + right] - relief[row + left]) * half;
            const float dy = (relief[down + x] - relief[up + x]) * half;
            slope[row + x] = fsqrt(dx * dx + dy * dy);
        }
    }
    return slope;
}

}  // namespace proctex
