// The PBR maps through the tool: validate, the engines' names, the switch
// back to GenerateTexture's maps, and the caller's own colours.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "cli_run.h"
#include "image.h"
#include "options.h"
#include "presets.h"
#include "test_support.h"
#include "validate.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::CliRun;
using test::runCli;
using test::TempDir;

TEST(CliPbr, ValidatePassesEveryPresetAndFailsTheOldMetallic) {
    TempDir dir;
    for (const cli::Preset& p : cli::presets()) {
        const std::string out = (dir / (std::string(p.name) + ".png")).string();
        ASSERT_EQ(
            runCli("--preset " + std::string(p.name) + " --width 160 --height 160 --ao " + out)
                .exitCode,
            0)
            << p.name;
        const CliRun check = runCli("validate " + out);
        EXPECT_EQ(check.exitCode, 0) << p.name << "\n" << check.output;
        EXPECT_NE(check.output.find("occlusion"), std::string::npos) << check.output;
    }
    // GenerateTexture's metallic, half of one minus the height, is neither
    // metal nor not over the whole stone.
    const std::string old = (dir / "old.png").string();
    ASSERT_EQ(runCli("--preset granite --pbr false --width 160 --height 160 " + old).exitCode, 0);
    const CliRun check = runCli("validate " + old);
    EXPECT_EQ(check.exitCode, 1) << check.output;
    EXPECT_NE(check.output.find("metallic   FAIL"), std::string::npos) << check.output;
    EXPECT_NE(check.output.find("diffuse    ok"), std::string::npos) << check.output;
    // A map of another size fails too.
    ASSERT_EQ(runCli("--width 80 --height 80 " + (dir / "small.png").string()).exitCode, 0);
    fs::copy_file(dir / "small_rough.png", dir / "old_rough.png",
                  fs::copy_options::overwrite_existing);
    EXPECT_NE(runCli("validate " + old).output.find("roughness  FAIL"), std::string::npos);
    EXPECT_EQ(runCli("validate " + (dir / "none.png").string()).exitCode, 1);
}

// --pbr false is GenerateTexture, byte for byte, for the same arguments.
TEST(CliPbr, PbrFalseWritesGenerateTexturesFiles) {
    TempDir dir;
    test::Call call;
    call.width = 40;
    call.height = 30;
    call.invert = 1;
    call.normalStrength = -3.0f;
    ASSERT_EQ(call.run(dir / "gt.png"), 1);
    const CliRun run = runCli(
        "--pbr false --tileable false --units pixels --width 40 --height 30 --invert 1 --normal-strength -3 "
        "--scale " +
        std::to_string(call.scale) + " --octaves " + std::to_string(call.octaves) + " --seed " +
        std::to_string(call.seed) + " --persistence " + std::to_string(call.persistence) +
        " --contrast " + std::to_string(call.contrast) + " --material " +
        std::to_string(call.materialType) + " " + (dir / "cli.png").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const char* suffix : {"_diff.png", "_nmap.png", "_spec.png", "_rough.png", "_metal.png"}) {
        EXPECT_EQ(test::readBytes(dir / ("cli" + std::string(suffix))),
                  test::readBytes(dir / ("gt" + std::string(suffix))))
            << suffix;
    }
}

// Each engine's set under its names only; Unity's and HDRP's packings hold
// smoothness in alpha.
TEST(CliPbr, NamingWritesEachEnginesSetOnce) {
    TempDir dir;
    const CliRun unity = runCli("--preset rusted-plate --width 32 --height 24 --naming unity " +
                                (dir / "u.png").string());
    ASSERT_EQ(unity.exitCode, 0) << unity.output;
    const test::Image packed = test::readPng(dir / "u_MetallicSmoothness.png");
    const test::Image rough = test::readPng(dir / "u_rough.png");
    ASSERT_EQ(packed.channels, 4);
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_EQ(packed.at(x, y, 3), 255 - rough.at(x, y)) << x;
    }
    EXPECT_TRUE(fs::exists(dir / "u_Albedo.png"));
    EXPECT_FALSE(fs::exists(dir / "u_diff.png"));  // renamed, not copied
    EXPECT_FALSE(fs::exists(dir / "u_metal_smooth.png"));
    EXPECT_EQ(unity.output.find("u_diff.png"), std::string::npos) << unity.output;

    const CliRun hdrp = runCli("--preset lava --width 32 --height 24 --naming hdrp --gltf " +
                               (dir / "h.png").string());
    ASSERT_EQ(hdrp.exitCode, 0) << hdrp.output;
    EXPECT_EQ(test::readPng(dir / "h_MaskMap.png").channels, 4);
    EXPECT_TRUE(fs::exists(dir / "h_Emission.png"));
    // The .gltf names our files, which therefore stay beside the copies.
    EXPECT_TRUE(fs::exists(dir / "h_diff.png"));
    EXPECT_TRUE(fs::exists(dir / "h_emissive.png"));
    EXPECT_FALSE(fs::exists(dir / "h_mask.png"));
}

