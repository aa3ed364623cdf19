#include "api/layers.h"

#include <algorithm>
#include <optional>

#include "api/pipeline.h"
#include "core/field_ops.h"
#include "core/fmath.h"
#include "core/numeric.h"
#include "core/pieces.h"
#include "core/resample.h"
#include "material/pbr_maps.h"
#include "material/relief_masks.h"
#include "noise/texture_generator.h"

namespace proctex {

namespace {

// Each layer's noise has a seed of its own, apart from the material's.
constexpr int32_t kLayerSeedStep = 7919;
// Curvature is found at no more than this many pixels per unit: it is
// measured over three units.
constexpr float kMaskPixelsPerUnit = 1.0f;
// A layer's noise is made with at least this many pixels across the cells of
// its finest octave.
constexpr float kNoiseSamplesPerCell = 4.0f;

uint8_t toByte(float v) {
    const float clamped = v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f;  // NaN too
    return static_cast<uint8_t>(truncToInt32(clamped * 255.0f + 0.5f));
}

bool wraps(const ProctexSettings& s) {
    return s.seamless == 1 || tiles(s);
}

// The masks' sources over the image as 0..1 values, each made once, when a
// layer first asks for it.
class MaskSources {
public:
    MaskSources(const FloatField& relief, const ProctexSettings& s) : relief_(relief), s_(s) {}

    // The values of `mask` for layer `layer` (pieces and noise are the layer's own).
    const FloatField& values(int mask, int layer) {
        if (mask == PROCTEX_MASK_NOISE) return noise(layer);
        if (mask == PROCTEX_MASK_PIECES) return piecesOf(layer);
        std::optional<FloatField>& field =
            shapes_[static_cast<std::size_t>(std::clamp(mask, 0, PROCTEX_MASK_NOISE))];
        if (!field) field = shape(mask);
        return *field;
    }

    // The layout's pieces, made before any job that reads them.
    void preparePieces() { (void)pieces(); }

    // A piece's random byte for a layer; 128 without pieces.
    uint8_t pieceValue(std::size_t i, int layer) {
        if (pieces().empty()) return 128;
        return pieceByte(pieces().id[i], layerSeed(layer));
    }

    // The layer's fractal noise, 0..1. Noise whose finest octave spans many
    // pixels is made on a coarser grid and interpolated: the same noise.
    const FloatField& noise(int layer) {
        std::optional<FloatField>& field = noises_[static_cast<std::size_t>(layer)];
        if (field) return *field;
        const ProctexLayer& l = s_.layers[layer];
        const float unit = pixelsPerUnit(s_);
        const int octaves = sampledOctaves(l.noiseOctaves, 2.0f, unit);
        const float finestPixels =
            l.noiseScale * unit / static_cast<float>(1 << std::clamp(octaves - 1, 0, 20));
        const int factor = commonFactor(s_.width, s_.height,
                                        truncToInt32(ffloor(finestPixels / kNoiseSamplesPerCell)));
        const int w = s_.width / factor, h = s_.height / factor;
        const float coarseUnit = unit / static_cast<float>(factor);
        const TextureGenerator generator(
            w, h, l.noiseScale * coarseUnit, sampledOctaves(l.noiseOctaves, 2.0f, coarseUnit),
            wrappingAdd(layerSeed(layer), l.noiseSeed), s_.seamless == 1, tiles(s_));
        FloatField coarse = generator.generateFractalBase(0.5f, 2.0f);
        field = factor == 1 ? std::move(coarse) : bilinearUp(coarse, w, h, factor, wraps(s_));
        return *field;
    }

private:
    int32_t layerSeed(int layer) const {
        return wrappingAdd(s_.seed, wrappingMul(layer + 1, kLayerSeedStep));
    }

