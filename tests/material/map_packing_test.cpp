#include "material/map_packing.h"

#include <gtest/gtest.h>

#include <vector>

namespace proctex {
namespace {

TEST(MapPacking, FlipGreenInvertsOnlyGreenAlsoInPlace) {
    std::vector<uint8_t> normal = {10, 0, 200, 128, 255, 1, 7, 127, 9};
    const std::vector<uint8_t> expected = {10, 255, 200, 128, 0, 1, 7, 128, 9};
    std::vector<uint8_t> out(9);
    flipGreen(normal.data(), 3, out.data());
    EXPECT_EQ(out, expected);
    flipGreen(normal.data(), 3, normal.data());
    EXPECT_EQ(normal, expected);
}

TEST(MapPacking, OrmTakesMapsOrTheirConstants) {
    const std::vector<uint8_t> ao = {1, 2}, rough = {3, 4}, metal = {5, 6};
    std::vector<uint8_t> rgb(6);
    packOrm(ao.data(), rough.data(), metal.data(), 2, 90, 91, 92, rgb.data());
    EXPECT_EQ(rgb, (std::vector<uint8_t>{1, 3, 5, 2, 4, 6}));
    packOrm(nullptr, rough.data(), nullptr, 2, 255, 91, 0, rgb.data());
    EXPECT_EQ(rgb, (std::vector<uint8_t>{255, 3, 0, 255, 4, 0}));
    packOrm(ao.data(), nullptr, metal.data(), 2, 90, 128, 92, rgb.data());
    EXPECT_EQ(rgb, (std::vector<uint8_t>{1, 128, 5, 2, 128, 6}));
}

}  // namespace
}  // namespace proctex
