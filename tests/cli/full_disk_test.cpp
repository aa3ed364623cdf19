// A full disk and a record that cannot be closed: the tool
// says which file and why, exits 1, and leaves only whole files.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_run.h"
#include "options.h"
#include "sidecar.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using test::TempDir;

// A tmpfs of `size` mounted on a fresh folder, unmounted at the end.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& size) {
        fs::create_directory(dir_ / "disk");
        mounted_ =
            mount("tmpfs", (dir_ / "disk").c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) umount((dir_ / "disk").c_str());
    }
    bool mounted() const { return mounted_; }
    fs::path path() const { return dir_ / "disk"; }

private:
    TempDir dir_;
    bool mounted_ = false;
};

// A failed run lists nothing; whatever it left in the folder is a whole
// map, never a temporary or a cut file.
void expectOnlyWholeFiles(const test::CliRun& run, const fs::path& folder) {
    EXPECT_EQ(run.output.rfind("proctex: could not write ", 0), 0u) << run.output;
    for (const std::string& name : test::listFiles(folder)) {
        EXPECT_NE(name[0], '.') << name;
        EXPECT_EQ(test::readPng(folder / name).width, 512) << name;
    }
}

TEST(FullDisk, TheToolNamesTheFileAndTheReasonAndListsNoPartialFile) {
    for (const char* size : {"200k", "1700k"}) {
        SmallDisk disk(size);
        if (!disk.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
        fs::create_directory(disk.path() / "tiny");
        const test::CliRun run = runCli((disk.path() / "tiny" / "s.png").string());
        EXPECT_EQ(run.exitCode, 1) << size << ": " << run.output;
        EXPECT_NE(run.output.find("No space left on device"), std::string::npos) << run.output;
        expectOnlyWholeFiles(run, disk.path() / "tiny");
    }
}

TEST(FullDisk, ARecordThatCannotBeClosedIsAFailureAndLeavesNothing) {
    TempDir dir;
    const std::string record = (dir / "s.json").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The record is smaller than the stdio buffer: its bytes leave only
        // when the file is closed, so the close is what fails.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
        const std::string why = cli::writeSidecar(record, cli::Options{}, {});
        _exit(why == "File too large" ? 0 : 91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "91: the failure was missed";
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
    EXPECT_TRUE(cli::writeSidecar(record, cli::Options{}, {}).empty());
    EXPECT_TRUE(fs::is_regular_file(record));
}

}  // namespace
}  // namespace proctex
