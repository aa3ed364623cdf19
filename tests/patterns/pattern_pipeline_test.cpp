// The pattern stage through the exported call.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"

namespace proctex {
namespace {

using test::Call;
using test::TempDir;

// A usable patternParam for every type.
float usableParam(int type) {
    switch (type) {
        case 4:
        case 5:
            return 2.0f;
        case 7:
            return 40.0f;
        case 9:
        case 11:
            return 6.0f;
        default:
            return 5.0f;
    }
}

TEST(PatternPipeline, ZeroOrNonFiniteParamFailsBeforeAnyWork) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const int type : {2, 3, 6, 8, 9, 10, 11, 12}) {
        for (const float p : {0.0f, -0.0f, nan, inf, -inf}) {
            TempDir dir;
            Call call;
            call.patternType = type;
            call.patternParam = p;
            EXPECT_EQ(call.run(dir / "t.png"), 0) << "type " << type << ", param " << p;
            EXPECT_TRUE(test::listFiles(dir.path()).empty()) << "type " << type;
        }
    }
}

TEST(PatternPipeline, CellSizesAskingForBillionsOfPointsFailBeforeAnyWork) {
    TempDir dir;
    Call call;
    call.width = 64;
    call.height = 64;
    call.patternType = 6;
    call.patternParam = 0.001f;  // 4096 / 2e-6: two billion points
    EXPECT_EQ(call.run(dir / "t.png"), 0);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
    call.patternParam = 0.05f;  // 819200 points: more than pixels, still within the floor
    EXPECT_EQ(call.run(dir / "t.png"), 1);
}

TEST(PatternPipeline, ToneCurvesAndScratchesAcceptAnyParam) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (const int type : {4, 5, 7}) {
        for (const float p : {0.0f, -3.0f, 1e30f, nan}) {
            TempDir dir;
            Call call;
            call.patternType = type;
            call.patternParam = p;
            EXPECT_EQ(call.run(dir / "t.png"), 1) << "type " << type << ", param " << p;
        }
    }
}

TEST(PatternPipeline, EveryPatternReplacesTheBaseFieldDeterministically) {
    TempDir dir;
    Call call;
    call.width = 48;
    call.height = 40;
    ASSERT_EQ(call.run(dir / "base.png"), 1);
    const auto base = test::readBytes(dir / "base_diff.png");
    // Not patterns for GenerateTexture: the base field stays, also for the
    // structures and surfaces (13 up) the settings API draws.
    for (const int type : {1, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 99, -1}) {
        call.patternType = type;
        call.patternParam = 5.0f;
        const std::string stem = std::to_string(type + 1) + "none";
        ASSERT_EQ(call.run(dir / (stem + ".png")), 1);
        EXPECT_EQ(test::readBytes(dir / (stem + "_diff.png")), base) << "type " << type;
    }
    for (int type = 2; type <= 12; ++type) {
        call.patternType = type;
        call.patternParam = usableParam(type);
        const std::string a = std::to_string(type) + "a";
        const std::string b = std::to_string(type) + "b";
        ASSERT_EQ(call.run(dir / (a + ".png")), 1) << "type " << type;
        ASSERT_EQ(call.run(dir / (b + ".png")), 1) << "type " << type;
        const auto diffuse = test::readBytes(dir / (a + "_diff.png"));
        EXPECT_NE(diffuse, base) << "type " << type;
        EXPECT_EQ(diffuse, test::readBytes(dir / (b + "_diff.png"))) << "type " << type;
        EXPECT_EQ(test::readBytes(dir / (a + "_nmap.png")),
                  test::readBytes(dir / (b + "_nmap.png")));
    }
}

TEST(PatternPipeline, CheckerAndLitCellsReachTheGreyDiffuse) {
    TempDir dir;
    Call call;
    call.width = 32;
    call.height = 24;
    call.materialType = 1;  // the grey field itself
    call.patternType = 9;
    call.patternParam = 8.0f;
    ASSERT_EQ(call.run(dir / "checker.png"), 1);
    const test::Image checker = test::readPng(dir / "checker_diff.png");
    ASSERT_EQ(checker.channels, 1);
    for (int y = 0; y < call.height; ++y) {
        for (int x = 0; x < call.width; ++x) {
            EXPECT_EQ(checker.at(x, y), ((x / 8 + y / 8) % 2 == 0) ? 255 : 0) << x << ", " << y;
        }
    }
    // A negative cell size lights every pixel: at least 0.8 of full scale.
    call.patternType = 6;
    call.patternParam = -6.0f;
    ASSERT_EQ(call.run(dir / "cells.png"), 1);
    const test::Image cells = test::readPng(dir / "cells_diff.png");
    for (const uint8_t v : cells.pixels) EXPECT_GE(v, 204);
}

TEST(PatternPipeline, CheckerSkipsTheBaseFieldItWouldReplaceUnread) {
    // The checker takes no input field, so its files do not depend on the base
    // settings; a base of a billion octaves would never finish if it were
    // computed, yet the call writes the same files at once.
    TempDir dir;
    Call call;
    call.patternType = 9;
    call.patternParam = 6.0f;
    ASSERT_EQ(call.run(dir / "few.png"), 1);
    call.octaves = 1 << 30;
    call.scale = 0.0f;
    ASSERT_EQ(call.run(dir / "many.png"), 1);
    for (const char* map : {"_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png"}) {
        EXPECT_EQ(test::readBytes(dir / (std::string("few") + map)),
                  test::readBytes(dir / (std::string("many") + map)))
            << map;
    }
}

TEST(PatternPipeline, CellPatternOnDegenerateSizes) {
    // One-pixel rows and columns, and a single pixel, with the minimum of 10
    // points and with many.
    for (const auto& [w, h] : {std::pair{1, 1}, {1, 300}, {300, 1}, {2, 2}}) {
        for (const float p : {16.0f, 0.5f, -2.0f}) {
            TempDir dir;
            Call call;
            call.width = w;
            call.height = h;
            call.patternType = 6;
            call.patternParam = p;
            EXPECT_EQ(call.run(dir / "c.png"), 1) << w << " x " << h << ", param " << p;
            call.patternType = 8;
            EXPECT_EQ(call.run(dir / "d.png"), 1) << w << " x " << h << ", param " << p;
        }
    }
}

}  // namespace
}  // namespace proctex
