// Hammered metal: one dent per cell of a grid half a dent apart, each at its
// own place in its cell and of its own size. One hammer face makes them all,
// so every dent is a cup of the same sphere, a wider one deeper; the surface
// is the lowest of the cups, which leaves ridges where dents meet.
#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "patterns/piece_layout.h"
#include "patterns/surface_patterns.h"

namespace proctex {

namespace {

enum DentSalt : uint32_t { kDentX = 50, kDentY, kDentSize };

constexpr float kDentSpacing = 0.5f;    // the grid's cells, of a mean dent's diameter
constexpr float kDentRadiusLow = 0.3f;  // radii from 0.3 to 0.7 diameters
constexpr float kDentRadiusSpread = 0.4f;
constexpr float kHammerFace = 1.5f;  // the hammer's sphere radius, of a mean diameter
constexpr int kDentReach = 2;        // cells around the pixel's that can hold its dents
constexpr float kDentScale = 0.08f;  // height per unit of depth

struct DentGrid {
    LayoutAxis x;
    LayoutAxis y;
    float diameter = 1.0f;
    int32_t seed = 0;
};

// How far below the plate the surface lies at a pixel: the deepest of the
// cups around it (0 outside every dent).
float dentDepth(const DentGrid& g, float px, float py) {
    const int64_t i0 = g.x.indexOf(px), j0 = g.y.indexOf(py);
    const float sphere = kHammerFace * g.diameter;
    const float sphere2 = sphere * sphere;
    float deepest = 0.0f;
    for (int64_t j = j0 - kDentReach; j <= j0 + kDentReach; ++j) {
        for (int64_t i = i0 - kDentReach; i <= i0 + kDentReach; ++i) {
            const int32_t wi = g.x.wrap(i), wj = g.y.wrap(j);
            const float cx =
                (static_cast<float>(i) + layoutUnit(wi, wj, g.seed, kDentX)) * g.x.step;
            const float cy =
                (static_cast<float>(j) + layoutUnit(wi, wj, g.seed, kDentY)) * g.y.step;
            const float radius =
                g.diameter *
                (kDentRadiusLow + kDentRadiusSpread * layoutUnit(wi, wj, g.seed, kDentSize));
            const float r2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
            if (r2 >= radius * radius) continue;
            // The sphere's surface over the pixel, below its surface at the rim.
            const float depth = fsqrt(sphere2 - r2) - fsqrt(sphere2 - radius * radius);
            deepest = std::max(deepest, depth);
        }
    }
    return deepest;
}

}  // namespace

FloatField generateHammeredPattern(const PatternInput& in) {
    const float diameter = layoutSize(in);
    const float cell = diameter * kDentSpacing;
    const DentGrid grid{layoutAxis(in.width, cell, in.tiled), layoutAxis(in.height, cell, in.tiled),
                        diameter, in.seed};
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        const float dent = dentDepth(grid, px, py) / in.unit * kDentScale;
        return clamp(0.85f - dent + (baseAt(in.base, i) - 0.5f) * 0.06f, 0.0f, 1.0f);
    });
}

}  // namespace proctex
