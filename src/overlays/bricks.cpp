// Bricks overlay: sunken mortar joints of a running-bond layout.
#include <array>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "core/tiling.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

constexpr float kMortarWidth = 3.0f;
constexpr float kMortar = 0.3f;

}  // namespace

FloatField generateBricks(int width, int height, float brickWidth, float brickHeight, float unit) {
    FloatField overlay(fieldSize(width, height));
    const float mortarWidth = kMortarWidth * unit;

    // The x tests depend only on x and the course shift, which takes one of
    // three values (row % 2 is -1, 0 or 1), so each is evaluated once per x.
    std::array<std::vector<char>, 3> xMortar;
    auto xMortarFor = [&](int32_t parity) -> const std::vector<char>& {
        std::vector<char>& mortar = xMortar[static_cast<std::size_t>(parity + 1)];
        if (mortar.empty()) {
            mortar.resize(static_cast<std::size_t>(width));
            const float shift = static_cast<float>(parity) * (brickWidth * 0.5f);
            for (int x = 0; x < width; ++x) {
                const float lx = ffmod(static_cast<float>(x) + shift, brickWidth);
                mortar[static_cast<std::size_t>(x)] =
                    lx < mortarWidth || lx > brickWidth - mortarWidth;
            }
        }
        return mortar;
    };

    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        const float ly = ffmod(static_cast<float>(y), brickHeight);
        if (ly < mortarWidth || ly > brickHeight - mortarWidth) {
            for (int x = 0; x < width; ++x) overlay[rowStart + x] = kMortar;
            continue;
        }
        const int32_t row = truncToInt32(static_cast<float>(y) / brickHeight);
        const std::vector<char>& mortar = xMortarFor(row % 2);
        for (int x = 0; x < width; ++x) {
            overlay[rowStart + x] = mortar[static_cast<std::size_t>(x)] ? kMortar : 0.0f;
        }
    }
    return overlay;
}

namespace {

// Position of pixel `i` in periods of a layout with `count` periods across
// `extent` pixels: i x count / extent, the product exact in integers, so
// period boundaries that fall on a pixel are met exactly.
float periodsAt(int i, int32_t count, int extent) {
    return static_cast<float>(static_cast<int64_t>(i) * count) / static_cast<float>(extent);
}

// Distance in pixels from the start of the period that `u` (in periods) lies in.
float intoPeriod(float u, float periodPixels) {
    return (u - ffloor(u)) * periodPixels;
}

bool inJoint(float l, float period, float mortarWidth) {
    return l < mortarWidth || l > period - mortarWidth;
}

}  // namespace

FloatField generateTiledBricks(int width, int height, float brickWidth, float brickHeight,
                               float unit) {
    FloatField overlay(fieldSize(width, height));
    const float mortarWidth = kMortarWidth * unit;
    const int32_t columns = wholePeriods(width, brickWidth);
    const int32_t courses = evenPeriods(height, brickHeight);
    const float fittedWidth = static_cast<float>(width) / static_cast<float>(columns);
    const float fittedHeight = static_cast<float>(height) / static_cast<float>(courses);

    // The joints along a course for even and odd courses (shifted by half a brick).
    std::array<std::vector<char>, 2> xMortar;
    for (int parity = 0; parity < 2; ++parity) {
        xMortar[parity].resize(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x) {
            const float u = periodsAt(x, columns, width) + (parity != 0 ? 0.5f : 0.0f);
            xMortar[parity][static_cast<std::size_t>(x)] =
                inJoint(intoPeriod(u, fittedWidth), fittedWidth, mortarWidth);
        }
    }
    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        const float v = periodsAt(y, courses, height);
        if (inJoint(intoPeriod(v, fittedHeight), fittedHeight, mortarWidth)) {
            for (int x = 0; x < width; ++x) overlay[rowStart + x] = kMortar;
            continue;
        }
        const std::vector<char>& mortar = xMortar[truncToInt32(ffloor(v)) % 2];
        for (int x = 0; x < width; ++x) {
            overlay[rowStart + x] = mortar[static_cast<std::size_t>(x)] ? kMortar : 0.0f;
        }
    }
    return overlay;
}

PieceField brickPieces(int width, int height, float brickWidth, float brickHeight, float unit,
                       bool tiled) {
    PieceField pieces;
    pieces.id.resize(fieldSize(width, height));
    pieces.joint.resize(fieldSize(width, height));
    const float mortarWidth = kMortarWidth * unit;
    const int32_t columns = tiled ? wholePeriods(width, brickWidth) : 0;
    const int32_t courses = tiled ? evenPeriods(height, brickHeight) : 0;
    const float fittedWidth = tiled ? static_cast<float>(width) / static_cast<float>(columns) : 0;
    const float fittedHeight = tiled ? static_cast<float>(height) / static_cast<float>(courses) : 0;
    for (int y = 0; y < height; ++y) {
        // The course and whether the row is a joint, as the overlay finds them.
        int32_t course = 0;
        bool rowJoint = false;
        if (tiled) {
            const float v = periodsAt(y, courses, height);
            course = truncToInt32(ffloor(v));
            rowJoint = inJoint(intoPeriod(v, fittedHeight), fittedHeight, mortarWidth);
        } else {
            const float ly = ffmod(static_cast<float>(y), brickHeight);
            course = truncToInt32(static_cast<float>(y) / brickHeight);
            rowJoint = ly < mortarWidth || ly > brickHeight - mortarWidth;
        }
        for (int x = 0; x < width; ++x) {
            int32_t column = 0;
            bool joint = rowJoint;
            if (tiled) {
                const float u = periodsAt(x, columns, width) + (course % 2 != 0 ? 0.5f : 0.0f);
                column = truncToInt32(ffloor(u)) % columns;
                joint = joint || inJoint(intoPeriod(u, fittedWidth), fittedWidth, mortarWidth);
            } else {
                const float px =
                    static_cast<float>(x) + static_cast<float>(course % 2) * (brickWidth * 0.5f);
                const float lx = ffmod(px, brickWidth);
                column = truncToInt32(px / brickWidth);
                joint = joint || lx < mortarWidth || lx > brickWidth - mortarWidth;
            }
            const std::size_t i = static_cast<std::size_t>(y) * width + x;
            pieces.id[i] = static_cast<uint32_t>(course) * 65536u + static_cast<uint32_t>(column);
            pieces.joint[i] = joint ? 1 : 0;
        }
    }
    return pieces;
}

}  // namespace proctex
