#include "output/file_output.h"

#include <gtest/gtest.h>

#include <vector>

#include "float_png.h"
#include "output/png_writer.h"
#include "test_support.h"

namespace proctex {
namespace {

// Small writes fail only when the buffer is flushed at fclose; large ones
// already in fwrite.
TEST(FileOutput, FullDeviceFailsWhateverTheSize) {
#if defined(_WIN32)
    GTEST_SKIP() << "no /dev/full on Windows";
#endif
    const std::vector<uint8_t> small(16, 7), large(1 << 20, 7);
    EXPECT_FALSE(writeFileBytes("/dev/full", small.data(), small.size()));
    EXPECT_FALSE(writeFileBytes("/dev/full", large.data(), large.size()));
    EXPECT_FALSE(writeGrayPNG(FloatField(4, 0.5f), 2, 2, "/dev/full"));

    test::TempDir dir;
    ASSERT_TRUE(writeFileBytes((dir / "f").string(), large.data(), large.size()));
    EXPECT_EQ(test::readBytes(dir / "f"), large);
}

}  // namespace
}  // namespace proctex
