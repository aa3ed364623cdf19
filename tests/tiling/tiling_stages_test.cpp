// The stages' tiling forms against plain references: the tiling lattice of
// the noise kernels against a per-pixel loop that wraps its corners (and
// whose value one period on equals the first pixel's), the cells on the
// torus against every copy of every point, and the layouts whose alternation
// must survive the edge (bricks, planks, checker).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/tiling.h"
#include "noise/octave_rows.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"
#include "patterns/pattern_internals.h"
#include "patterns/patterns.h"

namespace proctex {
namespace {

// --- Noise --------------------------------------------------------------------

// The octave sum at pixel (x, y), which may lie one period beyond the image:
// each octave's lattice has tilingCells columns and rows, corners taken
// modulo those counts, hashed as the generator's seamless flag chooses.
float tilingOctaveSum(const TextureGenerator& g, float persistence, float lacunarity, int32_t x,
                      int32_t y) {
    const int32_t* T = g.permutation.data();
    auto hash = [&](int32_t c, int32_t r) {
        return g.seamless ? T[T[c & 255] + (r & 255)] : T[T[T[c & 255] + (r & 255)]];
    };
    float amplitude = 1.0f, frequency = 1.0f, sum = 0.0f;
    for (int32_t o = 0; o < g.octaves; ++o) {
        const int32_t cx = tilingCells(g.width, g.scale, frequency);
        const int32_t cy = tilingCells(g.height, g.scale, frequency);
        const float sx =
            static_cast<float>(x) * (static_cast<float>(cx) / static_cast<float>(g.width));
        const float sy =
            static_cast<float>(y) * (static_cast<float>(cy) / static_cast<float>(g.height));
        const float fx = ffloor(sx), fy = ffloor(sy);
        const int32_t x0 = static_cast<int32_t>(fx) % cx, y0 = static_cast<int32_t>(fy) % cy;
        const int32_t x1 = (x0 + 1) % cx, y1 = (y0 + 1) % cy;
        const float xf = sx - fx, yf = sy - fy;
        const float u = TextureGenerator::fade(xf), v = TextureGenerator::fade(yf);
        using G = TextureGenerator;
        const float n = G::lerp(
            v, G::lerp(u, G::grad(hash(x0, y0), xf, yf), G::grad(hash(x1, y0), xf - 1.0f, yf)),
            G::lerp(u, G::grad(hash(x0, y1), xf, yf - 1.0f),
                    G::grad(hash(x1, y1), xf - 1.0f, yf - 1.0f)));
        sum = sum + ((n + 1.0f) / 2.0f) * amplitude;
        amplitude = amplitude * persistence;
        frequency = frequency * lacunarity;
    }
    return sum;
}

TEST(TilingNoise, CellCountsAreTheNearestWholeNumbersOfAtLeastOne) {
    EXPECT_EQ(tilingCells(512, 24.0f, 1.0f), 21);  // 21.33
    EXPECT_EQ(tilingCells(640, 24.0f, 1.0f), 27);  // 26.67
    EXPECT_EQ(tilingCells(640, 24.0f, 2.0f), 53);  // 53.33
    EXPECT_EQ(tilingCells(512, 128.0f, 1.0f), 4);  // already whole: unchanged
    EXPECT_EQ(tilingCells(100, 400.0f, 1.0f), 1);  // a quarter cell still wraps once
    EXPECT_EQ(tilingCells(100, std::numeric_limits<float>::quiet_NaN(), 1.0f), 1);
    EXPECT_EQ(tilingCells(100, 1e-30f, 1.0f), 16777216);
}

TEST(TilingNoise, KernelsMatchTheWrappingLoopAndTheFieldRepeatsOnePeriodOn) {
    struct Case {
        int32_t width, height;
        float scale;
        int32_t octaves;
        float lacunarity;
        bool seamless;
    } cases[] = {{64, 64, 24.0f, 6, 2.0f, false}, {37, 23, 5.3f, 4, 2.3f, false},
                 {41, 19, 9.0f, 3, 1.7f, true},   {300, 7, 24.0f, 6, 2.0f, false},
                 {29, 31, 0.37f, 2, 2.0f, false}, {13, 9, 500.0f, 3, 2.0f, true}};
    std::vector<NoisePath> paths = {NoisePath::portable};
    if (avx2Available()) paths.push_back(NoisePath::avx2);
    for (const Case& c : cases) {
        const TextureGenerator g(c.width, c.height, c.scale, c.octaves, 77, c.seamless, true);
        const OctaveJob job{g.permutation.data(), g.width,    g.height, g.scale, g.octaves, 0.6f,
                            c.lacunarity,         g.seamless, true};
        for (NoisePath path : paths) {
            std::vector<float> raw(static_cast<std::size_t>(c.width) * c.height, 0.0f);
            sumOctaves(job, raw.data(), path);
            for (int32_t y = 0; y < c.height; ++y) {
                for (int32_t x = 0; x < c.width; ++x) {
                    const float expected = tilingOctaveSum(g, 0.6f, c.lacunarity, x, y);
                    const float got = raw[static_cast<std::size_t>(y) * c.width + x];
                    ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0)
                        << c.width << "x" << c.height << " scale " << c.scale << " path "
                        << static_cast<int>(path) << " at " << x << "," << y;
                }
            }
        }
        // One period on, the lattice is back at its start: up to the rounding
        // of the position, the value of the first column and row.
        for (int32_t y = 0; y < c.height; ++y) {
            EXPECT_NEAR(tilingOctaveSum(g, 0.6f, c.lacunarity, c.width, y),
                        tilingOctaveSum(g, 0.6f, c.lacunarity, 0, y), 1e-4f);
        }
        for (int32_t x = 0; x < c.width; ++x) {
            EXPECT_NEAR(tilingOctaveSum(g, 0.6f, c.lacunarity, x, c.height),
                        tilingOctaveSum(g, 0.6f, c.lacunarity, x, 0), 1e-4f);
        }
    }
}

// --- Cells ----------------------------------------------------------------------

// Every pixel against every copy of every point within two periods, with the
// copies' coordinates and distances rounded as the search takes them.
FloatField torusCellReference(const FloatField& base, int width, int height, float param,
                              int32_t seed) {
    const std::vector<FeaturePoint> points =
        drawCellPoints(width, height, cellPointCount(width, height, param), seed);
    const float maxDist = cellMaxDist(width, height);
    FloatField out(fieldSize(width, height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float f1 = maxDist, f2 = maxDist;
            for (const FeaturePoint& p : points) {
                for (int j = -2; j <= 2; ++j) {
                    for (int i = -2; i <= 2; ++i) {
                        const float qx = static_cast<float>(static_cast<double>(p.x) +
                                                            i * static_cast<double>(width));
                        const float qy = static_cast<float>(static_cast<double>(p.y) +
                                                            j * static_cast<double>(height));
                        const float dx = static_cast<float>(x) - qx;
                        const float dy = static_cast<float>(y) - qy;
                        const float d = fsqrt(dx * dx + dy * dy);
                        if (d < f1) {
                            f2 = f1;
                            f1 = d;
                        } else if (d < f2) {
                            f2 = d;
                        }
                    }
                }
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            const float e = clamp((f2 - f1) / param * 2.0f, 0.0f, 1.0f);
            out[i] = clamp((1.0f - e) * 0.8f + base[i] * 0.2f, 0.0f, 1.0f);
        }
    }
    return out;
}

TEST(TilingCells, EqualTheNearestTwoAmongAllCopiesOfThePoints) {
    struct Case {
        int width, height;
        float param;
    } cases[] = {{37, 23, 3.0f}, {64, 48, 5.5f}, {50, 20, 40.0f}, {9, 61, 2.0f}};
    for (const Case& c : cases) {
        FloatField base(fieldSize(c.width, c.height));
        for (std::size_t i = 0; i < base.size(); ++i) base[i] = static_cast<float>(i % 7) / 7.0f;
        const FloatField expected = torusCellReference(base, c.width, c.height, c.param, 9);
        const FloatField got = generateTiledCellPattern(base, c.width, c.height, c.param, 9);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i], expected[i]) << c.width << "x" << c.height << " at " << i;
        }
    }
}

