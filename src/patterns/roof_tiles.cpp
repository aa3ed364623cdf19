// Roof tiles: staggered courses of flat tiles with rounded lower ends, each
// course lying over the head of the one below it. A tile rests its lower
// end on the tile beneath, so its face falls slowly from that end up the
// roof to where the next course covers it, and the relief steps down at
// every rounded lower edge.
#include <algorithm>
#include <cmath>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "patterns/piece_layout.h"
#include "patterns/structure_patterns.h"

namespace proctex {

namespace {

enum RoofSalt : uint32_t { kRoofLift = 40, kRoofTilt };

constexpr float kRoofCourse = 0.8f;    // the exposed length of a course, of a tile's width
constexpr float kRoofGap = 0.015f;     // half the gap between tiles of a course, of a width
constexpr float kRoofRounding = 0.7f;  // the radius of a lower corner, of half a width
constexpr float kRoofBevel = 0.07f;    // the rounded lower edge, of a width
constexpr float kRoofJoint = 0.05f;    // the crevice under a course's edge, of a width

// Course j's tiles sit at columns k, odd courses shifted by half a tile (the
// courses come in even counts when tiling, so the bond continues across the
// edge); tile (j, k) ends at the bottom of course j.
struct RoofLayout {
    LayoutAxis courses;
    LayoutAxis columns;

    float shift(int64_t j) const { return (courses.wrap(j) & 1) != 0 ? 0.5f * columns.step : 0.0f; }
};

RoofLayout roofLayout(const PatternInput& in) {
    const float width = layoutSize(in);
    return {layoutAxis(in.height, width * kRoofCourse, in.tiled, true),
            layoutAxis(in.width, width, in.tiled)};
}

struct TileSpot {
    int64_t column = 0;
    float across = 0.0f;  // pixels from the tile's middle line
    float up = 0.0f;      // pixels above its lower end
    float inside = 0.0f;  // pixels to its outline, negative outside
};

// The tile of course j under the pixel's column (or the next one along when
// `side` is not 0), and how far inside its outline the pixel lies: straight
// sides, a straight lower end and rounded lower corners.
TileSpot tileSpot(const RoofLayout& r, int64_t j, float px, float py, int side) {
    const float offset = r.shift(j);
    const int64_t k = r.columns.indexOf(px - offset) + side;
    const float halfWidth = r.columns.step * (0.5f - kRoofGap);
    const float radius = r.columns.step * 0.5f * kRoofRounding;
    const float across = px - offset - (static_cast<float>(k) + 0.5f) * r.columns.step;
    const float up = static_cast<float>(j + 1) * r.courses.step - py;
    const float qx = std::fabs(across) - (halfWidth - radius), qy = radius - up;
    float inside;
    if (qx > 0.0f && qy > 0.0f) {
        inside = radius - fsqrt(qx * qx + qy * qy);
    } else {
        inside = std::min(halfWidth - std::fabs(across), up);
    }
    return {k, across, up, inside};
}

struct RoofHit {
    PieceHit piece;
    float up = 0.0f;       // courses above the tile's lower end
    float covered = 0.0f;  // pixels below the outline of the course above
};

// The upper course lies on top: a pixel shows the tile of its own course
// when inside that tile's outline, else the one of the course below (whose
// head reaches up under the corners and gaps).
RoofHit locateRoofTile(const RoofLayout& r, float px, float py) {
    const int64_t j0 = r.courses.indexOf(py);
    float covered = INFINITY;
    for (int64_t j = j0; j < j0 + 3; ++j) {
        const TileSpot spot = tileSpot(r, j, px, py, 0);
        if (spot.inside >= 0.0f || j == j0 + 2) {
            const uint32_t id = pieceIdOf(r.columns.wrap(spot.column), r.courses.wrap(j));
            return {{id, std::max(spot.inside, 0.0f), spot.up, spot.across},
                    spot.up / r.courses.step,
                    covered};
        }
        // How far below this course's tiles the pixel lies: the nearer of the
        // tile over its column and the neighbour across the gap.
        const TileSpot next = tileSpot(r, j, px, py, spot.across < 0.0f ? -1 : 1);
        covered = std::min(-spot.inside, -next.inside);
    }
    return {};
}

// A tile's face: highest at its lower end, falling up the roof, a little
// higher or lower and tilted its own way, with a slight camber across and
// its lower edge rounded down towards the tile beneath.
float roofTileHeight(const RoofHit& hit, float width, int32_t seed, float base) {
    const int32_t key = static_cast<int32_t>(hit.piece.id);
    const float lift = (layoutUnit(key, 0, seed, kRoofLift) - 0.5f) * 0.08f;
    const float across = hit.piece.across / (width * 0.5f);
    const float tilt = (layoutUnit(key, 0, seed, kRoofTilt) - 0.5f) * 0.1f * across;
    const float camber = -0.05f * across * across;
    const float face =
        0.85f + lift + tilt + camber - 0.5f * std::min(hit.up, 1.4f) + (base - 0.5f) * 0.12f;
    const float s = clamp(hit.piece.edge / (kRoofBevel * width), 0.0f, 1.0f);
    const float rounded = fsqrt(s * (2.0f - s));
    return clamp(face - 0.15f * (1.0f - rounded), 0.0f, 1.0f);
}

}  // namespace

FloatField generateRoofTilePattern(const PatternInput& in) {
    const RoofLayout layout = roofLayout(in);
    const float width = layoutSize(in);
    return fieldOf(in.width, in.height, [&](float px, float py, std::size_t i) {
        return roofTileHeight(locateRoofTile(layout, px, py), width, in.seed, baseAt(in.base, i));
    });
}

// The joints are the crevices just under each course's edges, where the
// tile below disappears beneath it.
PieceField roofTilePieces(const PatternInput& in) {
    const RoofLayout layout = roofLayout(in);
    const float joint = kRoofJoint * layoutSize(in);
    return piecesOf(in.width, in.height, joint, [&](float px, float py) {
        const RoofHit hit = locateRoofTile(layout, px, py);
        return PieceHit{hit.piece.id, hit.covered, 0.0f, 0.0f};
    });
}

}  // namespace proctex
