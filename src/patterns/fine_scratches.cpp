// Fine scratches: thin V grooves, each a straight segment with a place,
// direction, length, width and depth hashed from the seed and its number.
// Most run along the rows within some twenty degrees, a few any way. Each is
// drawn over the pixels near it only; where grooves cross, the deeper one
// wins. Tiling, a groove leaving one edge comes back at the opposite one.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "patterns/hash_noise.h"
#include "patterns/piece_layout.h"
#include "patterns/surface_patterns.h"

namespace proctex {

namespace {

enum ScratchSalt : uint32_t {
    kScratchX = 60,
    kScratchY,
    kScratchStray,
    kScratchAngle,
    kScratchSpread,
    kScratchLength,
    kScratchWidth,
    kScratchDepth,
    kBrushFine,
    kBrushCoarse,
};

constexpr float kScratchesPerArea = 20.0f;  // per 10 000 square units
constexpr int32_t kMostScratches = 40000;
constexpr float kStrayShare = 0.12f;    // the scratches in any direction
constexpr float kSpread = 0.35f;        // radians either way of the rows, at most
constexpr float kHalfWidthLow = 0.35f;  // units; up to 0.85
constexpr float kHalfWidthSpread = 0.5f;
constexpr float kLeastHalfWidth = 0.9f;  // pixels: a thinner groove would flicker
constexpr float kTaper = 0.2f;           // the share of its length a groove's end fades over

struct Scratch {
    float x = 0.0f, y = 0.0f;  // its middle
    float dx = 1.0f, dy = 0.0f;
    float halfLength = 0.0f;
    float halfWidth = 1.0f;
    float depth = 0.0f;
};

Scratch scratchOf(int32_t n, const PatternInput& in, float meanLength) {
    auto value = [&](uint32_t salt) { return layoutUnit(n, 0, in.seed, salt); };
    Scratch s;
    s.x = value(kScratchX) * static_cast<float>(in.width);
    s.y = value(kScratchY) * static_cast<float>(in.height);
    // Two draws summed: most scratches near the rows, fewer towards the spread.
    float angle = (value(kScratchAngle) + value(kScratchSpread) - 1.0f) * kSpread;
    if (value(kScratchStray) < kStrayShare) angle = value(kScratchAngle) * 3.14159265f;
    s.dx = fcos(angle);
    s.dy = fsin(angle);
    const float l = value(kScratchLength);
    // Many short, few long, meanLength on average; at most the image's longer
    // side, as a longer one would only cross itself on a tile, and the work
    // stays bounded whatever the length asked.
    const float longer = static_cast<float>(std::max(in.width, in.height));
    s.halfLength = std::min(meanLength * (0.25f + 2.25f * l * l) * 0.5f, longer * 0.5f);
    const float halfWidth = (kHalfWidthLow + kHalfWidthSpread * value(kScratchWidth)) * in.unit;
    s.halfWidth = std::max(halfWidth, kLeastHalfWidth);
    // A groove drawn wider than it is keeps its volume: shallower.
    s.depth = (0.05f + 0.2f * value(kScratchDepth)) * halfWidth / s.halfWidth;
    return s;
}

// Deepens `grooves` along one scratch: visits the pixels within its half width,
// column by column when it runs more across than down, row by row otherwise.
void cutScratch(FloatField& grooves, const Scratch& s, int width, int height, bool tiled) {
    const bool byColumn = std::fabs(s.dx) >= std::fabs(s.dy);
    const float major = byColumn ? s.dx : s.dy, minor = byColumn ? s.dy : s.dx;
    const float centreMajor = byColumn ? s.x : s.y, centreMinor = byColumn ? s.y : s.x;
    const float reachMajor = std::fabs(major) * s.halfLength + s.halfWidth;
    const float spanMinor = s.halfWidth / std::fabs(major) + 1.0f;
    const int32_t first = truncToInt32(ffloor(centreMajor - reachMajor));
    const int32_t last = truncToInt32(ffloor(centreMajor + reachMajor));
    const int majorExtent = byColumn ? width : height, minorExtent = byColumn ? height : width;
    for (int32_t a = first; a <= last; ++a) {
        const float pa = static_cast<float>(a) + 0.5f;
        const float mid = centreMinor + (pa - centreMajor) * minor / major;
        const int32_t lo = truncToInt32(ffloor(mid - spanMinor));
        const int32_t hi = truncToInt32(ffloor(mid + spanMinor));
        for (int32_t b = lo; b <= hi; ++b) {
            const float pb = static_cast<float>(b) + 0.5f;
            const float px = byColumn ? pa : pb, py = byColumn ? pb : pa;
            const float ox = px - s.x, oy = py - s.y;
            const float t = ox * s.dx + oy * s.dy;
            if (std::fabs(t) > s.halfLength) continue;
            const float off = std::fabs(ox * s.dy - oy * s.dx);
            if (off >= s.halfWidth) continue;
            const float ends =
                std::min((s.halfLength - std::fabs(t)) / (kTaper * s.halfLength), 1.0f);
            const float cut = s.depth * (1.0f - off / s.halfWidth) * ends;
            int32_t ia = a, ib = b;
            if (tiled) {
                ia = wrapIndex(a, majorExtent);
                ib = wrapIndex(b, minorExtent);
            } else if (a < 0 || a >= majorExtent || b < 0 || b >= minorExtent) {
                continue;
            }
            const std::size_t i = byColumn ? static_cast<std::size_t>(ib) * width + ia
                                           : static_cast<std::size_t>(ia) * width + ib;
            grooves[i] = std::max(grooves[i], cut);
        }
    }
}

}  // namespace

FloatField generateFineScratchPattern(const PatternInput& in) {
    const float meanLength = layoutSize(in);
    FloatField grooves(fieldSize(in.width, in.height), 0.0f);
    const float area =
        static_cast<float>(in.width) * static_cast<float>(in.height) / (in.unit * in.unit);
    const float wanted = fround(area * kScratchesPerArea / 10000.0f);
    const int32_t count = wanted < static_cast<float>(kMostScratches)
                              ? std::max(truncToInt32(wanted), 1)
                              : kMostScratches;
    for (int32_t n = 0; n < count; ++n) {
        cutScratch(grooves, scratchOf(n, in, meanLength), in.width, in.height, in.tiled);
    }
    const bool brushed = in.param < 0.0f;
    // The brushing: value noise in streaks, long along the rows and a unit or
    // a few across.
    const float u = in.unit;
    const HashNoise fine =
        hashNoise(in.width, in.height, 40.0f * u, u, in.tiled, in.seed, kBrushFine);
    const HashNoise coarse =
        hashNoise(in.width, in.height, 120.0f * u, 3.0f * u, in.tiled, in.seed, kBrushCoarse);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        float h = 0.75f + (baseAt(in.base, i) - 0.5f) * 0.04f - grooves[i];
        if (brushed) {
            const float f = fine.at(px, py), c = coarse.at(px, py);
            h = h - 0.06f * f * f - 0.03f * c;
        }
        return clamp(h, 0.0f, 1.0f);
    });
}

}  // namespace proctex
