// Whatever the host passes, the call returns 0 or 1 and writes only its own files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <set>

#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::TempDir;

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// The files a call may write for the stem "x".
bool onlyDerivedFiles(const fs::path& dir) {
    const std::set<std::string> allowed = {"x_diff.png", "x_nmap.png", "x_spec.png", "x_rough.png",
                                           "x_metal.png"};
    for (const std::string& name : test::listFiles(dir)) {
        if (!allowed.count(name)) return false;
    }
    return true;
}

TEST(BadArguments, EveryFloatArgumentNaNOrInfinite) {
    float Call::*floats[] = {&Call::scale,        &Call::persistence,  &Call::lacunarity,
                             &Call::patternParam, &Call::overlayParam, &Call::overlayStrength,
                             &Call::contrast,     &Call::brightness,   &Call::normalStrength,
                             &Call::roughness};
    int index = 0;
    for (float Call::*member : floats) {
        for (float value : {kNaN, kInf, -kInf, 0.0f, -1.0f, 3e38f}) {
            for (int pattern : {0, 2, 6, 7, 8, 9, 10}) {
                for (int overlay : {0, 1, 2, 3, 4}) {
                    TempDir dir;
                    Call call;
                    call.width = 12;
                    call.height = 10;
                    call.patternType = pattern;
                    call.patternParam = 4.0f;
                    call.overlayType = overlay;
                    call.overlayParam = 6.0f;
                    call.overlayStrength = 0.5f;
                    call.*member = value;
                    const int result = call.run(dir / "x.png");
                    ASSERT_TRUE(result == 0 || result == 1) << index;
                    ASSERT_TRUE(onlyDerivedFiles(dir.path())) << index;
                    if (result == 0) continue;
                    ASSERT_TRUE(fs::exists(dir / "x_diff.png"));
                    ASSERT_TRUE(fs::exists(dir / "x_spec.png"));
                }
            }
            ++index;
        }
    }
}

TEST(BadArguments, AnyIntegerSelectorOrFlag) {
    const int values[] = {std::numeric_limits<int>::min(), -1, 0, 1, 2, 13, 1000,
                          std::numeric_limits<int>::max()};
    int Call::*ints[] = {&Call::baseType,    &Call::materialType,   &Call::patternType,
                         &Call::overlayType, &Call::seed,           &Call::invert,
                         &Call::seamless,    &Call::writeRoughness, &Call::writeMetallic};
    for (int Call::*member : ints) {
        for (int value : values) {
            TempDir dir;
            Call call;
            call.width = 9;
            call.height = 7;
            call.patternParam = 4.0f;
            call.overlayParam = 6.0f;
            call.overlayStrength = 3.0f;
            call.*member = value;
            EXPECT_EQ(call.run(dir / "x.png"), 1);
            EXPECT_TRUE(onlyDerivedFiles(dir.path()));
        }
    }
}

TEST(BadArguments, OctavesZeroNegativeAndScaleEdges) {
    TempDir dir;
    for (int octaves : {0, -5, std::numeric_limits<int>::min()}) {
        Call call;
        call.octaves = octaves;
        EXPECT_EQ(call.run(dir / "x.png"), 1);
    }
    Call seamlessLarge;
    seamlessLarge.seamless = 1;
    seamlessLarge.scale = 1000.0f;  // period below one cell
    EXPECT_EQ(seamlessLarge.run(dir / "x.png"), 1);
    Call shrinking;
    shrinking.seamless = 1;
    shrinking.lacunarity = 0.5f;  // the period falls below one cell at a later octave
    EXPECT_EQ(shrinking.run(dir / "x.png"), 1);
    EXPECT_TRUE(onlyDerivedFiles(dir.path()));
}

TEST(BadArguments, PathIsADirectoryOrUnderAFile) {
    TempDir dir;
    fs::create_directory(dir / "folder");
    EXPECT_EQ(Call{}.run(dir / "folder"), 0);
    EXPECT_TRUE(fs::is_empty(dir / "folder"));

    std::ofstream(dir / "file.txt") << "not a directory";
    EXPECT_EQ(Call{}.run(dir / "file.txt" / "x.png"), 0);
    EXPECT_EQ(test::listFiles(dir.path()), (std::vector<std::string>{"file.txt", "folder"}));
}

}  // namespace
}  // namespace proctex
