// The studio's building blocks: the zip it exports, the 16-bit height PNG,
// the layers' shrunk masks, the token, the bounded render store and the Host names it answers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "quick_png.h"
#include "render.h"
#include "routes.h"
#include "store.h"
#include "token.h"
#include "zip.h"

namespace proctex::cli::studio {
namespace {

std::filesystem::path tempFile(const std::string& name) {
    return std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name);
}

// Python's zipfile reads the archive back: its CRC check and every entry.
TEST(StudioZip, PythonReadsEveryEntryBack) {
    std::string binary;
    for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 7919) & 0xFF);
    const std::vector<ZipEntry> entries = {
        {"a_diff.png", binary}, {"empty.txt", ""}, {"a.json", "{\"seed\": 1}\n"}};
    const auto path = tempFile("studio.zip");
    {
        std::ofstream out(path, std::ios::binary);
        const std::string zip = zipArchive(entries);
        out.write(zip.data(), static_cast<std::streamsize>(zip.size()));
    }
    const std::string script =
        "import sys, zipfile, hashlib\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "assert z.testzip() is None\n"
        "for i in z.infolist(): print(i.filename, i.file_size, "
        "hashlib.sha256(z.read(i)).hexdigest()[:16])\n";
    const auto scriptPath = tempFile("readzip.py");
    std::ofstream(scriptPath) << script;
    const std::string command = "/usr/bin/python3 " + scriptPath.string() + " " + path.string();
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    EXPECT_EQ(pclose(pipe), 0) << output;
    // First 16 hex digits of the SHA-256 of each entry's bytes.
    EXPECT_NE(output.find("a_diff.png 70000 "), std::string::npos) << output;
    EXPECT_NE(output.find("empty.txt 0 e3b0c44298fc1c14"), std::string::npos) << output;
    EXPECT_NE(output.find("a.json 12 "), std::string::npos) << output;
    std::filesystem::remove(path);
    std::filesystem::remove(scriptPath);
}

// The IDAT inflates to filter byte 0 and big-endian samples, row by row.
TEST(StudioPng16, SamplesInflateBackBigEndian) {
    const unsigned short samples[] = {0, 1, 0x1234, 0xFFFF, 300, 0x8000};
    const std::string png = encodeQuickGrey16Png(samples, 3, 2);
    ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    EXPECT_EQ(png[24], '\x10');  // bit depth
    EXPECT_EQ(png[25], '\0');    // grey
    const std::size_t idat = png.find("IDAT");
    ASSERT_NE(idat, std::string::npos);
    const auto length = (static_cast<unsigned char>(png[idat - 2]) << 8) |
                        static_cast<unsigned char>(png[idat - 1]);
    std::vector<Bytef> raw(2 * (1 + 3 * 2));
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize,
                         reinterpret_cast<const Bytef*>(png.data() + idat + 4), length),
              Z_OK);
    const std::vector<Bytef> expected = {0, 0,    0,    0, 1,    0x12, 0x34,
                                         0, 0xFF, 0xFF, 1, 0x2C, 0x80, 0};
    EXPECT_EQ(rawSize, expected.size());
    EXPECT_EQ(std::vector<Bytef>(raw.begin(), raw.begin() + rawSize), expected);
}

// A mask shrinks by a whole factor, each pixel the rounded mean of its block
// (a partial block at the edge the mean of what it has): a joint one pixel
// wide stays in sight, as grey.
TEST(StudioMask, ShrinksToBlockMeans) {
    constexpr int kWidth = 300;
    constexpr int kHeight = 130;
    std::vector<unsigned char> image(kWidth * kHeight, 0);
    for (int x = 0; x < kWidth; ++x) image[129 * kWidth + x] = 90;   // alone in its blocks
    for (int y = 0; y < kHeight; ++y) image[y * kWidth + 31] = 255;  // in block column 10
    const GreyImage small = shrinkGrey(image.data(), kWidth, kHeight, 128);
    ASSERT_EQ(small.width, 100);  // a factor of 3
    ASSERT_EQ(small.height, 44);
    ASSERT_EQ(small.pixels.size(), 100u * 44u);
    const auto at = [&](int x, int y) {
        return small.pixels[static_cast<std::size_t>(y) * 100 + x];
    };
    EXPECT_EQ(at(10, 5), 85);  // 255 / 3
    EXPECT_EQ(at(9, 5), 0);
    EXPECT_EQ(at(0, 43), 90);    // the last row alone
    EXPECT_EQ(at(10, 43), 145);  // (90 + 255 + 90) / 3
    // Within the edge already: kept as it is.
    const GreyImage same = shrinkGrey(image.data(), kWidth, kHeight, kWidth);
    EXPECT_EQ(same.pixels, image);
    EXPECT_EQ(same.width * same.height, kWidth * kHeight);
}

