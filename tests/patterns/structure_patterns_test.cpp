// The structure patterns (cobbles, tiles, bricks, boards, parquet, roofs)
// and the surfaces (hammered and tread-plate metal, scratches, end grain)
// through the pattern stage: pieces are whole regions with low joints, the
// layout follows the seed, a material sized on the tile keeps its layout at
// every size, and each surface has the shape it is named for.
#include <gtest/gtest.h>
#include <proctex.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <vector>

#include "patterns/pattern_stage.h"

namespace proctex {
namespace {

struct Kind {
    int32_t type;
    float param;
};
// Sizes in units on a 512 tile: a few dozen pieces each.
constexpr Kind kKinds[] = {
    {PROCTEX_PATTERN_COBBLES, 48.0f},      {PROCTEX_PATTERN_HEX_TILES, 48.0f},
    {PROCTEX_PATTERN_SQUARE_TILES, 60.0f}, {PROCTEX_PATTERN_BOND_BRICKS, 80.0f},
    {PROCTEX_PATTERN_BOARDS, 48.0f},       {PROCTEX_PATTERN_HERRINGBONE, 28.0f},
    {PROCTEX_PATTERN_ROOF_TILES, 48.0f},
};
// The surfaces without pieces (the regular diamond plate's layout has no
// random part: it is tested by its symmetry).
constexpr Kind kSurfaces[] = {
    {PROCTEX_PATTERN_HAMMERED, 32.0f},
    {PROCTEX_PATTERN_FINE_SCRATCHES, 60.0f},
    {PROCTEX_PATTERN_FINE_SCRATCHES, -60.0f},
    {PROCTEX_PATTERN_TILING_RINGS, 8.0f},
};

PatternRequest request(const Kind& kind, int width, int32_t seed, bool tiling) {
    return {kind.type, kind.param, seed, false, tiling, static_cast<float>(width) / 512.0f, true};
}

FloatField relief(const PatternRequest& r, int width, int height) {
    FloatField field(std::size_t(width) * height, 0.5f);
    applyPatternStage(field, width, height, r);
    return field;
}

// The 4-connected regions of equal ids, across the wrap edges when tiling.
std::size_t regionCount(const PieceField& p, int width, int height, bool wrap) {
    std::vector<int> seen(p.id.size(), 0);
    std::size_t regions = 0;
    std::vector<std::size_t> stack;
    for (std::size_t start = 0; start < p.id.size(); ++start) {
        if (seen[start]) continue;
        ++regions;
        seen[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const std::size_t i = stack.back();
            stack.pop_back();
            const int x = int(i % width), y = int(i / width);
            const int next[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
            for (const auto& n : next) {
                int nx = n[0], ny = n[1];
                if (wrap) nx = (nx + width) % width, ny = (ny + height) % height;
                if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
                const std::size_t j = std::size_t(ny) * width + nx;
                if (!seen[j] && p.id[j] == p.id[i]) seen[j] = 1, stack.push_back(j);
            }
        }
    }
    return regions;
}

std::size_t pieceCount(const PieceField& p) {
    return std::set<uint32_t>(p.id.begin(), p.id.end()).size();
}

// Each piece is one connected region (so an id never names two places; when
// tiling, across the wrap edges too) and every face rises well above the
// joints. Their seams are measured with every other pattern's (tiling tests).
TEST(StructurePatterns, PiecesAreWholeRegionsWithLowJointsAndTheTilesWrap) {
    std::vector<Kind> laid(std::begin(kKinds), std::end(kKinds));
    laid.push_back({PROCTEX_PATTERN_DISCS, 24.0f});  // the first discs have pieces too
    for (const Kind& kind : laid) {
        SCOPED_TRACE(patternName(kind.type));
        for (const bool tiling : {true, false}) {
            const int w = 384, h = 256;
            const PatternRequest r = request(kind, w, 7, tiling);
            const PieceField pieces = patternPieces(r, w, h);
            ASSERT_EQ(pieces.id.size(), std::size_t(w) * h);
            const std::size_t count = pieceCount(pieces);
            EXPECT_GT(count, 12u);
            EXPECT_EQ(regionCount(pieces, w, h, tiling), count) << "tiling " << tiling;

            // Without tiling the image's edges cut slivers off the pieces.
            if (!tiling) continue;
            const FloatField field = relief(r, w, h);
            float jointTop = 0.0f;
            std::map<uint32_t, float> faceTop;
            for (std::size_t i = 0; i < field.size(); ++i) {
                if (pieces.joint[i]) {
                    jointTop = std::max(jointTop, field[i]);
                } else {
                    faceTop[pieces.id[i]] = std::max(faceTop[pieces.id[i]], field[i]);
                }
            }
            for (const auto& [id, top] : faceTop) EXPECT_GT(top, jointTop + 0.2f) << id;
        }
    }
}

// Another seed, another layout (or, for the fixed grids, other faces);
// the same seed, the same field.
TEST(StructurePatterns, TheSeedChangesTheLayout) {
    const int w = 256, h = 256;
    std::vector<Kind> all(std::begin(kKinds), std::end(kKinds));
    all.insert(all.end(), std::begin(kSurfaces), std::end(kSurfaces));
    for (const Kind& kind : all) {
        SCOPED_TRACE(patternName(kind.type));
        const FloatField a = relief(request(kind, w, 1, true), w, h);
        EXPECT_EQ(a, relief(request(kind, w, 1, true), w, h));
        const FloatField b = relief(request(kind, w, 2, true), w, h);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
        // Scratches leave most of the surface alone.
        EXPECT_GT(changed, a.size() / (kind.type == PROCTEX_PATTERN_FINE_SCRATCHES ? 10 : 3));
    }
    // Stones, bricks and boards move their outlines with the seed.
    for (const int32_t type :
         {PROCTEX_PATTERN_COBBLES, PROCTEX_PATTERN_BOND_BRICKS, PROCTEX_PATTERN_BOARDS}) {
        const Kind kind{type, type == PROCTEX_PATTERN_BOND_BRICKS ? 80.0f : 48.0f};
        const PieceField a = patternPieces(request(kind, w, 1, true), w, h);
        const PieceField b = patternPieces(request(kind, w, 2, true), w, h);
        EXPECT_NE(a.joint, b.joint) << patternName(type);
    }
}

// Sized on the tile: at 1024 the same pieces as at 512, each pixel of the
// small map in the piece of the large map's pixel at the same place.
TEST(StructurePatterns, OnTheTileTheLayoutIsTheSameAtEverySize) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(patternName(kind.type));
        const PieceField small = patternPieces(request(kind, 512, 5, true), 512, 512);
        const PieceField large = patternPieces(request(kind, 1024, 5, true), 1024, 1024);
        EXPECT_EQ(pieceCount(small), pieceCount(large));
        std::size_t same = 0;
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                same += small.id[std::size_t(y) * 512 + x] ==
                        large.id[std::size_t(2 * y + 1) * 1024 + 2 * x + 1];
            }
        }
        EXPECT_GT(same, 512u * 512u * 97 / 100);
    }
    // The surfaces: each 512 pixel against the mean of the four 1024 pixels
    // it covers (a relief drawn a tenth too large is off by 0.02 to 0.18).
    std::vector<Kind> surfaces(std::begin(kSurfaces), std::end(kSurfaces));
    surfaces.push_back({PROCTEX_PATTERN_DIAMOND_PLATE, 20.0f});
    for (const Kind& kind : surfaces) {
        SCOPED_TRACE(patternName(kind.type));
        const FloatField small = relief(request(kind, 512, 5, true), 512, 512);
        const FloatField large = relief(request(kind, 1024, 5, true), 1024, 1024);
        double difference = 0.0;
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 512; ++x) {
                const std::size_t i = std::size_t(2 * y) * 1024 + 2 * x;
                const float mean =
                    (large[i] + large[i + 1] + large[i + 1024] + large[i + 1025]) / 4;
                difference += std::fabs(small[std::size_t(y) * 512 + x] - mean);
            }
        }
        EXPECT_LT(difference / (512.0 * 512.0), 0.008);
    }
}

