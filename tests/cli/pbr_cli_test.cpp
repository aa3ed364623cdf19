// The PBR maps through the tool: validate, the engines' names, the switch
// back to GenerateTexture's maps, and the caller's own colours.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_run.h"
#include "options.h"
#include "presets.h"
#include "test_support.h"

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
        "--pbr false --tileable false --width 40 --height 30 --invert 1 --normal-strength -3 "
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

}  // namespace
}  // namespace proctex