// --- Layouts that alternate -------------------------------------------------------

// The columns where a row of an overlay holds `value`.
std::vector<int> columnsHolding(const FloatField& f, int width, int y, float value) {
    std::vector<int> xs;
    for (int x = 0; x < width; ++x) {
        if (f[static_cast<std::size_t>(y) * width + x] == value) xs.push_back(x);
    }
    return xs;
}

void expectWholeBricksInBond(int width, int height, float brickWidth, float brickHeight);

TEST(TilingLayouts, BricksLayWholeBricksAndKeepTheBondAcrossTheTopEdge) {
    for (auto [width, height, brickWidth, brickHeight] :
         {std::tuple{640, 384, 90.0f, 37.0f}, std::tuple{512, 512, 96.0f, 40.0f}}) {
        expectWholeBricksInBond(width, height, brickWidth, brickHeight);
    }
}

// Course count: 384 / 37 = 10.4 gives 10, 512 / 40 = 12.8 gives 12 (not 13,
// which would put two unshifted courses side by side across the edge).
void expectWholeBricksInBond(int width, int height, float brickWidth, float brickHeight) {
    const FloatField bricks = generateTiledBricks(width, height, brickWidth, brickHeight);
    const int courses = evenPeriods(height, brickHeight);
    ASSERT_EQ(courses % 2, 0);
    const int columns = wholePeriods(width, brickWidth);
    std::vector<std::vector<int>> joints;
    for (int k = 0; k < courses; ++k) {
        const int y = (2 * k + 1) * height / (2 * courses);  // the middle of course k
        joints.push_back(columnsHolding(bricks, width, y, 0.3f));
        EXPECT_FALSE(joints.back().empty());
    }
    for (int k = 0; k < courses; ++k) {
        const int next = (k + 1) % courses;  // the last course's neighbour is the first
        EXPECT_NE(joints[k], joints[next]) << "courses " << k << " and " << next << " line up";
        EXPECT_EQ(joints[k], joints[(k + 2) % courses]) << "course " << k;
    }
    // Even courses: a joint at each side edge, one per brick in all.
    EXPECT_EQ(joints[0].front(), 0);
    EXPECT_EQ(joints[0].back(), width - 1);
    int starts = 0;
    for (std::size_t i = 1; i < joints[0].size(); ++i)
        starts += joints[0][i] != joints[0][i - 1] + 1;
    EXPECT_EQ(starts, columns);  // columns - 1 inside, and the edge joint's right half
    // The joints across the top and bottom edge: mortar rows on both sides.
    EXPECT_EQ(columnsHolding(bricks, width, 0, 0.3f).size(), static_cast<std::size_t>(width));
    EXPECT_EQ(columnsHolding(bricks, width, height - 1, 0.3f).size(),
              static_cast<std::size_t>(width));
}