TEST(CliPbr, ColorsMakeACustomRampAndAreCheckedWhenRead) {
    TempDir dir;
    const std::string out = (dir / "r.png").string();
    const CliRun run = runCli(
        "--octaves 0 --contrast 1 --colors \"#ff0000@0.25, #0000ff@0.75\" --width 8 "
        "--height 8 --sidecar " +
        out);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const test::Image diffuse = test::readPng(dir / "r_diff.png");
    // A flat relief at 0.5: halfway between the stops, in dielectric range.
    EXPECT_EQ(diffuse.at(3, 3, 0), diffuse.at(3, 3, 2));
    EXPECT_GT(diffuse.at(3, 3, 0), diffuse.at(3, 3, 1) + 60);
    // The record reads back as the same material.
    const CliRun again =
        runCli("--from " + (dir / "r.json").string() + " " + (dir / "again.png").string());
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(test::readBytes(dir / "again_diff.png"), test::readBytes(dir / "r_diff.png"));

    for (const char* bad : {"#ff0000", "#ff00zz@0.5", "#ff0000@0.8,#00ff00@0.2", "#ff0000@1.5"}) {
        const CliRun refused = runCli(std::string("--colors \"") + bad + "\" " + out);
        EXPECT_EQ(refused.exitCode, 2) << bad;
        EXPECT_NE(refused.output.find("colour stop"), std::string::npos) << refused.output;
    }
}

using namespace cli;

// Sets made to fail: each fault fails the set on its own, whatever the
// other maps say.
void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

MapVerdict verdictOf(const std::string& base, const std::string& map) {
    for (const MapVerdict& v : validateSet(base)) {
        if (v.map == map) return v;
    }
    return {map, base, true, "no verdict"};
}

void putBigEndian(std::string& bytes, std::size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

void putCrc(std::string& png, std::size_t type, std::size_t end) {
    putBigEndian(png, end,
                 static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(&png[type]),
                                             static_cast<uInt>(end - type))));
}

TEST(Validate, DielectricAndMetalPixelsEachFailTheDiffuse) {
    test::TempDir dir;
    // Left half dielectric (metallic 0), right half metal (255).
    auto passes = [&](uint8_t dielectric, uint8_t metal) {
        Image diffuse(8, 8, {dielectric, dielectric, dielectric}), metallic(8, 8, {});
        for (int i = 0; i < 32; ++i) {
            diffuse.set(4 + i % 4, i / 4, {metal, metal, metal});
            metallic.set(4 + i % 4, i / 4, {255, 255, 255});
        }
        write(dir / "m_diff.png", encodePng(diffuse));
        write(dir / "m_metal.png", encodePng(metallic));
        return verdictOf((dir / "m.png").string(), "diffuse").ok;
    };
    EXPECT_TRUE(passes(120, 220));
    EXPECT_FALSE(passes(10, 220));
    EXPECT_FALSE(passes(120, 60));
}

TEST(Validate, AHugeSizeInTheHeaderIsRefusedBeforeTheData) {
    test::TempDir dir;
    // A 1x1 PNG whose header claims 20000 x 15000: 900 MB as RGB, which a
    // PNG reader sets aside before it finds the data short.
    std::string png = encodePng(Image(1, 1, {}));
    putBigEndian(png, 16, 20000);
    putBigEndian(png, 20, 15000);
    putCrc(png, 12, 29);
    write(dir / "h_diff.png", png);
    const MapVerdict diffuse = verdictOf((dir / "h.png").string(), "diffuse");
    EXPECT_FALSE(diffuse.ok);
    EXPECT_NE(diffuse.detail.find("20000x15000 is more than"), std::string::npos) << diffuse.detail;
}

TEST(Validate, AWrongCrcOrAdlerFailsTheMapItIsIn) {
    test::TempDir dir;
    Options o;
    o.width = o.height = 64;
    o.output = (dir / "s.png").string();
    ASSERT_TRUE(generate(o).ok);
    for (const MapVerdict& v : validateSet(o.output))
        EXPECT_TRUE(v.ok) << v.map << ": " << v.detail;

    const std::string file = mapPath(o.output, PROCTEX_MAP_METALLIC);
    const std::vector<uint8_t> kept = test::readBytes(file);
    for (const bool adler : {false, true}) {
        std::string png(kept.begin(), kept.end());
        const std::size_t end = png.size() - 16;  // the last IDAT's CRC; IEND follows
        if (adler) {
            png[end - 1] = static_cast<char>(png[end - 1] ^ 1);
            putCrc(png, png.rfind("IDAT"), end);
        } else {
            png[end + 3] = static_cast<char>(png[end + 3] ^ 1);
        }
        write(file, png);
        const MapVerdict metallic = verdictOf(o.output, "metallic");
        EXPECT_FALSE(metallic.ok) << adler;
        EXPECT_NE(metallic.detail.find(adler ? "Adler-32" : "CRC"), std::string::npos)
            << metallic.detail;
        EXPECT_TRUE(verdictOf(o.output, "diffuse").ok);
    }
}

}  // namespace
}  // namespace proctex
