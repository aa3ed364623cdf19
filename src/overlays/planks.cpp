// Planks overlay: staggered planks with seams and a random depth per plank.
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/random.h"
#include "core/tiling.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

constexpr float kSeamWidth = 2.0f;
constexpr float kSeam = 0.6f;

// What the pixels of one course share: per column x whether it is a seam
// (lx < 2) and, if not, which plank it belongs to. lx, col and the plank draws
// depend only on x and the course, never on y.
struct Course {
    int32_t row = 0;
    bool built = false;
    std::vector<int32_t> plankOf;  // index into draws, or -1 for a seam column
    std::vector<PlankDraws> draws;
};

void buildCourse(Course& course, int32_t row, int width, float plankLength, int32_t seed,
                 bool withGrain, float seamWidth) {
    course.row = row;
    course.built = true;
    course.plankOf.assign(static_cast<std::size_t>(width), -1);
    course.draws.clear();

    const float shift = static_cast<float>(row % 2) * (plankLength * 0.5f);
    int32_t lastCol = 0;
    for (int x = 0; x < width; ++x) {
        const float px = static_cast<float>(x) + shift;
        const float lx = ffmod(px, plankLength);
        if (lx < seamWidth) continue;
        const int32_t col = truncToInt32(px / plankLength);
        // Columns only grow along x, so a plank's pixels follow each other;
        // a repeated draw would still give the same values.
        if (course.draws.empty() || col != lastCol) {
            course.draws.push_back(drawPlank(plankSeed(seed, row, col), withGrain));
            lastCol = col;
        }
        course.plankOf[static_cast<std::size_t>(x)] = static_cast<int32_t>(course.draws.size()) - 1;
    }
}

// The tiling layout: `columns` boards across and `courses` courses down, in
// periods of the image (i x count / extent, exact in integers); odd courses
// shifted by half a board.
struct TiledLayout {
    int32_t columns;
    int32_t courses;
    float boardLength;   // width / columns
    float courseHeight;  // height / courses
    float seamWidth;
};

// The grain's private noise at `unit` pixels per unit: its cells and its
// finest layer keep their sizes on the tile.
FloatField grainField(int width, int height, int32_t seed, float unit, bool tiling) {
    const TextureGenerator grainNoise(width, height, 50.0f * unit, sampledOctaves(3, 2.0f, unit),
                                      wrappingAdd(seed, 7000), false, tiling);
    return grainNoise.generateFractalBase(0.5f, 2.0f);
}

float periodsAt(int i, int32_t count, int extent) {
    return static_cast<float>(static_cast<int64_t>(i) * count) / static_cast<float>(extent);
}

// As buildCourse, with the board that crosses the side edges one board: its
// column past the last is column 0 again.
void buildTiledCourse(Course& course, int32_t row, int width, const TiledLayout& layout,
                      int32_t seed, bool withGrain) {
    course.row = row;
    course.built = true;
    course.plankOf.assign(static_cast<std::size_t>(width), -1);
    course.draws.clear();
    const float shift = row % 2 != 0 ? 0.5f : 0.0f;
    int32_t lastCol = -1;
    for (int x = 0; x < width; ++x) {
        const float u = periodsAt(x, layout.columns, width) + shift;
        const float start = ffloor(u);
        if ((u - start) * layout.boardLength < layout.seamWidth) continue;
        int32_t col = truncToInt32(start);
        if (col >= layout.columns) col -= layout.columns;
        if (col != lastCol) {
            course.draws.push_back(drawPlank(plankSeed(seed, row, col), withGrain));
            lastCol = col;
        }
        course.plankOf[static_cast<std::size_t>(x)] = static_cast<int32_t>(course.draws.size()) - 1;
    }
}

}  // namespace

int32_t plankSeed(int32_t seed, int32_t row, int32_t col) {
    return wrappingAdd(wrappingAdd(seed, wrappingMul(row, 1000)), col);
}

PlankDraws drawPlank(int32_t plankSeed, bool withGrain) {
    Engine plankRng = makeEngine(plankSeed);
    PlankDraws draws;
    if (withGrain) {
        const UniformReal grainOffset(0.0f, 100.0f);
        const UniformReal colorShift(-0.1f, 0.1f);
        draws.grainOffset = grainOffset(plankRng);
        draws.colorShift = colorShift(plankRng);
    } else {
        const UniformReal plankColor(0.0f, 0.3f);
        draws.plankColor = plankColor(plankRng);
    }
    return draws;
}