// A roof's courses overlap downwards: going down the image a tile's face
// rises to its lower end, then the relief steps down onto the tile below.
TEST(StructurePatterns, RoofTilesRiseToTheirLowerEdgeAndStepDownThere) {
    const int w = 256, h = 256;
    const PatternRequest r = request({PROCTEX_PATTERN_ROOF_TILES, 48.0f}, w, 3, true);
    const FloatField field = relief(r, w, h);
    const PieceField pieces = patternPieces(r, w, h);
    std::size_t rises = 0, falls = 0, steps = 0, edges = 0;
    for (int y = 0; y + 1 < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x, below = i + w;
            const float change = field[below] - field[i];
            if (pieces.id[i] != pieces.id[below]) {
                ++edges;
                steps += change < -0.2f;
            } else if (change != 0.0f) {
                (change > 0.0f ? rises : falls) += 1;
            }
        }
    }
    EXPECT_GT(steps, edges * 9 / 10);
    EXPECT_GT(rises, falls * 2);
}

// Every dent is a cup of the same hammer face, lower at its centre than at
// its rim, and nothing rises above the plate; a wider dent is a deeper one,
// so doubling the size deepens the dents.
TEST(SurfacePatterns, HammerDentsAreCupsUnderThePlateDeeperWhenWider) {
    const int w = 256, h = 256;
    auto dented = [&](float size) {
        return relief(request({PROCTEX_PATTERN_HAMMERED, size}, w, 9, true), w, h);
    };
    const FloatField small = dented(24.0f), large = dented(48.0f);
    const float plate = *std::max_element(small.begin(), small.end());
    EXPECT_LE(plate, 0.85f);
    double depthSmall = 0.0, depthLarge = 0.0;
    std::size_t minima = 0, cups = 0;
    for (int y = 4; y < h - 4; ++y) {
        for (int x = 4; x < w - 4; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            depthSmall += 0.85f - small[i];
            depthLarge += 0.85f - large[i];
            const float c = large[i];
            if (!(c < large[i - 1] && c < large[i + 1] && c < large[i - w] && c < large[i + w]))
                continue;
            // A dent's bottom: two pixels out each way is higher still (but
            // for slivers of small dents that a deeper one all but swallows).
            ++minima;
            cups += large[i - 2] > c && large[i + 2] > c && large[i - 2 * w] > c &&
                    large[i + 2 * w] > c;
        }
    }
    EXPECT_GT(minima, 20u);
    EXPECT_GT(cups, minima * 9 / 10);
    EXPECT_GT(depthLarge, depthSmall * 1.5);
}

