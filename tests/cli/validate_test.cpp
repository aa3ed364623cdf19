// `proctex validate` on sets made to fail: each fault must fail the set on
// its own, whatever the other maps say.
#include "validate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image.h"
#include "options.h"
#include "test_support.h"

namespace proctex::cli {
namespace {

namespace fs = std::filesystem;

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

const MapVerdict* verdictOf(const std::vector<MapVerdict>& verdicts, const std::string& map) {
    for (const MapVerdict& v : verdicts) {
        if (v.map == map) return &v;
    }
    return nullptr;
}

uint32_t crc32(const char* data, std::size_t length) {
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < length; ++i) {
        c ^= static_cast<unsigned char>(data[i]);
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
}

void putBigEndian(std::string& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// Half dielectric (metallic 0), half metal (255), with the diffuse given for each.
bool halfMetalPasses(const test::TempDir& dir, uint8_t dielectric, uint8_t metal) {
    Image diffuse(8, 8, {dielectric, dielectric, dielectric});
    Image metallic(8, 8, {});
    for (int y = 0; y < 8; ++y) {
        for (int x = 4; x < 8; ++x) {
            diffuse.set(x, y, {metal, metal, metal});
            metallic.set(x, y, {255, 255, 255});
        }
    }
    writeBytes(dir / "m_diff.png", encodePng(diffuse));
    writeBytes(dir / "m_metal.png", encodePng(metallic));
    const auto verdicts = validateSet((dir / "m.png").string());
    return verdictOf(verdicts, "diffuse")->ok;
}

TEST(Validate, DielectricAndMetalPixelsEachFailTheDiffuse) {
    test::TempDir dir;
    EXPECT_TRUE(halfMetalPasses(dir, 120, 220));
    EXPECT_FALSE(halfMetalPasses(dir, 10, 220));  // the metal half passes
    EXPECT_FALSE(halfMetalPasses(dir, 120, 60));
}

TEST(Validate, AHugeSizeInTheHeaderIsRefusedBeforeTheData) {
    test::TempDir dir;
    // A real 1x1 PNG whose header then claims 20000 x 15000 (900 MB as RGB,
    // which a PNG reader would set aside before finding the data short).
    std::string png = encodePng(Image(1, 1, {}));
    putBigEndian(png, 16, 20000);
    putBigEndian(png, 20, 15000);
    putBigEndian(png, 29, crc32(&png[12], 17));
    writeBytes(dir / "h_diff.png", png);
    const auto verdicts = validateSet((dir / "h.png").string());
    ASSERT_EQ(verdicts.size(), 1u);
    EXPECT_FALSE(verdicts[0].ok);
    EXPECT_NE(verdicts[0].detail.find("20000x15000 is more than"), std::string::npos)
        << verdicts[0].detail;
}

TEST(Validate, AWrongCrcOrAdlerFailsTheMapItIsIn) {
    test::TempDir dir;
    Options o;
    o.width = 64;
    o.height = 64;
    o.output = (dir / "s.png").string();
    ASSERT_TRUE(generate(o).ok);
    for (const MapVerdict& v : validateSet(o.output))
        EXPECT_TRUE(v.ok) << v.map << ": " << v.detail;

    // The last IDAT's CRC, or (with a CRC to match) the Adler-32 before it.
    for (const bool adler : {false, true}) {
        const fs::path file = mapPath(o.output, PROCTEX_MAP_METALLIC);
        const std::vector<uint8_t> kept = test::readBytes(file);
        std::string png(kept.begin(), kept.end());
        const std::size_t type = png.rfind("IDAT");
        ASSERT_NE(type, std::string::npos);
        const std::size_t end = png.size() - 12;  // IEND follows
        if (adler) {
            png[end - 5] = static_cast<char>(png[end - 5] ^ 1);
            putBigEndian(png, end - 4, crc32(&png[type], end - 4 - type));
        } else {
            png[end - 1] = static_cast<char>(png[end - 1] ^ 1);
        }
        writeBytes(file, png);
        const auto verdicts = validateSet(o.output);
        const MapVerdict* metallic = verdictOf(verdicts, "metallic");
        ASSERT_NE(metallic, nullptr);
        EXPECT_FALSE(metallic->ok) << adler;
        EXPECT_NE(metallic->detail.find(adler ? "Adler-32" : "CRC"), std::string::npos)
            << metallic->detail;
        EXPECT_TRUE(verdictOf(verdicts, "diffuse")->ok);
        writeBytes(file, std::string(kept.begin(), kept.end()));
    }
}

}  // namespace
}  // namespace proctex::cli