FloatField generatePlanks(int width, int height, float plankLength, int32_t seed, bool withGrain,
                          float unit) {
    const float plankWidth = plankLength / 5.0f;
    const float seamWidth = kSeamWidth * unit;
    // The ripple sin((ly + g) / 3) in units.
    const float ripple = 3.0f * unit;

    FloatField grainData;
    if (withGrain) grainData = grainField(width, height, seed, unit, false);

    FloatField overlay(fieldSize(width, height));
    Course course;
    std::vector<float> wave;  // sin((ly + g) / 3) * 0.15 per plank of the course
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        const float ly = ffmod(static_cast<float>(y), plankWidth);
        if (ly < seamWidth) {
            for (int x = 0; x < width; ++x) overlay[rowStart + x] = kSeam;
            continue;
        }
        const int32_t row = truncToInt32(static_cast<float>(y) / plankWidth);
        if (!course.built || course.row != row) {
            buildCourse(course, row, width, plankLength, seed, withGrain, seamWidth);
        }
        if (!withGrain) {
            for (int x = 0; x < width; ++x) {
                const int32_t plank = course.plankOf[static_cast<std::size_t>(x)];
                overlay[rowStart + x] =
                    plank < 0 ? kSeam : course.draws[static_cast<std::size_t>(plank)].plankColor;
            }
            continue;
        }
        // The grain wave depends only on ly and the plank's g: one sine per
        // plank and pixel row instead of one per pixel.
        wave.resize(course.draws.size());
        for (std::size_t p = 0; p < wave.size(); ++p) {
            wave[p] = fsin((ly + course.draws[p].grainOffset * unit) / ripple) * 0.15f;
        }
        for (int x = 0; x < width; ++x) {
            const std::size_t i = rowStart + x;
            const int32_t plank = course.plankOf[static_cast<std::size_t>(x)];
            if (plank < 0) {
                overlay[i] = kSeam;
                continue;
            }
            const auto p = static_cast<std::size_t>(plank);
            overlay[i] = grainData[i] * 0.2f + wave[p] + course.draws[p].colorShift;
        }
    }
    return overlay;
}

FloatField generateTiledPlanks(int width, int height, float plankLength, int32_t seed,
                               bool withGrain, float unit) {
    TiledLayout layout;
    layout.columns = wholePeriods(width, plankLength);
    layout.courses = evenPeriods(height, plankLength / 5.0f);
    layout.boardLength = static_cast<float>(width) / static_cast<float>(layout.columns);
    layout.courseHeight = static_cast<float>(height) / static_cast<float>(layout.courses);
    layout.seamWidth = kSeamWidth * unit;
    const float ripple = 3.0f * unit;

    FloatField grainData;
    if (withGrain) grainData = grainField(width, height, seed, unit, true);

    FloatField overlay(fieldSize(width, height));
    Course course;
    std::vector<float> wave;
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        const float v = periodsAt(y, layout.courses, height);
        const float start = ffloor(v);
        // The grain restarts with every course, which ends where the next begins.
        const float ly = (v - start) * layout.courseHeight;
        if (ly < layout.seamWidth) {
            for (int x = 0; x < width; ++x) overlay[rowStart + x] = kSeam;
            continue;
        }
        const int32_t row = truncToInt32(start);
        if (!course.built || course.row != row) {
            buildTiledCourse(course, row, width, layout, seed, withGrain);
        }
        wave.resize(course.draws.size());
        for (std::size_t p = 0; p < wave.size(); ++p) {
            wave[p] =
                withGrain ? fsin((ly + course.draws[p].grainOffset * unit) / ripple) * 0.15f : 0.0f;
        }
        for (int x = 0; x < width; ++x) {
            const std::size_t i = rowStart + x;
            const int32_t plank = course.plankOf[static_cast<std::size_t>(x)];
            if (plank < 0) {
                overlay[i] = kSeam;
                continue;
            }
            const PlankDraws& draws = course.draws[static_cast<std::size_t>(plank)];
            overlay[i] = withGrain ? grainData[i] * 0.2f + wave[static_cast<std::size_t>(plank)] +
                                         draws.colorShift
                                   : draws.plankColor;
        }
    }
    return overlay;
}

PieceField plankPieces(int width, int height, float plankLength, float unit, bool tiled) {
    PieceField pieces;
    pieces.id.resize(fieldSize(width, height));
    pieces.joint.resize(fieldSize(width, height));
    const float seamWidth = kSeamWidth * unit;
    const float plankWidth = plankLength / 5.0f;
    TiledLayout layout{};
    if (tiled) {
        layout.columns = wholePeriods(width, plankLength);
        layout.courses = evenPeriods(height, plankWidth);
        layout.boardLength = static_cast<float>(width) / static_cast<float>(layout.columns);
        layout.courseHeight = static_cast<float>(height) / static_cast<float>(layout.courses);
        layout.seamWidth = seamWidth;
    }
    for (int y = 0; y < height; ++y) {
        int32_t row = 0;
        bool seam = false;
        if (tiled) {
            const float v = periodsAt(y, layout.courses, height);
            row = truncToInt32(ffloor(v));
            seam = (v - ffloor(v)) * layout.courseHeight < seamWidth;
        } else {
            row = truncToInt32(static_cast<float>(y) / plankWidth);
            seam = ffmod(static_cast<float>(y), plankWidth) < seamWidth;
        }
        for (int x = 0; x < width; ++x) {
            // The board and its seam as the courses above find them; the
            // board that crosses the side edges is one board.
            int32_t column = 0;
            bool joint = seam;
            if (tiled) {
                const float u = periodsAt(x, layout.columns, width) + (row % 2 != 0 ? 0.5f : 0.0f);
                column = truncToInt32(ffloor(u)) % layout.columns;
                joint = joint || (u - ffloor(u)) * layout.boardLength < seamWidth;
            } else {
                const float px =
                    static_cast<float>(x) + static_cast<float>(row % 2) * (plankLength * 0.5f);
                column = truncToInt32(px / plankLength);
                joint = joint || ffmod(px, plankLength) < seamWidth;
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            pieces.joint[i] = joint ? 1 : 0;
            pieces.id[i] = static_cast<uint32_t>(row) * 65536u + static_cast<uint32_t>(column);
        }
    }
    return pieces;
}

}  // namespace proctex