// Rows of discs alternate across the top edge too: the first row's discs sit
// on the columns, the last row's between them. On a flat base a disc's
// centre is its brightest pixel.
TEST(TilingLayouts, DiscRowsStayStaggeredAcrossTheTopEdge) {
    for (auto [width, height, param] : {std::tuple{640, 384, 33.0f}, std::tuple{512, 512, 40.0f}}) {
        const FloatField flat(fieldSize(width, height), 0.5f);
        const FloatField discs = generateTiledDiscPattern(flat, width, height, param);
        const int rows = evenPeriods(height, param * 0.7f);
        const int columns = wholePeriods(width, param);
        ASSERT_EQ(rows % 2, 0);
        const float step = static_cast<float>(width) / static_cast<float>(columns);
        for (int row : {0, rows - 1}) {
            const int y = static_cast<int>(std::lround(row * static_cast<double>(height) / rows));
            int brightest = 0;
            for (int x = 0; x < static_cast<int>(step); ++x) {
                if (discs[static_cast<std::size_t>(y) * width + x] >
                    discs[static_cast<std::size_t>(y) * width + brightest]) {
                    brightest = x;
                }
            }
            const float expected = row % 2 == 0 ? 0.0f : step / 2.0f;
            // The brightest pixels of a disc are clamped to 1 within a
            // tenth of its radius: the first of them is that near the centre.
            EXPECT_NEAR(brightest, expected, 0.1f * step / 2.0f + 1.0f) << width << " row " << row;
        }
    }
}

