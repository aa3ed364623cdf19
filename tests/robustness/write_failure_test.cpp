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
#include <functional>
#include <iterator>
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

// Runs `body` in a child whose files may not grow past `bytes`; its exit
// status comes back (a write past the limit fails with EFBIG, no signal).
int withFileSizeLimit(rlim_t bytes, const std::function<int()>& body) {
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::vector<std::vector<uint8_t>> contentsOf(const TempDir& dir) {
    std::vector<std::vector<uint8_t>> contents;
    for (const std::string& name : test::listFiles(dir.path())) {
        contents.push_back(test::readBytes(dir / name));
    }
    return contents;
}

TEST(WriteFailure, AFullFileLeavesTheOldSetWholeAndNoTemporary) {
    TempDir dir;
    Call old = largeCall();
    old.seed = 1;
    ASSERT_EQ(old.run(dir / "x.png"), 1);
    const std::vector<std::string> names = test::listFiles(dir.path());
    const auto before = contentsOf(dir);
    EXPECT_EQ(withFileSizeLimit(4096, [&] { return largeCall().run(dir / "x.png") == 0 ? 0 : 91; }),
              0)
        << "90: setrlimit failed, 91: the call returned 1";
    EXPECT_EQ(test::listFiles(dir.path()), names);
    EXPECT_EQ(contentsOf(dir), before);

    TempDir empty;
    EXPECT_EQ(withFileSizeLimit(4096, [&] { return largeCall().run(empty / "x.png"); }), 0);
    EXPECT_TRUE(test::listFiles(empty.path()).empty());
}

TEST(WriteFailure, SaveNamesEveryFailedFileWithTheSystemsReason) {
    const Call call = largeCall();
    ProctexMaps* maps = nullptr;
    ASSERT_EQ(proctex_generate(&call, PROCTEX_MAPS_AS_SETTINGS, &maps, nullptr, 0), PROCTEX_OK);
    TempDir dir;
    const int status = withFileSizeLimit(4096, [&] {
        char reason[600];
        const int saved =
            proctex_save(maps, (dir / "x.png").string().c_str(), reason, sizeof reason);
        const std::string text = reason;
        const bool named = text.find("x_diff.png: File too large") != std::string::npos;
        return saved == PROCTEX_ERROR_WRITE && named ? 0 : 92;
    });
    EXPECT_EQ(status, 0) << "92: not PROCTEX_ERROR_WRITE naming x_diff.png and EFBIG";
    EXPECT_TRUE(test::listFiles(dir.path()).empty());

    // A base name that fits but not with the longer roughness and metallic
    // suffixes: the call keeps its result, the save names both files.
    const std::string base(246, 'b');
    EXPECT_EQ(call.run(dir / (base + ".png")), 1);
    char reason[2048];
    EXPECT_EQ(proctex_save(maps, (dir / (base + ".png")).string().c_str(), reason, sizeof reason),
              PROCTEX_ERROR_WRITE);
    const std::string text = reason;
    EXPECT_NE(text.find(base + "_rough.png: File name too long"), std::string::npos) << text;
    EXPECT_NE(text.find(base + "_metal.png: File name too long"), std::string::npos) << text;
    EXPECT_EQ(test::listFiles(dir.path()).size(), 3u);
    proctex_maps_free(maps);
}

TEST(WriteFailure, ASymlinkAtAnOutputPathIsReplacedNotWrittenThrough) {
    TempDir dir;
    std::ofstream(dir / "victim.txt") << "keep me";
    fs::create_symlink(dir / "victim.txt", dir / "x_spec.png");
    fs::create_symlink("/dev/full", dir / "x_diff.png");
    EXPECT_EQ(largeCall().run(dir / "x.png"), 1);
    EXPECT_FALSE(fs::is_symlink(dir / "x_spec.png"));
    EXPECT_FALSE(fs::is_symlink(dir / "x_diff.png"));
    EXPECT_EQ(test::readPng(dir / "x_spec.png").width, 256);
    std::ifstream victim(dir / "victim.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "keep me");
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