    FloatField shape(int mask) {
        FloatField out(relief_.size(), 1.0f);  // all
        auto fill = [&](auto valueAt) {
            for (std::size_t i = 0; i < out.size(); ++i) out[i] = valueAt(i);
        };
        if (mask == PROCTEX_MASK_HEIGHT) {
            fill([&](std::size_t i) { return clamp(relief_[i], 0.0f, 1.0f); });
        } else if (mask == PROCTEX_MASK_CAVITY || mask == PROCTEX_MASK_EDGES) {
            const FloatField curvature = tileCurvature(relief_, s_);
            const float sign = mask == PROCTEX_MASK_CAVITY ? 1.0f : -1.0f;
            fill([&](std::size_t i) { return curvatureShare(curvature[i], sign); });
        } else if (mask == PROCTEX_MASK_SLOPE) {
            const FloatField slope =
                reliefSlope(relief_, s_.width, s_.height, pbrLook(s_).reliefPixels, wraps(s_));
            fill([&](std::size_t i) { return clamp(slope[i], 0.0f, 1.0f); });
        } else if (mask == PROCTEX_MASK_OCCLUSION) {
            const FloatField occlusion = occlusionField(relief_, s_);
            fill([&](std::size_t i) { return 1.0f - occlusion[i]; });
        } else if (mask == PROCTEX_MASK_JOINTS) {
            const PieceField& p = pieces();
            fill([&](std::size_t i) { return p.empty() ? 0.0f : static_cast<float>(p.joint[i]); });
        }
        return out;
    }

    const FloatField& piecesOf(int layer) {
        std::optional<FloatField>& field = pieceValues_[static_cast<std::size_t>(layer)];
        if (!field) {
            field = FloatField(relief_.size());
            for (std::size_t i = 0; i < field->size(); ++i) {
                (*field)[i] = static_cast<float>(pieceValue(i, layer)) / 255.0f;
            }
        }
        return *field;
    }

    const PieceField& pieces() {
        if (!pieces_) pieces_ = materialPieces(s_);
        return *pieces_;
    }

    const FloatField& relief_;
    const ProctexSettings& s_;
    std::optional<FloatField> shapes_[PROCTEX_MASK_NOISE + 1];
    std::optional<PieceField> pieces_;
    std::optional<FloatField> noises_[PROCTEX_MAX_LAYERS];
    std::optional<FloatField> pieceValues_[PROCTEX_MAX_LAYERS];
};

bool usesNoise(const ProctexSettings& s, int k) {
    const ProctexLayer& l = s.layers[k];
    const bool twoColours = !std::equal(l.color, l.color + 3, l.color2) ||
                            s.layerPalette[k] != PROCTEX_LAYER_PALETTE_OWN;
    return l.mask == PROCTEX_MASK_NOISE || l.mask2 == PROCTEX_MASK_NOISE || twoColours ||
           l.detail != 0.0f;
}

// One layer's shares, from sources already made.
LayerCover coverOf(MaskSources& sources, const FloatField& relief, const ProctexSettings& s,
                   int k) {
    const ProctexLayer& l = s.layers[k];
    const std::size_t count = fieldSize(s.width, s.height);
    LayerCover cover;
    cover.layer = l;
    cover.palette = s.layerPalette[k];
    if (cover.palette == PROCTEX_MATERIAL_CUSTOM) cover.stops = rampStops(s);
    cover.share.resize(count);
    const FloatField* noise = usesNoise(s, k) ? &sources.noise(k) : nullptr;
    const bool tinted = l.pieceTint != 0.0f;
    if (noise != nullptr) cover.mix.resize(count);
    if (tinted) cover.piece.resize(count);
    // Metal meets non-metal at a hard edge: a pixel is one or the other,
    // with the colour of what it is, as PBR validators expect.
    const bool hard = (l.metal > 0.5f) != (usesPbr(s) && s.metal > 0.5f);
    const FloatField& first = sources.values(l.mask, k);
    const FloatField* second = l.mask2 != PROCTEX_MASK_NONE ? &sources.values(l.mask2, k) : nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        float share = maskShare(first[i], l.threshold, l.softness, l.invert == 1);
        if (second != nullptr) {
            share = combineShares(
                share, maskShare((*second)[i], l.threshold2, l.softness2, l.invert2 == 1),
                l.combine);
        }
        cover.share[i] = hard ? (share >= 0.5f ? 255 : 0) : toByte(share);
        // The second colour follows the layer's noise and the ground under
        // it, so a patch of rust or moss keeps the grain of the surface.
        if (noise != nullptr) cover.mix[i] = toByte(0.5f * (*noise)[i] + 0.5f * relief[i]);
        if (tinted) cover.piece[i] = sources.pieceValue(i, k);
    }
    return cover;
}

}  // namespace

PieceField materialPieces(const ProctexSettings& s) {
    PieceField pieces = overlayPieces(overlayRequest(s), s.width, s.height);
    if (pieces.empty()) pieces = patternPieces(patternRequest(s), s.width, s.height);
    return pieces;
}

