// The structure patterns (cobbles, tiles, bricks, boards, parquet) through
// the pattern stage: their pieces are whole regions with low joints, the
// layout follows the seed, and a material sized on the tile keeps its pieces
// at every size.
#include <gtest/gtest.h>
#include <proctex.h>

#include <algorithm>
#include <cstdint>
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
    for (const Kind& kind : kKinds) {
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
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(patternName(kind.type));
        const FloatField a = relief(request(kind, w, 1, true), w, h);
        EXPECT_EQ(a, relief(request(kind, w, 1, true), w, h));
        const FloatField b = relief(request(kind, w, 2, true), w, h);
        std::size_t changed = 0;
        for (std::size_t i = 0; i < a.size(); ++i) changed += a[i] != b[i];
        EXPECT_GT(changed, a.size() / 3);
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
}

}  // namespace
}  // namespace proctex
