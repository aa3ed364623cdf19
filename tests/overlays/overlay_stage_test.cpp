// The overlay stage through the exported call: rejected parameters, the blend
// strengths and parameter conversions of each overlay, determinism.
#include "overlays/overlay_stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/field_ops.h"
#include "material/quantize.h"
#include "noise/texture_generator.h"
#include "overlays/overlays.h"
#include "test_support.h"

namespace proctex {
namespace {

using test::Call;
using test::TempDir;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// A grey (materialType 1) call so the diffuse image is the height field itself.
Call greyCall(int overlayType, float overlayParam, float overlayStrength) {
    Call c;
    c.width = 160;
    c.height = 120;
    c.scale = 32.0f;
    c.materialType = 1;
    c.overlayType = overlayType;
    c.overlayParam = overlayParam;
    c.overlayStrength = overlayStrength;
    c.seed = 1234;
    return c;
}

// The base field of a call, as the pipeline builds it.
FloatField baseField(const Call& c) {
    const TextureGenerator generator(c.width, c.height, c.scale, c.octaves, c.seed,
                                     c.seamless == 1);
    return c.baseType == 1 ? generator.generateSingleOctaveBase()
                           : generator.generateFractalBase(c.persistence, c.lacunarity);
}

// Runs the call and checks that its grey diffuse image is `expected`.
void expectDiffuse(const Call& c, const FloatField& expected, const std::string& what) {
    TempDir dir;
    ASSERT_EQ(c.run(dir / "t.png"), 1) << what;
    const test::Image image = test::readPng(dir / "t_diff.png");
    ASSERT_EQ(image.channels, 1);
    ASSERT_EQ(image.width, c.width);
    ASSERT_EQ(image.height, c.height);
    int mismatches = 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * c.width + x;
            if (image.at(x, y) != quantize(expected[i]) && ++mismatches <= 3) {
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is "
                              << int(image.at(x, y)) << ", expected " << int(quantize(expected[i]));
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << what;
}

FloatField blended(const Call& c, const FloatField& overlay, float strength) {
    FloatField f = baseField(c);
    blendOverlay(f, overlay, strength);
    return f;
}

// ---- rejected parameters --------------------------------------------------

void expectRejected(const Call& c, const std::string& what) {
    TempDir dir;
    EXPECT_EQ(c.run(dir / "t.png"), 0) << what;
    EXPECT_TRUE(test::listFiles(dir.path()).empty()) << what << " wrote files";
}

TEST(OverlayStage, DegenerateParametersReturnZeroAndWriteNothing) {
    for (float p : {0.0f, -0.0f, kNaN, kInf, -kInf}) {
        expectRejected(greyCall(1, p, 0.5f), "veins scale " + std::to_string(p));
    }
    for (float p : {0.0f, -0.0f, kNaN, kInf, -kInf}) {
        expectRejected(greyCall(2, p, 32.0f), "brick width " + std::to_string(p));
        expectRejected(greyCall(2, 64.0f, p), "brick height " + std::to_string(p));
    }
    for (float p : {0.0f, -0.0f, -1.0f, -100.0f, kNaN, kInf, -kInf,
                    -std::numeric_limits<float>::denorm_min()}) {
        expectRejected(greyCall(3, p, 0.0f), "plank length " + std::to_string(p));
        expectRejected(greyCall(3, p, 1.0f), "plank length (grain) " + std::to_string(p));
    }
}

TEST(OverlayStage, UsabilityRules) {
    auto usable = [](int32_t type, float param, float strength) {
        return overlayRequestIsUsable(OverlayRequest{type, param, strength, 0, false, false});
    };
    EXPECT_TRUE(usable(1, -3.0f, kNaN));  // negative scale mirrors; strength not checked
    EXPECT_TRUE(usable(1, 1e-30f, 1.0f));
    EXPECT_TRUE(usable(2, -64.0f, -32.0f));  // all mortar, but defined
    EXPECT_TRUE(usable(2, 1.0f, 1.0f));
    EXPECT_TRUE(usable(3, std::numeric_limits<float>::denorm_min(), 0.0f));
    EXPECT_TRUE(usable(3, 100.0f, kNaN));
    for (float p : {0.0f, -5.0f, kNaN, kInf, -kInf, 1e10f}) {
        EXPECT_TRUE(usable(4, p, 1.0f)) << p;  // scratches: every count is fine
    }
    // Parameters of other types are never read.
    for (int32_t type : {0, 5, -1, 13, std::numeric_limits<int32_t>::min()}) {
        EXPECT_TRUE(usable(type, 0.0f, 0.0f)) << type;
        EXPECT_TRUE(usable(type, kNaN, kNaN)) << type;
    }
    EXPECT_FALSE(usable(1, 0.0f, 1.0f));
    EXPECT_FALSE(usable(2, 64.0f, 0.0f));
    EXPECT_FALSE(usable(3, -1.0f, 1.0f));
}

TEST(OverlayStage, OtherOverlayTypesIgnoreTheirParameters) {
    const Call none = greyCall(0, 0.0f, 0.0f);
    for (int type : {0, 5, -1}) {
        Call c = greyCall(type, 0.0f, kNaN);
        expectDiffuse(c, baseField(none), "type " + std::to_string(type));
    }
}

// ---- blend strengths and conversions --------------------------------------

TEST(OverlayStage, VeinsBlendWithOverlayStrength) {
    const Call c = greyCall(1, 12.0f, 0.7f);
    expectDiffuse(c, blended(c, generateVeins(c.width, c.height, 12.0f, c.seed, false), 0.7f),
                  "veins");
    // A negative scale is accepted.
    const Call m = greyCall(1, -12.0f, 0.4f);
    expectDiffuse(m, blended(m, generateVeins(m.width, m.height, -12.0f, m.seed, false), 0.4f),
                  "veins, negative scale");
}

TEST(OverlayStage, VeinsSeamlessOnlyForExactlyOne) {
    for (int seamless : {1, 2}) {
        Call c = greyCall(1, 12.0f, 0.7f);
        c.seamless = seamless;
        expectDiffuse(
            c, blended(c, generateVeins(c.width, c.height, 12.0f, c.seed, seamless == 1), 0.7f),
            "veins, seamless " + std::to_string(seamless));
    }
}

TEST(OverlayStage, BricksReadStrengthAsHeightAndBlendAtOne) {
    const Call c = greyCall(2, 40.0f, 20.0f);
    expectDiffuse(c, blended(c, generateBricks(c.width, c.height, 40.0f, 20.0f), 1.0f), "bricks");
    const Call odd = greyCall(2, 33.0f, 0.3f);  // a "strength" of 0.3: all mortar
    expectDiffuse(odd, blended(odd, generateBricks(odd.width, odd.height, 33.0f, 0.3f), 1.0f),
                  "bricks, low height");
}

TEST(OverlayStage, PlanksDetailSwitchAndBlendAtOne) {
    struct Case {
        float strength;
        bool grain;
    };
    for (const Case k : {Case{0.5f, false}, Case{0.6f, true}, Case{0.51f, true}, Case{0.0f, false},
                         Case{kNaN, false}, Case{-1.0f, false}, Case{5.0f, true}}) {
        const Call c = greyCall(3, 64.0f, k.strength);
        expectDiffuse(c,
                      blended(c, generatePlanks(c.width, c.height, 64.0f, c.seed, k.grain), 1.0f),
                      "planks, strength " + std::to_string(k.strength));
    }
    // The two modes differ.
    TempDir dir;
    ASSERT_EQ(greyCall(3, 64.0f, 0.5f).run(dir / "plain.png"), 1);
    ASSERT_EQ(greyCall(3, 64.0f, 0.51f).run(dir / "grain.png"), 1);
    EXPECT_NE(test::readBytes(dir / "plain_diff.png"), test::readBytes(dir / "grain_diff.png"));
}

TEST(OverlayStage, PlanksWithWrappingSeeds) {
    for (int32_t seed : {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max() - 6999}) {
        Call c = greyCall(3, 50.0f, 0.9f);
        c.seed = seed;
        expectDiffuse(c, blended(c, generatePlanks(c.width, c.height, 50.0f, seed, true), 1.0f),
                      "planks, seed " + std::to_string(seed));
    }
}

TEST(OverlayStage, ScratchCountTruncatesAndStrengthBlends) {
    const Call c = greyCall(4, 2.9f, 0.8f);
    expectDiffuse(c, blended(c, generateScratches(c.width, c.height, 2, c.seed), 0.8f),
                  "scratches 2.9");
    // 2.9 and 2.0 give the same files; 3.0 another.
    TempDir dir;
    ASSERT_EQ(greyCall(4, 2.9f, 0.8f).run(dir / "a.png"), 1);
    ASSERT_EQ(greyCall(4, 2.0f, 0.8f).run(dir / "b.png"), 1);
    ASSERT_EQ(greyCall(4, 3.0f, 0.8f).run(dir / "c.png"), 1);
    EXPECT_EQ(test::readBytes(dir / "a_diff.png"), test::readBytes(dir / "b_diff.png"));
    EXPECT_NE(test::readBytes(dir / "a_diff.png"), test::readBytes(dir / "c_diff.png"));
}

TEST(OverlayStage, ScratchCountBelowOneDrawsNothing) {
    for (float p : {-0.5f, 0.0f, 0.99f, -3.0f, kNaN}) {
        const Call c = greyCall(4, p, 1.0f);
        expectDiffuse(c, baseField(c), "scratches " + std::to_string(p));
    }
}

TEST(OverlayStage, EveryOverlayIsDeterministic) {
    const Call calls[] = {greyCall(1, 15.0f, 0.6f), greyCall(2, 48.0f, 24.0f),
                          greyCall(3, 80.0f, 0.4f), greyCall(3, 80.0f, 0.9f),
                          greyCall(4, 6.0f, 0.9f)};
    for (Call c : calls) {
        c.materialType = 3;  // coloured diffuse as well
        TempDir dir;
        ASSERT_EQ(c.run(dir / "a.png"), 1);
        ASSERT_EQ(c.run(dir / "b.png"), 1);
        for (const char* suffix :
             {"_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png"}) {
            EXPECT_EQ(test::readBytes(dir / (std::string("a") + suffix)),
                      test::readBytes(dir / (std::string("b") + suffix)))
                << "overlay " << c.overlayType << " " << suffix;
        }
    }
}

}  // namespace
}  // namespace proctex