ByteImage curvatureImage(const FloatField& relief, const ProctexSettings& s) {
    const FloatField curvature = tileCurvature(relief, s);
    ByteImage image = makeByteImage(s.width, s.height, 1);
    for (std::size_t i = 0; i < curvature.size(); ++i) {
        image.pixels[i] = toByte(curvatureTone(curvature[i]));
    }
    return image;
}

ByteImage idImage(const ProctexSettings& s, const LayerCovers& covers) {
    const PieceField pieces = materialPieces(s);
    ByteImage image = makeByteImage(s.width, s.height, 3);
    const std::size_t count = fieldSize(s.width, s.height);
    auto paint = [&](std::size_t i, uint32_t id) {
        for (int c = 0; c < 3; ++c) image.pixels[i * 3 + c] = pieceByte(id, s.seed + c);
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (!pieces.empty() && pieces.joint[i] != 0) {
            std::fill_n(image.pixels.get() + i * 3, 3, uint8_t{0});
        } else {
            paint(i, pieces.empty() ? 0u : pieces.id[i]);
        }
    }
    // Layers have ids of their own, beyond any piece's.
    for (std::size_t k = 0; k < covers.size(); ++k) {
        for (std::size_t i = 0; i < count; ++i) {
            if (covers[k].share[i] > 127) paint(i, 0xFFFFFF00u + static_cast<uint32_t>(k));
        }
    }
    return image;
}

bool hasLayers(const ProctexSettings& s) {
    return usesPbr(s) && s.layerCount > 0;
}

FloatField tileCurvature(const FloatField& relief, const ProctexSettings& s) {
    const float unit = pixelsPerUnit(s);
    const int factor =
        commonFactor(s.width, s.height, truncToInt32(ffloor(unit / kMaskPixelsPerUnit)));
    if (factor == 1) return reliefCurvature(relief, s.width, s.height, unit, wraps(s));
    const int w = s.width / factor, h = s.height / factor;
    const FloatField coarse = reliefCurvature(boxDown(relief, s.width, s.height, factor), w, h,
                                              unit / static_cast<float>(factor), wraps(s));
    return bilinearUp(coarse, w, h, factor, wraps(s));
}

LayerCovers buildLayerCovers(const FloatField& relief, const ProctexSettings& s) {
    LayerCovers covers;
    if (!hasLayers(s)) return covers;
    MaskSources sources(relief, s);
    const int count = std::clamp(s.layerCount, 0, PROCTEX_MAX_LAYERS);
    auto usesPieces = [](const ProctexLayer& l) {
        return l.pieceTint != 0.0f || l.mask == PROCTEX_MASK_PIECES ||
               l.mask == PROCTEX_MASK_JOINTS || l.mask2 == PROCTEX_MASK_PIECES ||
               l.mask2 == PROCTEX_MASK_JOINTS;
    };
    // First the sources no other source needs, side by side; then what is
    // made from the pieces; then each layer's shares.
    std::vector<std::function<void()>> jobs;
    bool pieces = false;
    bool shapes[PROCTEX_MASK_NOISE + 1] = {};
    for (int k = 0; k < count; ++k) {
        const ProctexLayer& l = s.layers[k];
        pieces = pieces || usesPieces(l);
        if (usesNoise(s, k)) jobs.emplace_back([&sources, k] { (void)sources.noise(k); });
        for (int mask : {l.mask, l.mask2}) {
            const bool own = mask == PROCTEX_MASK_NOISE || mask == PROCTEX_MASK_PIECES ||
                             mask == PROCTEX_MASK_JOINTS || mask == PROCTEX_MASK_NONE;
            if (own || shapes[mask]) continue;
            shapes[mask] = true;
            jobs.emplace_back([&sources, mask] { (void)sources.values(mask, 0); });
        }
    }
    if (pieces) jobs.emplace_back([&sources] { sources.preparePieces(); });
    runCallJobs(jobs);

    covers.resize(static_cast<std::size_t>(count));
    jobs.clear();
    for (int k = 0; k < count; ++k) {
        const ProctexLayer& l = s.layers[k];
        // Masks made from the pieces, one layer at a time (the jobs share them).
        for (int mask : {l.mask, l.mask2}) {
            if (mask == PROCTEX_MASK_PIECES || mask == PROCTEX_MASK_JOINTS)
                (void)sources.values(mask, k);
        }
        jobs.emplace_back(
            [&, k] { covers[static_cast<std::size_t>(k)] = coverOf(sources, relief, s, k); });
    }
    runCallJobs(jobs);
    return covers;
}

}  // namespace proctex