TEST(StudioToken, RandomHexComparedWhole) {
    const std::string a = makeToken();
    const std::string b = makeToken();
    EXPECT_EQ(a.size(), 32u);
    EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(a, b);
    EXPECT_TRUE(sameToken(a, a));
    EXPECT_FALSE(sameToken(b, a));
    EXPECT_FALSE(sameToken(a.substr(0, 31), a));
    EXPECT_FALSE(sameToken(a + "0", a));
    EXPECT_FALSE(sameToken("", ""));  // an empty token never opens anything
}

MapsPtr fakeMaps(int tag) {
    // The store never looks inside; any distinct pointer stands for a render.
    return MapsPtr(reinterpret_cast<const ProctexMaps*>(new int(tag)),
                   [](const ProctexMaps* p) { delete reinterpret_cast<const int*>(p); });
}

TEST(StudioStore, StaleRequestsAndBoundedMemory) {
    RenderStore store(3, 1000, 2);
    EXPECT_TRUE(store.claim("page", 5));
    EXPECT_FALSE(store.claim("page", 4));  // older than the newest: stale
    EXPECT_TRUE(store.isNewest("page", 5));
    EXPECT_TRUE(store.claim("page", 6));
    EXPECT_FALSE(store.isNewest("page", 5));  // overtaken while rendering

    // A page keeps only its latest render.
    const std::uint64_t first = store.keep("page", fakeMaps(1), 10);
    const std::uint64_t second = store.keep("page", fakeMaps(2), 10);
    EXPECT_EQ(store.find(first), nullptr);
    EXPECT_NE(store.find(second), nullptr);
    EXPECT_EQ(store.find(999), nullptr);

    // At most three renders in all, the least recently used dropped.
    const std::uint64_t a = store.keep("a", fakeMaps(3), 10);
    const std::uint64_t b = store.keep("b", fakeMaps(4), 10);
    ASSERT_NE(store.find(second), nullptr);  // now the most recently used
    store.keep("c", fakeMaps(5), 10);
    EXPECT_EQ(store.find(a), nullptr);
    EXPECT_NE(store.find(b), nullptr);
    EXPECT_NE(store.find(second), nullptr);

    // The pixel budget drops the oldest, but never the newest render.
    const std::uint64_t big = store.keep("d", fakeMaps(6), 985);
    EXPECT_NE(store.find(big), nullptr);
    EXPECT_EQ(store.find(b), nullptr);  // the least recently used, to fit 1000
    EXPECT_NE(store.find(second), nullptr);
    const std::uint64_t huge = store.keep("e", fakeMaps(7), 5000);
    EXPECT_NE(store.find(huge), nullptr);
    EXPECT_EQ(store.find(second), nullptr);
    EXPECT_EQ(store.find(big), nullptr);

    // At most two pages remembered: a forgotten page starts afresh.
    EXPECT_TRUE(store.claim("other", 1));
    EXPECT_TRUE(store.claim("third", 1));
    EXPECT_TRUE(store.claim("page", 0));
}

// Every boundary of well-formed UTF-8: the first and last valid sequence of
// each length, and the overlong, surrogate, out-of-range and cut forms.
TEST(StudioUtf8, AcceptsEveryWellFormedFormAndNothingElse) {
    for (const char* good :
         {"", "plain", "\x7f", "\xc2\x80", "\xdf\xbf", "\xe0\xa0\x80", "\xed\x9f\xbf",
          "\xee\x80\x80", "\xef\xbf\xbf", "\xf0\x90\x80\x80", "\xf4\x8f\xbf\xbf", "caf\xc3\xa9"}) {
        EXPECT_TRUE(isUtf8(good)) << good;
    }
    for (const char* bad :
         {"\x80", "\xbf", "\xc0\xaf", "\xc1\xbf", "\xc2", "\xc2\x7f", "\xc2\xc0", "\xe0\x9f\xbf",
          "\xed\xa0\x80", "\xe1\x80", "\xe1\x80\x7f", "\xf0\x8f\xbf\xbf", "\xf4\x90\x80\x80",
          "\xf5\x80\x80\x80", "\xf1\x80\x80\xc0", "\xff", "ok\xfe"}) {
        EXPECT_FALSE(isUtf8(bad)) << bad;
    }
}

TEST(StudioHosts, OnlyLoopbackNamesAndTheChosenAddress) {
    EXPECT_EQ(allowedHosts("127.0.0.1", 8420),
              (std::vector<std::string>{"127.0.0.1:8420", "localhost:8420"}));
    EXPECT_EQ(allowedHosts("::1", 5000),
              (std::vector<std::string>{"127.0.0.1:5000", "localhost:5000", "[::1]:5000"}));
    EXPECT_EQ(allowedHosts("192.168.1.9", 80).size(), 6u);
}

}  // namespace
}  // namespace proctex::cli::studio
