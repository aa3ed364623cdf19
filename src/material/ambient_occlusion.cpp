#include "material/ambient_occlusion.h"

#include <algorithm>
#include <array>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/progress.h"
#include "material/quantize.h"

namespace proctex {

namespace {

constexpr int kDirectionCount = 8;
constexpr float kDiagonal = 0.70710678f;
// Unit vectors 45 degrees apart, x to the right and y down.
constexpr float kDirections[kDirectionCount][2] = {
    {1.0f, 0.0f},  {kDiagonal, kDiagonal},   {0.0f, 1.0f},  {-kDiagonal, kDiagonal},
    {-1.0f, 0.0f}, {-kDiagonal, -kDiagonal}, {0.0f, -1.0f}, {kDiagonal, -kDiagonal}};

// One sample of a walk: its pixel offset and the factor that turns a height
// difference there into the tangent of its elevation angle.
struct WalkStep {
    int dx = 0;
    int dy = 0;
    float slopePerHeight = 0.0f;
};

// The nearest pixels to s * direction for s = 1 .. stepCount; a pixel the
// previous step already reached is not sampled twice. A longer walk starts
// with the same steps, so a larger radius only ever adds samples.
std::vector<WalkStep> walkSteps(const float* direction, int stepCount, float reliefPixels) {
    std::vector<WalkStep> steps;
    int lastX = 0;
    int lastY = 0;
    for (int s = 1; s <= stepCount; ++s) {
        const float along = static_cast<float>(s);
        const int dx = truncToInt32(fround(along * direction[0]));
        const int dy = truncToInt32(fround(along * direction[1]));
        if (dx == lastX && dy == lastY) continue;
        lastX = dx;
        lastY = dy;
        const float fx = static_cast<float>(dx);
        const float fy = static_cast<float>(dy);
        steps.push_back({dx, dy, reliefPixels / fsqrt(fx * fx + fy * fy)});
    }
    return steps;
}

int walkLength(float radiusPixels, int width, int height) {
    const int longest = std::max(width, height);
    if (!(radiusPixels >= 1.0f)) return 0;
    if (radiusPixels >= static_cast<float>(longest)) return longest;
    return truncToInt32(radiusPixels);
}

// Index i on an axis of n pixels, from the far side or the nearest border.
int sampleIndex(int i, int n, bool wrap) {
    if (wrap) {
        const int r = i % n;
        return r < 0 ? r + n : r;
    }
    return std::clamp(i, 0, n - 1);
}

// sin(atan(t)) for t >= 0. Beyond 1e18 the result rounds to 1 anyway, and
// t * t would overflow.
float horizonSine(float tangent) {
    if (tangent > 1e18f) return 1.0f;
    return tangent / fsqrt(1.0f + tangent * tangent);
}

// Raises the horizon of every pixel of the row by one step of a walk. A NaN
// sample never compares greater, so it leaves the horizon as it was.
void raiseHorizons(const float* row, const float* sourceRow, const WalkStep& step, int width,
                   bool wrap, float* horizon) {
    // Columns whose sample lies inside the row need no index fix-up.
    const int inBegin = std::clamp(-step.dx, 0, width);
    const int inEnd = std::clamp(width - step.dx, inBegin, width);
    const float k = step.slopePerHeight;
    auto raise = [&](int x, float sample) {
        const float slope = (sample - row[x]) * k;
        horizon[x] = slope > horizon[x] ? slope : horizon[x];
    };
    for (int x = 0; x < inBegin; ++x) raise(x, sourceRow[sampleIndex(x + step.dx, width, wrap)]);
    for (int x = inBegin; x < inEnd; ++x) raise(x, sourceRow[x + step.dx]);
    for (int x = inEnd; x < width; ++x) raise(x, sourceRow[sampleIndex(x + step.dx, width, wrap)]);
}

}  // namespace

FloatField buildAmbientOcclusion(const FloatField& heightMap, int width, int height,
                                 float radiusPixels, float strength, bool wrap, float reliefPixels,
                                 float openSine) {
    FloatField occlusion(fieldSize(width, height), 1.0f);
    if (occlusion.empty()) return occlusion;
    const int stepCount = walkLength(radiusPixels, width, height);
    std::array<std::vector<WalkStep>, kDirectionCount> walks;
    for (int d = 0; d < kDirectionCount; ++d)
        walks[d] = walkSteps(kDirections[d], stepCount, reliefPixels);

    const std::size_t w = static_cast<std::size_t>(width);
    std::vector<float> horizon(w);
    std::vector<float> sineSum(w);
    for (int y = 0; y < height; ++y) {
        progressCheckpoint(y, height);
        const float* row = heightMap.data() + static_cast<std::size_t>(y) * w;
        std::fill(sineSum.begin(), sineSum.end(), 0.0f);
        for (const std::vector<WalkStep>& walk : walks) {
            // Starting at 0: ground below the tangent plane never occludes.
            std::fill(horizon.begin(), horizon.end(), 0.0f);
            for (const WalkStep& step : walk) {
                const std::size_t sourceY =
                    static_cast<std::size_t>(sampleIndex(y + step.dy, height, wrap));
                raiseHorizons(row, heightMap.data() + sourceY * w, step, width, wrap,
                              horizon.data());
            }
            if (openSine > 0.0f) {
                const float stretch = 1.0f / (1.0f - openSine);
                for (std::size_t x = 0; x < w; ++x) {
                    const float above = horizonSine(horizon[x]) - openSine;
                    sineSum[x] += above > 0.0f ? above * stretch : 0.0f;
                }
            } else {
                for (std::size_t x = 0; x < w; ++x) sineSum[x] += horizonSine(horizon[x]);
            }
        }
        float* out = occlusion.data() + static_cast<std::size_t>(y) * w;
        for (std::size_t x = 0; x < w; ++x) {
            const float open = 1.0f - strength * (sineSum[x] / static_cast<float>(kDirectionCount));
            // A NaN height compares as lower than nothing; pass it on as the other maps do.
            out[x] = row[x] == row[x] ? clamp(open, 0.0f, 1.0f) : row[x];
        }
    }
    return occlusion;
}

std::vector<uint8_t> occlusionBytes(const FloatField& occlusion) {
    std::vector<uint8_t> bytes(occlusion.size());
    quantizeRow(occlusion.data(), occlusion.size(), bytes.data());
    return bytes;
}

}  // namespace proctex