// Strokes that leave the image paint on from the opposite edge: more pixels
// than the same strokes clipped, and every clipped pixel away from the left
// and top edges as well (there a side sample of a step just outside lands
// one pixel further in when clipping truncates, where tiling floors).
TEST(TilingStrokes, DrawnScratchesAndBrushedStrokesPaintMoreThanClippedOnes) {
    const int width = 200, height = 150;
    const FloatField tiled = generateTiledScratches(width, height, 80, 3);
    const FloatField clipped = generateScratches(width, height, 80, 3);
    auto painted = [](const FloatField& f, float above) {
        int n = 0;
        for (float v : f) n += v > above ? 1 : 0;
        return n;
    };
    EXPECT_GT(painted(tiled, 0.0f), painted(clipped, 0.0f) + 500);
    for (int y = 2; y < height; ++y) {
        for (int x = 2; x < width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            if (clipped[i] > 0.0f) {
                ASSERT_GE(tiled[i], clipped[i]) << x << "," << y;
            }
        }
    }
    const FloatField flat(fieldSize(width, height), 0.0f);
    const float base = 0.55f + 0.02f;  // the plate plus the ripple's reach
    const FloatField brushedTiled =
        generateTiledBrushedScratchesPattern(flat, width, height, 300.0f, 3);
    const FloatField brushedClipped =
        generateBrushedScratchesPattern(flat, width, height, 300.0f, 3);
    EXPECT_GT(painted(brushedTiled, base), painted(brushedClipped, base) + 500);
}

// A lattice pattern on a flat base looks the same one lattice step on, also
// where that step leads across an edge: the mean |difference| between each
// pixel and the pixel one step (dx, dy) on, rounded to whole pixels and taken
// modulo the size, for the steps that wrap against those that stay inside.
// Rounding the step costs about the same inside as across, so across may
// exceed inside only a little; a lattice that does not fit the image (a cut knot row,
// a shear that does not come round) makes across far larger.
struct StepMismatch {
    double inside = 0.0;
    double across = 0.0;
};

StepMismatch latticeStepMismatch(const FloatField& f, int width, int height, double dx, double dy) {
    double sums[2] = {0.0, 0.0};
    long counts[2] = {0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const long tx = std::lround(x + dx);
            const long ty = std::lround(y + dy);
            const int wraps = tx >= width || ty >= height ? 1 : 0;
            const float a = f[static_cast<std::size_t>(y) * width + x];
            const float b = f[static_cast<std::size_t>(wrapIndex(ty, height)) * width +
                              static_cast<std::size_t>(wrapIndex(tx, width))];
            sums[wraps] += std::fabs(a - b);
            ++counts[wraps];
        }
    }
    return {sums[0] / static_cast<double>(std::max(counts[0], 1L)),
            sums[1] / static_cast<double>(std::max(counts[1], 1L))};
}

