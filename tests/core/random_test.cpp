#include "core/random.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>
#include <string>

#include "core/numeric.h"

namespace proctex {
namespace {

TEST(UniformReal, UsesTheTop24BitsOfOneEngineOutput) {
    // MT19937's first output for its default seed 5489 is 3499211612.
    Engine engine = makeEngine(5489);
    const float canonical = static_cast<float>(3499211612u >> 8) / 16777216.0f;
    EXPECT_EQ(UniformReal(0.0f, 1.0f)(engine), canonical);

    // One output per draw: the second draw comes from the second output.
    Engine reference = makeEngine(5489);
    reference();
    const float second = static_cast<float>(reference() >> 8) / 16777216.0f;
    EXPECT_EQ(UniformReal(0.0f, 1.0f)(engine), second);
}

TEST(UniformReal, ScalesAsDifferenceProductSum) {
    Engine a = makeEngine(7);
    Engine b = makeEngine(7);
    const float canonical = UniformReal(0.0f, 1.0f)(a);
    EXPECT_EQ(UniformReal(-3.0f, 5.0f)(b), canonical * (5.0f - -3.0f) + -3.0f);
}

TEST(UniformReal, EqualBoundsAreAllowedAndReversedBoundsThrow) {
    Engine engine = makeEngine(1);
    EXPECT_EQ(UniformReal(2.0f, 2.0f)(engine), 2.0f);
    try {
        UniformReal(1.0f, 0.0f);
        FAIL() << "expected std::invalid_argument";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()), "invalid min and max arguments for uniform_real");
    }
}

TEST(UniformReal, StaysBelowTheUpperBound) {
    Engine engine = makeEngine(3);
    const UniformReal dist(0.0f, 1.0f);
    for (int i = 0; i < 100000; ++i) {
        const float v = dist(engine);
        ASSERT_GE(v, 0.0f);
        ASSERT_LT(v, 1.0f);
    }
}

TEST(DrawIndex, StaysInRangeAndAcceptsEveryDrawForPowersOfTwo) {
    Engine engine = makeEngine(11);
    for (uint32_t bound = 0; bound < 300; ++bound) EXPECT_LE(drawIndex(engine, bound), bound);

    // n = 4 divides 2^32 evenly: each draw consumes exactly one output.
    Engine drawn = makeEngine(5);
    Engine raw = makeEngine(5);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(drawIndex(drawn, 3), raw() % 4);
}

TEST(Numeric, TruncationTowardZeroWithDefinedEdges) {
    const int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(truncToInt32(1.9f), 1);
    EXPECT_EQ(truncToInt32(-1.9f), -1);
    EXPECT_EQ(truncToInt32(2147483520.0f), 2147483520);  // largest float below 2^31
    EXPECT_EQ(truncToInt32(-2147483648.0f), kMin);
    EXPECT_EQ(truncToInt32(2147483648.0f), kMin);
    EXPECT_EQ(truncToInt32(-3e9f), kMin);
    EXPECT_EQ(truncToInt32(std::numeric_limits<float>::quiet_NaN()), kMin);
    EXPECT_EQ(truncToInt32(std::numeric_limits<float>::infinity()), kMin);
}

TEST(Numeric, SeedSumsWrapAround) {
    EXPECT_EQ(wrappingAdd(std::numeric_limits<int32_t>::max(), 500),
              std::numeric_limits<int32_t>::min() + 499);
    EXPECT_EQ(wrappingAdd(-1, 1), 0);
    EXPECT_EQ(wrappingMul(65536, 65536), 0);
}

}  // namespace
}  // namespace proctex
