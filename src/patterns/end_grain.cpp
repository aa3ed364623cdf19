// End grain: the rings of a sawn log around its pith. Each year's ring has
// its own width (a table of ring radii hashed from the seed); the pith sits
// off the rings' middle so they are wider on one side, the relief bends
// them, and a few cracks run out from the pith.
//
// On a tiling image the distance to the pith is taken with sines,
// d^2 = (W/pi sin(pi dx/W))^2 + (H/pi sin(pi dy/H))^2, which is the plain
// distance near the pith, repeats with the image and is smooth everywhere:
// its level lines meet the wrap edges square, so the rings cross them
// without a crease (turning around the far corner as around a second pith).
#include <algorithm>
#include <cmath>
#include <vector>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/tiling.h"
#include "patterns/hash_noise.h"
#include "patterns/piece_layout.h"
#include "patterns/surface_patterns.h"

namespace proctex {

namespace {

enum GrainSalt : uint32_t {
    kPithX = 70,
    kPithY,
    kLeanAngle,
    kRingWidth,
    kRingTone,
    kCrackCount,
    kCrackAngle,
    kCrackLength,
    kCrackWave,
    kRingTrend,
    kWanderNoise,
};

constexpr float kLean = 0.18f;       // how much wider the rings grow on one side
constexpr float kBend = 0.3f;        // ring widths the relief bends them by, over its range
constexpr float kWander = 1.8f;      // ring widths the rings wander by, slowly
constexpr float kWanderCell = 8.0f;  // the wander's cells, in ring widths
constexpr int32_t kMostCracks = 3;
constexpr float kCrackWidth = 0.35f;  // half a crack's width at the pith, of a ring width

// Where each ring ends: radius of the k-th ring's outer edge in pixels. A
// young tree grows wide rings, an old one narrow ones: from 1.5 times the
// spacing at the pith to half of it at `farthest`, which on a tile also
// keeps the rings around the far corner from opening into wide blobs.
std::vector<float> ringRadii(float spacing, float farthest, float reach, int32_t seed) {
    std::vector<float> radii;
    float r = 0.0f;
    for (int32_t k = 0; r <= reach && k < 100000; ++k) {
        // Good and poor years come in runs: a year's own share and its run's.
        const float year = layoutUnit(k, 0, seed, kRingWidth);
        const float run = layoutUnit(k / 5, 0, seed, kRingTrend);
        const float age = std::max(1.5f - r / farthest, 0.5f);
        r = r + spacing * age * (0.5f + 0.5f * year + 0.5f * run);
        radii.push_back(r);
    }
    return radii;
}

struct Crack {
    float dx = 1.0f, dy = 0.0f;  // outwards
    float length = 0.0f;
    float wave = 0.0f;  // phase of its wander
};

struct EndGrain {
    float width = 1.0f, height = 1.0f;  // the image in pixels
    float pithX = 0.0f, pithY = 0.0f;
    float leanX = 0.0f, leanY = 0.0f;
    float spacing = 1.0f;
    int32_t seed = 0;
    bool tiled = false;
    std::vector<float> radii;
    std::vector<Crack> cracks;
    HashNoise wander;
};

EndGrain endGrain(const PatternInput& in) {
    EndGrain g;
    g.width = static_cast<float>(in.width);
    g.height = static_cast<float>(in.height);
    g.spacing = layoutSize(in);
    g.seed = in.seed;
    g.tiled = in.tiled;
    // Anywhere on a tile; near the middle of an image that does not tile.
    const float spread = in.tiled ? 1.0f : 0.2f, start = in.tiled ? 0.0f : 0.4f;
    g.pithX = g.width * (start + spread * layoutUnit(0, 0, in.seed, kPithX));
    g.pithY = g.height * (start + spread * layoutUnit(0, 0, in.seed, kPithY));
    const float lean = layoutUnit(0, 0, in.seed, kLeanAngle) * 6.28318531f;
    g.leanX = kLean * fcos(lean);
    g.leanY = kLean * fsin(lean);
    const float cell = kWanderCell * g.spacing;
    g.wander = hashNoise(in.width, in.height, cell, cell, in.tiled, in.seed, kWanderNoise);
    const float reach =
        (g.width + g.height) * (1.0f + kLean) + g.spacing * (kBend + kWander + 2.0f);
    // The farthest any pixel lies from the pith: the far corner of a tile.
    const float farthest = in.tiled ? fsqrt(g.width * g.width + g.height * g.height) / kHalfTurn
                                    : fsqrt(g.width * g.width + g.height * g.height) * 0.6f;
    g.radii = ringRadii(g.spacing, farthest, reach, in.seed);
    const float shorter = std::min(g.width, g.height);
    const int32_t cracks = truncToInt32(layoutUnit(0, 0, in.seed, kCrackCount) * 4.0f);
    for (int32_t c = 0; c < std::min(cracks, kMostCracks); ++c) {
        const float angle = layoutUnit(c, 1, in.seed, kCrackAngle) * 6.28318531f;
        g.cracks.push_back({fcos(angle), fsin(angle),
                            shorter * (0.12f + 0.25f * layoutUnit(c, 1, in.seed, kCrackLength)),
                            layoutUnit(c, 1, in.seed, kCrackWave) * 6.28318531f});
    }
    return g;
}

// An offset along one axis of the image, taken to the nearer copy of the
// pith when tiling.
float nearOffset(float d, float extent, bool tiled) {
    if (!tiled) return d;
    return d - extent * ffloor(d / extent + 0.5f);
}

// The distance to the pith, and its lean: a term like the offset along the
// lean's direction near the pith, which goes to 0 at the wrap edges.
float ringRadius(const EndGrain& g, float ox, float oy) {
    if (!g.tiled) return fsqrt(ox * ox + oy * oy) + ox * g.leanX + oy * g.leanY;
    const float kx = kHalfTurn / g.width, ky = kHalfTurn / g.height;
    const float sx = fsin(ox * kx) / kx, sy = fsin(oy * ky) / ky;
    const float leanX = fsin(ox * kx * 2.0f) / (kx * 2.0f);
    const float leanY = fsin(oy * ky * 2.0f) / (ky * 2.0f);
    return fsqrt(sx * sx + sy * sy) + leanX * g.leanX + leanY * g.leanY;
}

// How deep the cracks run at an offset from the pith: each wedge widest at
// the pith, closing at its tip, wandering a little on its way.
float crackDepth(const EndGrain& g, float ox, float oy) {
    float deepest = 0.0f;
    for (const Crack& c : g.cracks) {
        const float t = ox * c.dx + oy * c.dy;
        if (t < 0.0f || t > c.length) continue;
        const float wander = fsin(t / c.length * 9.0f + c.wave) * g.spacing * 0.3f;
        const float off = std::fabs(oy * c.dx - ox * c.dy - wander);
        const float half = kCrackWidth * g.spacing * (1.0f - t / c.length) + 0.5f;
        if (off < half) deepest = std::max(deepest, 1.0f - off / half);
    }
    return deepest;
}

float endGrainHeight(const EndGrain& g, float px, float py, float base) {
    const float ox = nearOffset(px - g.pithX, g.width, g.tiled);
    const float oy = nearOffset(py - g.pithY, g.height, g.tiled);
    const float bend = (base - 0.5f) * kBend + (g.wander.at(px, py) - 0.5f) * kWander;
    const float r = std::max(ringRadius(g, ox, oy) + bend * g.spacing, 0.0f);
    // The ring the radius falls in and how far across it.
    const auto outer = std::upper_bound(g.radii.begin(), g.radii.end(), r);
    const std::size_t k = std::min<std::size_t>(outer - g.radii.begin(), g.radii.size() - 1);
    const float inner = k > 0 ? g.radii[k - 1] : 0.0f;
    const float across = clamp((r - inner) / (g.radii[k] - inner), 0.0f, 1.0f);
    // Light, open earlywood, then the dense latewood at the ring's outer edge.
    const float latewood =
        smoothStep(0.6f, 0.9f, across) * (1.0f - smoothStep(0.94f, 1.0f, across));
    const float tone = (layoutUnit(static_cast<int32_t>(k), 0, g.seed, kRingTone) - 0.5f) * 0.06f;
    const float pith = 1.0f - smoothStep(0.2f, 0.6f, r / g.spacing);
    const float h = 0.62f + tone - 0.03f * across - 0.2f * latewood - 0.15f * pith -
                    0.45f * crackDepth(g, ox, oy) + (base - 0.5f) * 0.06f;
    return clamp(h, 0.0f, 1.0f);
}

}  // namespace

FloatField generateEndGrainPattern(const PatternInput& in) {
    const EndGrain grain = endGrain(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        return endGrainHeight(grain, px, py, baseAt(in.base, i));
    });
}

}  // namespace proctex
