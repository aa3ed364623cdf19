// Whatever the host passes, the call returns the documented result and writes
// only its own files.
#include <gtest/gtest.h>

#include <cmath>
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

bool finiteNonZero(float v) {
    return std::isfinite(v) && v != 0.0f;
}

// The call's result by the documented rejections: patterns 2, 3, 6 and 8..12
// need a finite non-zero parameter; veins a finite non-zero scale, bricks a
// finite non-zero width and height, planks a finite positive length. Every
// other value of every float argument is used as it is.
int expectedResult(const Call& call) {
    const std::set<int> patternsNeedingParam = {2, 3, 6, 8, 9, 10, 11, 12};
    if (patternsNeedingParam.count(call.patternType) && !finiteNonZero(call.patternParam)) return 0;
    switch (call.overlayType) {
        case 1:
            return finiteNonZero(call.overlayParam) ? 1 : 0;
        case 2:
            return finiteNonZero(call.overlayParam) && finiteNonZero(call.overlayStrength) ? 1 : 0;
        case 3:
            return std::isfinite(call.overlayParam) && call.overlayParam > 0.0f ? 1 : 0;
        default:
            return 1;
    }
}

TEST(BadArguments, EveryFloatArgumentNaNOrInfinite) {
    float Call::*floats[] = {&Call::scale,        &Call::persistence,  &Call::lacunarity,
                             &Call::patternParam, &Call::overlayParam, &Call::overlayStrength,
                             &Call::contrast,     &Call::brightness,   &Call::normalStrength,
                             &Call::roughness};
    const int patterns[] = {0, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    int index = 0;
    int rejected = 0;
    for (float Call::*member : floats) {
        for (float value : {kNaN, kInf, -kInf, 0.0f, -1.0f, 3e38f}) {
            // Rotate through the patterns and overlays so every pair of float
            // argument and stage meets without running the whole product.
            for (int k = 0; k < 4; ++k, ++index) {
                TempDir dir;
                Call call;
                call.width = 12;
                call.height = 10;
                call.patternType = patterns[index % 12];
                call.patternParam = 4.0f;
                call.overlayType = index % 5;
                call.overlayParam = 6.0f;
                call.overlayStrength = 0.5f;
                call.*member = value;
                const int expected = expectedResult(call);
                rejected += 1 - expected;
                ASSERT_EQ(call.run(dir / "x.png"), expected) << index;
                // All five files or, when rejected, none.
                ASSERT_EQ(test::listFiles(dir.path()).size(), expected ? 5u : 0u) << index;
                ASSERT_TRUE(onlyDerivedFiles(dir.path())) << index;
            }
        }
    }
    EXPECT_GT(rejected, 10);  // both outcomes were really met
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

namespace proctex {
namespace {

// Zero and negative parameters for every pattern and overlay: the call either
// rejects them before any work (0, no file) or follows the formulas (1, all files).
TEST(BadArguments, ZeroAndNegativePatternParameters) {
    // Types whose formulas divide by the parameter reject 0; negative values are used.
    const std::set<int> rejectZero = {2, 3, 6, 8, 9, 10, 11, 12};
    for (int type = 2; type <= 12; ++type) {
        for (float param : {0.0f, -0.0f, -3.0f, -1e30f}) {
            TempDir dir;
            Call call;
            call.width = 20;
            call.height = 16;
            call.patternType = type;
            call.patternParam = param;
            const int expected = (param == 0.0f && rejectZero.count(type)) ? 0 : 1;
            EXPECT_EQ(call.run(dir / "x.png"), expected) << type << " " << param;
            EXPECT_EQ(test::listFiles(dir.path()).size(), expected ? 5u : 0u);
        }
    }
}

TEST(BadArguments, ZeroAndNegativeOverlayParameters) {
    struct Case {
        int type;
        float param, strength;
        int expected;
    };
    const Case cases[] = {
        {1, 0.0f, 0.5f, 0}, {1, -12.0f, 0.5f, 1}, {1, 12.0f, 0.0f, 1},  {1, 12.0f, -2.0f, 1},
        {2, 0.0f, 8.0f, 0}, {2, 16.0f, 0.0f, 0},  {2, -16.0f, 8.0f, 1}, {2, 16.0f, -8.0f, 1},
        {3, 0.0f, 0.9f, 0}, {3, -24.0f, 0.9f, 0}, {3, 24.0f, 0.0f, 1},  {3, 24.0f, -1.0f, 1},
        {4, 0.0f, 0.5f, 1}, {4, -5.0f, 0.5f, 1},  {4, 5.0f, 0.0f, 1},   {4, 5.0f, -1.0f, 1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        Call call;
        call.width = 20;
        call.height = 16;
        call.overlayType = c.type;
        call.overlayParam = c.param;
        call.overlayStrength = c.strength;
        EXPECT_EQ(call.run(dir / "x.png"), c.expected)
            << c.type << " " << c.param << " " << c.strength;
        EXPECT_EQ(test::listFiles(dir.path()).size(), c.expected ? 5u : 0u);
    }
}

TEST(BadArguments, AMillionScratchesFinish) {
    TempDir dir;
    Call call;
    call.width = 16;
    call.height = 16;
    call.overlayType = 4;
    call.overlayParam = 1e6f;
    call.overlayStrength = 0.8f;
    EXPECT_EQ(call.run(dir / "x.png"), 1);
    // Every pixel is crossed by some scratch: the carved field differs from the plain one.
    Call plain = call;
    plain.overlayType = 0;
    ASSERT_EQ(plain.run(dir / "plain.png"), 1);
    EXPECT_NE(test::readBytes(dir / "x_diff.png"), test::readBytes(dir / "plain_diff.png"));
}

}  // namespace
}  // namespace proctex

namespace proctex {
namespace {

// A path of exactly `bytes` bytes ending in "/x.png", inside nested folders
// (each name stays below the file system's 255-byte limit).
fs::path pathOfLength(const fs::path& root, std::size_t bytes) {
    fs::path dir = root;
    const std::size_t tail = std::string("/x.png").size();
    while (dir.string().size() + tail < bytes) {
        const std::size_t left = bytes - tail - dir.string().size() - 1;  // minus the '/'
        if (left == 0) break;
        dir /= std::string(std::min<std::size_t>(left, 200), 'd');
    }
    fs::create_directories(dir);
    return dir / "x.png";
}

TEST(BadArguments, PathsOf511And512Bytes) {
    TempDir dir;
    const fs::path fits = pathOfLength(dir.path(), 511);
    ASSERT_EQ(fits.string().size(), 511u);
    EXPECT_EQ(Call{}.run(fits), 1);
    EXPECT_TRUE(fs::exists(fits.parent_path() / "x_metal.png"));

    TempDir other;
    const fs::path tooLong = pathOfLength(other.path(), 512);
    ASSERT_EQ(tooLong.string().size(), 512u);
    EXPECT_EQ(Call{}.run(tooLong), 0);
    EXPECT_TRUE(fs::is_empty(tooLong.parent_path()));
}

}  // namespace
}  // namespace proctex
