// Sidecar records read back with --from: bounded reading, the version named
// when it differs, and each file checked against the record's hash.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_run.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

TEST(Record, FromNamesAnOtherVersionAndChecksEveryFilesHash) {
    TempDir dir;
    const fs::path record = dir / "a.json";
    ASSERT_EQ(runCli("--width 32 --height 32 --sidecar " + (dir / "a.png").string()).exitCode, 0);

    // b's own new record is no file to compare.
    const test::CliRun same =
        runCli("--from " + record.string() + " --sidecar " + (dir / "b.png").string());
    EXPECT_EQ(same.exitCode, 0) << same.output;
    EXPECT_EQ(count(same.output, ": the same as the record's"), 5u) << same.output;
    EXPECT_EQ(count(same.output, "proctex: "), 5u) << same.output;
    EXPECT_EQ(same.output.find("written by"), std::string::npos) << same.output;

    // Another version's record with one hash changed: both are named.
    nlohmann::json text = nlohmann::json::parse(std::ifstream(record));
    text["proctex"] = "0.0.1";
    text["files"][2]["sha256"] = std::string(64, '0');
    std::ofstream(record) << text.dump(2);
    const test::CliRun other = runCli("--from " + record.string() + " " + (dir / "c.png").string());
    EXPECT_EQ(other.exitCode, 0) << other.output;
    EXPECT_NE(other.output.find("the record was written by proctex 0.0.1, this is "),
              std::string::npos)
        << other.output;
    EXPECT_NE(other.output.find("c_spec.png: differs from the record's a_spec.png"),
              std::string::npos)
        << other.output;
    EXPECT_EQ(count(other.output, ": the same as the record's"), 4u) << other.output;

    // A record from before sizes on the tile holds no units: it meant pixels,
    // and its files come back as they were.
    ASSERT_EQ(runCli("--units pixels --width 32 --height 32 --sidecar " + (dir / "p.png").string())
                  .exitCode,
              0);
    nlohmann::json old = nlohmann::json::parse(std::ifstream(dir / "p.json"));
    ASSERT_EQ(old.erase("units"), 1u);
    std::ofstream(dir / "p.json") << old.dump(2);
    const test::CliRun before =
        runCli("--from " + (dir / "p.json").string() + " " + (dir / "q.png").string());
    EXPECT_EQ(count(before.output, ": the same as the record's"), 5u) << before.output;

    // Oversized (or endless: /dev/zero) input is refused before it is read whole.
    std::ofstream(dir / "huge.json") << "{";
    fs::resize_file(dir / "huge.json", std::uintmax_t{8} << 30);  // sparse: no disk used
    const test::CliRun zero =
        runCli("--from " + (dir / "huge.json").string() + " " + (dir / "z.png").string());
    EXPECT_EQ(zero.exitCode, 2);
    EXPECT_NE(zero.output.find("larger than 1 MiB"), std::string::npos) << zero.output;
    const test::CliRun device = runCli("--from /dev/zero " + (dir / "z.png").string());
    EXPECT_EQ(device.exitCode, 2) << device.output;
    std::ofstream(dir / "twice.json") << R"({"seed": 1, "seed": 2})";
    const test::CliRun twice =
        runCli("--from " + (dir / "twice.json").string() + " " + (dir / "t.png").string());
    EXPECT_EQ(twice.exitCode, 2);
    EXPECT_NE(twice.output.find("field \"seed\": given twice"), std::string::npos) << twice.output;
    EXPECT_FALSE(fs::exists(dir / "z_diff.png") || fs::exists(dir / "t_diff.png"));
}

// -0 is recorded as 0, so it must render as 0, from the command line and JSON.
TEST(Record, MinusZeroMakesTheFilesOfZero) {
    TempDir dir;
    std::ofstream(dir / "r.json") << R"({"width": 32, "height": 32, "scale": -0.0})";
    const std::string size = "--width 32 --height 32 --scale ";
    ASSERT_EQ(runCli(size + "0 " + (dir / "z.png").string()).exitCode, 0);
    ASSERT_EQ(runCli(size + "-0 " + (dir / "m.png").string()).exitCode, 0);
    ASSERT_EQ(
        runCli("--from " + (dir / "r.json").string() + " " + (dir / "j.png").string()).exitCode, 0);
    const auto zero = test::readBytes(dir / "z_diff.png");
    EXPECT_TRUE(test::readBytes(dir / "m_diff.png") == zero);
    EXPECT_TRUE(test::readBytes(dir / "j_diff.png") == zero);
}

TEST(Record, ANonFiniteSettingNeverBreaksTheRecordOrTheTool) {
    TempDir dir;
    for (const char* value : {"nan", "inf", "-inf"}) {
        const test::CliRun run = runCli(std::string("--width 16 --height 16 --scale ") + value +
                                        " --sidecar " + (dir / "n.png").string());
        EXPECT_NE(run.exitCode, 0) << run.output;
        EXPECT_EQ(run.output.find("json.exception"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("scale"), std::string::npos) << run.output;
        EXPECT_FALSE(fs::exists(dir / "n.json"));
    }
}

}  // namespace
}  // namespace proctex