// Tread plate: lozenges along one diagonal and the other in a checker, so
// the plate mirrored left to right is the plate moved by half a square (the
// squares hold a lozenge at each corner and one turned in the middle).
TEST(SurfacePatterns, DiamondPlateMirrorsOntoItselfMovedByHalfASquare) {
    // 22 units at 0.5 pixels per unit: squares of 15.6 pixels, 16 of them
    // across 256 pixels.
    const int w = 256, h = 256, half = 8;
    const FloatField field =
        relief(request({PROCTEX_PATTERN_DIAMOND_PLATE, 22.0f}, w, 1, true), w, h);
    std::size_t raised = 0, mismatched = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float v = field[std::size_t(y) * w + x];
            raised += v > 0.5f;
            const float moved = field[std::size_t((y + half) % h) * w + (x + half) % w];
            mismatched += field[std::size_t(y) * w + (w - 1 - x)] != moved;
        }
    }
    EXPECT_EQ(mismatched, 0u);
    EXPECT_GT(raised, std::size_t(w) * h / 8);
    EXPECT_LT(raised, std::size_t(w) * h / 2);
}

// Scratches are grooves: nothing rises above the surface, they run mostly
// along the rows (the relief changes more down the image than across), and
// the brushing of a negative length adds fine streaks without filling them.
TEST(SurfacePatterns, ScratchesAreGroovesMostlyAlongTheRows) {
    const int w = 256, h = 256;
    const FloatField plain =
        relief(request({PROCTEX_PATTERN_FINE_SCRATCHES, 60.0f}, w, 4, true), w, h);
    const FloatField brushed =
        relief(request({PROCTEX_PATTERN_FINE_SCRATCHES, -60.0f}, w, 4, true), w, h);
    double across = 0.0, down = 0.0;
    std::size_t grooved = 0, kept = 0, streaked = 0;
    for (int y = 0; y + 1 < h; ++y) {
        for (int x = 0; x + 1 < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            EXPECT_LE(plain[i], 0.75f);
            across += std::fabs(plain[i + 1] - plain[i]);
            down += std::fabs(plain[i + w] - plain[i]);
            streaked += brushed[i] < plain[i];
            if (plain[i] < 0.7f) {
                ++grooved;
                kept += brushed[i] <= plain[i];
            }
        }
    }
    EXPECT_GT(grooved, std::size_t(w) * h / 50);
    EXPECT_LT(grooved, std::size_t(w) * h / 3);
    EXPECT_EQ(kept, grooved);
    EXPECT_GT(down, across * 1.5);
    EXPECT_GT(streaked, std::size_t(w) * h * 9 / 10);
}

// End grain: rings about patternParam apart (wider near the pith, narrower
// far out). On a tile the distance to the pith grows by 2 W / pi across a
// row through it and less across the others, so a row crosses at most about
// 0.64 W / patternParam rings. That the rings continue across the edges is
// measured with every other pattern's seams.
TEST(SurfacePatterns, EndGrainRingsCountAboutTheSizeAcrossTheTile) {
    const int w = 256, h = 256;
    for (const float size : {6.0f, 12.0f}) {
        const FloatField field =
            relief(request({PROCTEX_PATTERN_TILING_RINGS, size}, w, 2, true), w, h);
        // Latewood dips along every 32nd row, counted where a row falls below
        // the middle of its neighbours' range.
        std::size_t dips = 0;
        for (int y = 0; y < h; y += 32) {
            for (int x = 0; x < w; ++x) {
                const float l = field[std::size_t(y) * w + (x + w - 1) % w];
                const float c = field[std::size_t(y) * w + x];
                const float r = field[std::size_t(y) * w + (x + 1) % w];
                dips += c < l && c <= r && std::min(l, r) - c > 0.01f;
            }
        }
        const double perRow = double(dips) / (h / 32);
        const double most = 0.6366 * w / (size * 0.5);  // units of 0.5 pixels
        SCOPED_TRACE(size);
        EXPECT_GT(perRow, most * 0.5);
        EXPECT_LT(perRow, most * 1.2);
    }
}

}  // namespace
}  // namespace proctex