TEST(TilingLayouts, LatticesContinueWithTheSameStepAcrossTheEdges) {
    for (auto [width, height] : {std::pair{512, 512}, std::pair{640, 384}, std::pair{1000, 600}}) {
        const FloatField flat(fieldSize(width, height), 0.5f);
        const double w = width, h = height;
        const struct {
            const char* name;
            FloatField field;
            double steps[2][2];
        } lattices[] = {
            {"diamonds",
             generateTiledDiamondPattern(flat, width, height, 41.0f),
             {{w / wholePeriods(width, 41.0f), 0.0},
              {std::round(h * 0.5 / (w / wholePeriods(width, 41.0f))) *
                   (w / wholePeriods(width, 41.0f)) / wholePeriods(height, 41.0f),
               h / wholePeriods(height, 41.0f)}}},
            {"discs",
             generateTiledDiscPattern(flat, width, height, 33.0f),
             {{w / wholePeriods(width, 33.0f), 0.0},
              {w / wholePeriods(width, 33.0f) / 2.0, h / evenPeriods(height, 33.0f * 0.7f)}}},
            {"egg crate",
             generateTiledEggCratePattern(flat, width, height, 7.0f),
             {{w / wholePeriods(width, 7.0f * kHalfTurn), 0.0},
              {0.0, h / wholePeriods(height, 7.0f * kHalfTurn)}}},
            {"bricks",
             generateTiledBricks(width, height, 90.0f, 37.0f),
             {{w / wholePeriods(width, 90.0f), 0.0},
              {w / wholePeriods(width, 90.0f) / 2.0, h / evenPeriods(height, 37.0f)}}},
        };
        for (const auto& lattice : lattices) {
            for (const auto& step : lattice.steps) {
                const StepMismatch m =
                    latticeStepMismatch(lattice.field, width, height, step[0], step[1]);
                EXPECT_LE(m.across, 1.5 * m.inside + 0.004)
                    << lattice.name << " at " << width << " x " << height << ", step (" << step[0]
                    << ", " << step[1] << "): inside " << m.inside;
            }
        }
    }
}

// The knots (dark dips on the smooth bands) of a row through their centres
// are evenly spaced all the way round, also from the last to the first.
TEST(TilingLayouts, KnotsStayEvenlySpacedAcrossTheSideEdge) {
    for (auto [width, height] : {std::pair{512, 512}, std::pair{640, 384}, std::pair{1000, 600}}) {
        const FloatField flat(fieldSize(width, height), 0.5f);
        const FloatField knots = generateTiledKnotPattern(flat, width, height, 16.0f);
        const double rowStep = static_cast<double>(height) / wholePeriods(height, 80.0f);
        const int y = static_cast<int>(std::lround(rowStep / 2.0));
        const float* row = knots.data() + static_cast<std::size_t>(y) * width;
        // A knot (radius 8) dips 0.2 below the row ten pixels either side;
        // the slow wave and the bands change far less over that distance.
        auto at = [&](int x) { return row[(x % width + width) % width]; };
        std::vector<int> centres;
        for (int x = 0; x < width; ++x) {
            const float v = row[x];
            if (v < std::min(at(x - 10), at(x + 10)) - 0.1f && v < at(x - 1) && v <= at(x + 1)) {
                centres.push_back(x);
            }
        }
        ASSERT_EQ(static_cast<int>(centres.size()), wholePeriods(width, 48.0f)) << width;
        int shortest = width, longest = 0;
        for (std::size_t i = 0; i < centres.size(); ++i) {
            const int next = i + 1 < centres.size() ? centres[i + 1] : centres[0] + width;
            shortest = std::min(shortest, next - centres[i]);
            longest = std::max(longest, next - centres[i]);
        }
        EXPECT_LE(longest - shortest, 2) << width << " x " << height;
    }
}

