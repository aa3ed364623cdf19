// A file that cannot be written in full is a failed write: full disks, file
// size limits and unwritable folders end the call as a missing folder does.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::TempDir;

// A call large enough that its images pass through fwrite, not only fclose.
Call largeCall() {
    Call call;
    call.width = 256;
    call.height = 256;
    return call;
}

// Every map but `full` goes to a file; `full`'s file is a link to /dev/full.
int runWithFullMap(const TempDir& dir, const Call& call, int full) {
    char name[32];
    EXPECT_EQ(proctex_map_path("x.png", full, name, sizeof name), PROCTEX_OK);
    fs::create_symlink("/dev/full", dir / name);
    return call.run(dir / "x.png");
}

TEST(WriteFailure, FullDeviceFailsTheCallByTheMapRules) {
    for (const Call& call : {Call{}, largeCall()}) {
        {
            TempDir dir;
            EXPECT_EQ(runWithFullMap(dir, call, PROCTEX_MAP_DIFFUSE), 0);
            EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"x_diff.png"});
        }
        {
            TempDir dir;
            EXPECT_EQ(runWithFullMap(dir, call, PROCTEX_MAP_NORMAL), 0);
            EXPECT_EQ(test::listFiles(dir.path()),
                      (std::vector<std::string>{"x_diff.png", "x_nmap.png"}));
        }
        {
            TempDir dir;
            EXPECT_EQ(runWithFullMap(dir, call, PROCTEX_MAP_SPECULAR), 0);
            EXPECT_TRUE(fs::is_regular_file(dir / "x_metal.png"));
        }
        {
            TempDir dir;
            EXPECT_EQ(runWithFullMap(dir, call, PROCTEX_MAP_ROUGHNESS), 1);
            EXPECT_TRUE(fs::is_regular_file(dir / "x_metal.png"));
        }
    }
}

TEST(WriteFailure, SaveReportsTheFileThatFilledTheDevice) {
    const Call call = largeCall();
    ProctexMaps* maps = nullptr;
    ASSERT_EQ(proctex_generate(&call, PROCTEX_MAPS_AS_SETTINGS, &maps, nullptr, 0), PROCTEX_OK);
    TempDir dir;
    fs::create_symlink("/dev/full", dir / "x_nmap.png");
    char reason[600];
    EXPECT_EQ(proctex_save(maps, (dir / "x.png").string().c_str(), reason, sizeof reason),
              PROCTEX_ERROR_WRITE);
    EXPECT_NE(std::string(reason).find("x_nmap.png"), std::string::npos) << reason;
    EXPECT_FALSE(fs::exists(dir / "x_spec.png"));
    proctex_maps_free(maps);
}

TEST(WriteFailure, FileSizeLimitFailsTheCall) {
    TempDir dir;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Writes past the limit then fail with EFBIG instead of a signal.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
        _exit(largeCall().run(dir / "x.png") == 0 ? 0 : 91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child did not exit cleanly";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "90: setrlimit failed, 91: the call returned 1";
    EXPECT_EQ(fs::file_size(dir / "x_diff.png"), 4096u);
    EXPECT_FALSE(fs::exists(dir / "x_nmap.png"));
}

TEST(WriteFailure, UnwritableFoldersFailTheCall) {
    TempDir dir;
    std::ofstream(dir / "file") << "a regular file";
    EXPECT_EQ(Call{}.run(dir / "file" / "x.png"), 0);
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::create_directory(dir / "locked");
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Call{}.run(dir / "locked" / "x.png"), 0);
    EXPECT_TRUE(test::listFiles(dir / "locked").empty());
    fs::permissions(dir / "locked", fs::perms::owner_all);
}

}  // namespace
}  // namespace proctex
