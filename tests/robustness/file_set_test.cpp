// Sets of files replaced whole: a killed writer, its leftovers, and the
// removal of an older file that a failed optional one would leave behind.
#include "output/file_set.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::Call;
using test::TempDir;

using Contents = std::map<std::string, std::vector<uint8_t>>;

Contents contentsOf(const fs::path& dir) {
    Contents contents;
    for (const std::string& name : test::listFiles(dir)) {
        contents[name] = test::readBytes(dir / name);
    }
    return contents;
}

Call bigCall(int seed) {
    Call call;
    call.width = call.height = 1024;
    call.seed = seed;
    return call;
}

pid_t startWriting(const fs::path& out, int seed) {
    const pid_t child = fork();
    if (child == 0) _exit(bigCall(seed).run(out) == 1 ? 0 : 1);
    return child;
}

// A process that has exited: its id names no running process.
pid_t finishedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST(FileSet, AKilledWriterLeavesTheOldSetOrTheNewOneAfterTheNextCall) {
    TempDir oldSet, newSet;
    ASSERT_EQ(bigCall(1).run(oldSet / "set.png"), 1);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(bigCall(2).run(newSet / "set.png"), 1);
    const auto whole = std::chrono::steady_clock::now() - start;
    const Contents before = contentsOf(oldSet.path());
    const Contents after = contentsOf(newSet.path());

    for (int percent : {5, 25, 50, 75, 90, 98, 110}) {
        TempDir dir;
        for (const auto& [name, bytes] : before) {
            std::ofstream(dir / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        const pid_t child = startWriting(dir / "set.png", 2);
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(whole * percent / 100);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        // Each path holds a whole file, old or new, at once.
        for (const auto& [name, bytes] : before) {
            const std::vector<uint8_t> now = test::readBytes(dir / name);
            EXPECT_TRUE(now == bytes || now == after.at(name)) << name << " at " << percent << "%";
        }
        // The next call on the folder finishes or removes what was left.
        tidyOutputFolder((dir / "set.png").string());
        const Contents tidied = contentsOf(dir.path());
        EXPECT_TRUE(tidied == before || tidied == after) << "a mixed set at " << percent << "%";
    }
}

TEST(FileSet, TheNextCallFinishesAJournalAndRemovesOnlyDeadTemporaries) {
    TempDir dir;
    const std::string dead = std::to_string(finishedProcess());
    const std::string alive = std::to_string(getppid());
    auto put = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir / name, std::ios::binary) << text;
    };
    put("a.png", "old a");
    put("b.png", "old b");
    // A writer killed after renaming a: b's temporary is still to be renamed.
    put("a.png", "new a");
    put(".b.png.proctex-tmp-" + dead + "-7", "new b");
    put(".proctex-set-" + dead + "-8", "proctex set\n.a.png.proctex-tmp-" + dead +
                                           "-6\na.png\n.b.png.proctex-tmp-" + dead +
                                           "-7\nb.png\nend\n");
    // A journal cut short while it was written: nothing had been renamed.
    put(".c.png.proctex-tmp-" + dead + "-9", "new c");
    put("c.png", "old c");
    put(".proctex-set-" + dead + "-10", "proctex set\n.c.png.proctex-tmp-" + dead + "-9\nc.p");
    // Another process still writing.
    put(".d.png.proctex-tmp-" + alive + "-1", "being written");
    put("not.proctex-tmp-x", "not ours");

    tidyOutputFolder((dir / "any.png").string());
    EXPECT_EQ(contentsOf(dir.path()),
              (Contents{{".d.png.proctex-tmp-" + alive + "-1",
                         {'b', 'e', 'i', 'n', 'g', ' ', 'w', 'r', 'i', 't', 't', 'e', 'n'}},
                        {"a.png", {'n', 'e', 'w', ' ', 'a'}},
                        {"b.png", {'n', 'e', 'w', ' ', 'b'}},
                        {"c.png", {'o', 'l', 'd', ' ', 'c'}},
                        {"not.proctex-tmp-x", {'n', 'o', 't', ' ', 'o', 'u', 'r', 's'}}}));
}

TEST(FileSet, AFailedOptionalFileRemovesItsOlderFileAndARequiredOneKeepsAll) {
    TempDir dir;
    const std::string a = (dir / "a").string(), b = (dir / "b").string();
    std::ofstream(a) << "old a";
    std::ofstream(b) << "old b";
    const std::vector<uint8_t> small(10, 1), large(100000, 2);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{65536, 65536};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(90);
        // A required file too large: nothing changes.
        SetOutcome kept = replaceFileSet(
            {{a, small.data(), small.size(), false}, {b, large.data(), large.size(), true}});
        if (kept.requiredWritten || kept.failures.size() != 1) _exit(91);
        if (test::readBytes(a) != std::vector<uint8_t>{'o', 'l', 'd', ' ', 'a'}) _exit(92);
        // An optional one: the rest is replaced and the older b removed.
        SetOutcome partial = replaceFileSet(
            {{a, small.data(), small.size(), true}, {b, large.data(), large.size(), false}});
        if (!partial.requiredWritten || partial.written != std::vector<std::string>{a}) _exit(93);
        if (describeFailures(partial.failures) != "could not write " + b + ": File too large") {
            _exit(94);
        }
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the _exit codes above";
    EXPECT_EQ(test::listFiles(dir.path()), std::vector<std::string>{"a"});
    EXPECT_EQ(test::readBytes(a), small);
}

}  // namespace
}  // namespace proctex