TEST(TilingLayouts, PlanksCrossingTheSideEdgesAreOneBoardAndCoursesAlternate) {
    const int width = 1000, height = 600;
    for (bool grain : {false, true}) {
        const FloatField planks = generateTiledPlanks(width, height, 230.0f, 5, grain);
        const int courses = evenPeriods(height, 46.0f);
        for (int k = 0; k < courses; ++k) {
            const int y = (2 * k + 1) * height / (2 * courses);
            const std::size_t row = static_cast<std::size_t>(y) * width;
            const bool seamAtEdge = planks[row] == 0.6f;
            // Even courses start a board at the edge; odd ones run a board
            // across it, whose two ends agree (grain varies only with y).
            EXPECT_EQ(seamAtEdge, k % 2 == 0) << "course " << k << (grain ? " grain" : "");
            if (k % 2 != 0 && !grain) {
                EXPECT_EQ(planks[row], planks[row + width - 1]) << k;
            }
        }
        EXPECT_EQ(courses % 2, 0);
    }
}

TEST(TilingLayouts, CheckerSquaresAlternateAcrossBothEdges) {
    for (auto [width, height, param] : {std::tuple{640, 384, 37.0f}, std::tuple{1000, 600, 41.0f},
                                        std::tuple{512, 512, 300.0f}}) {
        const FloatField checker = generateTiledCheckerPattern(width, height, param);
        for (int y = 0; y < height; y += 7) {
            const std::size_t row = static_cast<std::size_t>(y) * width;
            EXPECT_NE(checker[row], checker[row + width - 1]) << width << " row " << y;
        }
        for (int x = 0; x < width; x += 7) {
            EXPECT_NE(checker[x], checker[static_cast<std::size_t>(height - 1) * width + x])
                << width << " column " << x;
        }
    }
}

}  // namespace
}  // namespace proctex

namespace proctex {
namespace {

// --- Strokes ----------------------------------------------------------------------

// The painted columns of row y, from x0 going right and wrapping.
int paintedRunFrom(const FloatField& f, int width, int y, int x0) {
    int run = 0;
    while (run < width && f[static_cast<std::size_t>(y) * width + (x0 + run) % width] > 0.0f) ++run;
    return run;
}

TEST(TilingStrokes, ScratchesAndBrushedStrokesGoOnFromTheOppositeEdge) {
    const int width = 64, height = 40;
    // Horizontal strokes starting 10.5 pixels before the right edge, and a
    // vertical one 5.5 pixels above the bottom edge. Steps shorter than a
    // pixel cover every column from floor(x0) to floor(x0 + last step):
    // 53 to 103 for the scratch (last step 49.8), 53 to 93 for the brushed
    // stroke (39.5).
    FloatField scratches(fieldSize(width, height));
    paintWrappedScratch(scratches, width, height, {53.5f, 5.5f, 0.0f, 50.0f, 0.9f});
    EXPECT_EQ(paintedRunFrom(scratches, width, 5, 53), 51);
    FloatField brushed(fieldSize(width, height));
    applyWrappedBrushedScratch(brushed, width, height, 53.5f, 20.5f, 0.0f, 40.0f, 0.1f);
    EXPECT_EQ(paintedRunFrom(brushed, width, 20, 53), 41);

    FloatField down(fieldSize(width, height));
    applyWrappedBrushedScratch(down, width, height, 7.5f, 34.5f, 1.5707964f, 20.0f, 0.1f);
    for (int y : {34, 39, 0, 5, 12})
        EXPECT_GT(down[static_cast<std::size_t>(y) * width + 7], 0.0f) << y;
    // A stroke starting just left of the image lands in the last column.
    FloatField left(fieldSize(width, height));
    paintWrappedScratch(left, width, height, {-0.5f, 10.5f, 0.0f, 0.2f, 0.9f});
    EXPECT_EQ(left[10 * width + width - 1], 0.6f);
    EXPECT_EQ(left[10 * width + 0], 0.0f);
}

}  // namespace
}  // namespace proctex
