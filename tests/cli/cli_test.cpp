// The command-line tool as a user runs it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

struct CliRun {
    int exitCode;
    std::string output;  // stdout and stderr together
};

CliRun runCli(const std::string& arguments) {
    const std::string command = std::string(PROCTEX_CLI_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run{-1, {}};
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(Cli, HelpAndVersion) {
    const CliRun help = runCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    for (const char* option : {"--width", "--pattern-param", "--overlay-strength",
                               "--normal-strength", "--roughness-map", "--metallic-map"}) {
        EXPECT_NE(help.output.find(option), std::string::npos) << option;
    }
    const CliRun version = runCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.output.find("proctex "), std::string::npos);
}

TEST(Cli, WritesAndListsTheFilesLikeTheLibraryCall) {
    TempDir dir;
    const fs::path out = dir / "s.png";
    const CliRun run =
        runCli("--width 40 --height 30 --seed 5 --material 2 --seamless 1 " + out.string());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto names = test::outputNames(dir.path(), "s");
    for (const fs::path& p :
         {names.diffuse, names.normal, names.specular, names.roughness, names.metallic}) {
        EXPECT_NE(run.output.find(p.string()), std::string::npos) << p;
    }

    // The options reach the call unchanged.
    test::Call call;
    call.width = 40;
    call.height = 30;
    call.seed = 5;
    call.materialType = 2;
    call.seamless = 1;
    call.baseType = 0;
    call.scale = 96.0f;
    call.octaves = 7;
    call.persistence = 0.55f;
    call.contrast = 1.2f;
    call.normalStrength = 6.0f;
    ASSERT_EQ(call.run(dir / "direct.png"), 1);
    EXPECT_EQ(test::readBytes(names.diffuse),
              test::readBytes(test::outputNames(dir.path(), "direct").diffuse));
    EXPECT_EQ(test::readBytes(names.normal),
              test::readBytes(test::outputNames(dir.path(), "direct").normal));
}

TEST(Cli, ExplainsFailures) {
    TempDir dir;
    const CliRun missing = runCli((dir / "nowhere" / "x.png").string());
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_NE(missing.output.find("does not exist"), std::string::npos) << missing.output;

    const CliRun size = runCli("--width 0 " + (dir / "x.png").string());
    EXPECT_NE(size.exitCode, 0);
    EXPECT_NE(size.output.find("positive"), std::string::npos) << size.output;

    const CliRun noOutput = runCli("--width 8");
    EXPECT_NE(noOutput.exitCode, 0);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

}  // namespace
}  // namespace proctex
