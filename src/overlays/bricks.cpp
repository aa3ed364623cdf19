// Bricks overlay: sunken mortar joints of a running-bond layout.
#include <array>
#include <vector>

#include "core/fmath.h"
#include "core/numeric.h"
#include "overlays/overlays.h"

namespace proctex {

namespace {

constexpr float kMortarWidth = 3.0f;
constexpr float kMortar = 0.3f;

}  // namespace

FloatField generateBricks(int width, int height, float brickWidth, float brickHeight) {
    FloatField overlay(fieldSize(width, height));

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
                    lx < kMortarWidth || lx > brickWidth - kMortarWidth;
            }
        }
        return mortar;
    };

    for (int y = 0; y < height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * width;
        const float ly = ffmod(static_cast<float>(y), brickHeight);
        if (ly < kMortarWidth || ly > brickHeight - kMortarWidth) {
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

}  // namespace proctex
