// Every overlay kind in one row: its code, names, starting values, rules and
// functions. The overlay stage and the option table's choices read this
// list, so a new kind is its file and one row here.
#pragma once

#include <proctex.h>

#include <cstdint>
#include <span>
#include <string>

#include "core/field.h"
#include "core/numeric.h"
#include "core/pieces.h"
#include "overlays/overlays.h"

namespace proctex {

// What an overlay function is given: overlayParam and overlayStrength as the
// caller set them (in units), and the pixels per unit to size them with.
struct OverlayInput {
    int width;
    int height;
    float param;
    float strength;
    int32_t seed;
    bool seamless;  // the call's seamless == 1
    bool tiled;     // the call's tileable == 1: the overlay wraps at the edges
    float unit;     // pixels per unit (1 in pixels)
    bool onTile;    // counts are meant per tile
};

struct OverlayKind {
    int32_t code;         // PROCTEX_OVERLAY_*
    const char* name;     // the choice's name and label
    const char* summary;  // one line: what it looks like
    float startParam;     // starting values that read clearly at 512 x 512
    float startStrength;
    // Why the parameters cannot make a field (a sentence naming the member),
    // empty when they can; null when every value will do.
    std::string (*problem)(const OverlayInput&);
    // The depth field (the tiling form when input.tiled) and the weight it is
    // blended into the relief with.
    FloatField (*carve)(const OverlayInput&);
    float (*blendWeight)(const OverlayInput&);
    PieceField (*pieces)(const OverlayInput&);  // null: no pieces
};

std::string veinsProblem(const OverlayInput& input);
std::string bricksProblem(const OverlayInput& input);
std::string planksProblem(const OverlayInput& input);

// Strength 0 would hide veins and scratches and is refused for bricks;
// planks take 1 for their wood grain.
// clang-format off
inline constexpr OverlayKind kOverlayKinds[] = {
    {PROCTEX_OVERLAY_VEINS, "veins", "marble veins from bent sines", 16.0f, 0.6f, veinsProblem,
     [](const OverlayInput& in) {
         const float scale = in.param * in.unit;
         return in.tiled ? generateTiledVeins(in.width, in.height, scale, in.seed, in.seamless,
                                              in.unit)
                         : generateVeins(in.width, in.height, scale, in.seed, in.seamless,
                                         in.unit);
     },
     [](const OverlayInput& in) { return in.strength; }, nullptr},
    // Strength is the bricks' height.
    {PROCTEX_OVERLAY_BRICKS, "bricks", "a running bond of bricks in mortar", 96.0f, 40.0f,
     bricksProblem,
     [](const OverlayInput& in) {
         const float width = in.param * in.unit, height = in.strength * in.unit;
         return in.tiled ? generateTiledBricks(in.width, in.height, width, height, in.unit)
                         : generateBricks(in.width, in.height, width, height, in.unit);
     },
     [](const OverlayInput&) { return 1.0f; },
     [](const OverlayInput& in) {
         return brickPieces(in.width, in.height, in.param * in.unit, in.strength * in.unit,
                            in.unit, in.tiled);
     }},
    // Strength only chooses the grain; NaN and 0.5 give plain planks.
    {PROCTEX_OVERLAY_PLANKS, "planks", "staggered planks, with grain above strength 0.5", 256.0f,
     1.0f, planksProblem,
     [](const OverlayInput& in) {
         const bool grain = in.strength > 0.5f;
         const float length = in.param * in.unit;
         return in.tiled ? generateTiledPlanks(in.width, in.height, length, in.seed, grain, in.unit)
                         : generatePlanks(in.width, in.height, length, in.seed, grain, in.unit);
     },
     [](const OverlayInput&) { return 1.0f; },
     [](const OverlayInput& in) {
         return plankPieces(in.width, in.height, in.param * in.unit, in.unit, in.tiled);
     }},
    // Scratches take every count.
    {PROCTEX_OVERLAY_SCRATCHES, "scratches", "straight tapered scratches", 60.0f, 0.6f, nullptr,
     [](const OverlayInput& in) {
         // On the tile the count is per square tile of the image's width.
         const float perImage =
             in.onTile ? in.param * (static_cast<float>(in.height) / static_cast<float>(in.width))
                       : in.param;
         const int32_t count = truncToInt32(perImage);
         return in.tiled ? generateTiledScratches(in.width, in.height, count, in.seed, in.unit)
                         : generateScratches(in.width, in.height, count, in.seed, in.unit);
     },
     [](const OverlayInput& in) { return in.strength; }, nullptr},
};
// clang-format on

constexpr std::span<const OverlayKind> overlayKinds() {
    return kOverlayKinds;
}

// The row of a code; null for none and every unlisted code.
constexpr const OverlayKind* findOverlayKind(int32_t code) {
    for (const OverlayKind& kind : kOverlayKinds) {
        if (kind.code == code) return &kind;
    }
    return nullptr;
}

}  // namespace proctex
