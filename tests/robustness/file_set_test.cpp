// Sets of files replaced whole: a killed writer, its leftovers, and the
// removal of an older file that a failed optional one would leave behind.
#include "output/file_set.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
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

#include "api/pipeline.h"
#include "api/settings.h"
#include "test_support.h"

namespace proctex {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

using Contents = std::map<std::string, std::vector<uint8_t>>;

Contents contentsOf(const fs::path& dir) {
    Contents contents;
    for (const std::string& name : test::listFiles(dir)) {
        contents[name] = test::readBytes(dir / name);
    }
    return contents;
}

// A process that has exited: its id names no running process.
pid_t finishedProcess() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

int stopAt = -1;

// The set GenerateTexture writes, through this program's copy of the file
// set so that the step hook reaches it.
bool writeSet(const fs::path& out, int seed) {
    ProctexSettings settings = legacySettings();
    settings.width = settings.height = 64;
    settings.scale = 8.0f;
    settings.seed = seed;
    return generateAndSave(settings, out.string()).coreWritten;
}

// Writes the set in a child that dies at step `step` of the file set; true
// when the step was reached (false: the write ended before it).
bool writeAndDieAt(const fs::path& out, int seed, int step) {
    const pid_t child = fork();
    if (child == 0) {
        stopAt = step;
        setFileSetStepHook([](int at) {
            if (at == stopAt) _exit(42);
        });
        _exit(writeSet(out, seed) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 42;
}

TEST(FileSet, AWriterStoppedAtEveryStepLeavesTheOldSetOrTheNewOneAfterTheNextCall) {
    TempDir oldSet, newSet;
    ASSERT_TRUE(writeSet(oldSet / "set.png", 1));
    ASSERT_TRUE(writeSet(newSet / "set.png", 2));
    const Contents before = contentsOf(oldSet.path());
    const Contents after = contentsOf(newSet.path());
    int steps = 0;
    for (;; ++steps) {
        TempDir dir;
        for (const auto& [name, bytes] : before) {
            std::ofstream(dir / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        if (!writeAndDieAt(dir / "set.png", 2, steps)) break;
        // Each path holds a whole file, old or new, at once.
        for (const auto& [name, bytes] : before) {
            const std::vector<uint8_t> now = test::readBytes(dir / name);
            EXPECT_TRUE(now == bytes || now == after.at(name)) << name << " at step " << steps;
        }
        // The next call on the folder finishes or removes what was left:
        // once the journal is written, that is the new set.
        EXPECT_TRUE(tidyOutputFolder((dir / "set.png").string()).empty());
        const Contents tidied = contentsOf(dir.path());
        EXPECT_TRUE(tidied == before || tidied == after) << "a mixed set at step " << steps;
        const int journalWritten = static_cast<int>(before.size());
        if (steps >= journalWritten) {
            EXPECT_TRUE(tidied == after) << "step " << steps;
        }
    }
    // Each file, the journal, each rename and the journal's removal.
    EXPECT_EQ(steps, 2 * static_cast<int>(before.size()) + 2);
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
    // A journal cut short while it was written, after a whole pair: nothing
    // had been renamed.
    put(".c.png.proctex-tmp-" + dead + "-9", "new c");
    put("c.png", "old c");
    put(".proctex-set-" + dead + "-10",
        "proctex set\n.c.png.proctex-tmp-" + dead + "-9\nc.png\nen");
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

TEST(FileSet, AJournalMovesOnlyItsOwnWritersTemporariesOntoTheirOwnFiles) {
    TempDir dir, victim;
    const std::string dead = std::to_string(finishedProcess());
    auto put = [](const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    };
    put(victim / "important.txt", "precious");
    put(dir / "payload", "payload");
    const std::string temp = ".a.png.proctex-tmp-" + dead + "-1";
    put(dir / temp, "new a");
    const std::vector<std::string> planted = {
        "payload\n../victim/important.txt",                    // out of the folder
        (victim / "important.txt").string() + "\nstolen.txt",  // an absolute name in
        "payload\nimportant.png",                              // not a temporary
        temp + "\nother.png",                                  // a temporary of another file
        ".a.png.proctex-tmp-1-1\na.png",                       // another writer's
    };
    for (std::size_t i = 0; i < planted.size(); ++i) {
        put(dir / (".proctex-set-" + dead + "-" + std::to_string(100 + i)),
            "proctex set\n" + planted[i] + "\nend\n");
    }
    // Names that merely contain the tags are the user's own.
    put(dir / "thesis.proctex-tmp-0-final.docx", "thesis");
    put(dir / ".notes.proctex-tmp-0-1.bak", "notes");
    put(dir / "x.proctex-set-0-1", "x");

    const std::vector<std::string> notes = tidyOutputFolder((dir / "any.png").string());
    EXPECT_EQ(notes.size(), planted.size());
    for (const std::string& note : notes) EXPECT_EQ(note.rfind("left ", 0), 0u) << note;
    EXPECT_EQ(test::listFiles(victim.path()), std::vector<std::string>{"important.txt"});
    EXPECT_EQ(test::readBytes(victim / "important.txt"),
              (std::vector<uint8_t>{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
    // The planted journals stay, and what they name; only the dead temporary
    // goes, as no journal that could be followed names it.
    EXPECT_EQ(test::listFiles(dir.path()).size(), planted.size() + 4);
    EXPECT_FALSE(fs::exists(dir / temp));
    for (const char* kept : {"payload", "thesis.proctex-tmp-0-final.docx",
                             ".notes.proctex-tmp-0-1.bak", "x.proctex-set-0-1"}) {
        EXPECT_TRUE(fs::exists(dir / kept)) << kept;
    }
}

TEST(FileSet, AJournalThatIsNoRegularFileOrTooLargeIsNotRead) {
    TempDir dir;
    const std::string dead = std::to_string(finishedProcess());
    ASSERT_EQ(mkfifo((dir / (".proctex-set-" + dead + "-1")).c_str(), 0600), 0);
    std::ofstream(dir / (".proctex-set-" + dead + "-2")).close();
    fs::resize_file(dir / (".proctex-set-" + dead + "-2"), std::uintmax_t{1} << 30);  // sparse
    // In a child with an alarm, so that a hang fails instead of stalling the suite.
    const pid_t child = fork();
    if (child == 0) {
        alarm(20);
        _exit(tidyOutputFolder((dir / "a.png").string()).size() == 2 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the tidy-up hung or crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(FileSet, AnotherMachinesTemporariesAreJudgedByAgeNotByProcessId) {
    TempDir dir;
    const std::string dead = std::to_string(finishedProcess());
    const std::string fresh = ".a.png.proctex-tmp-0123abcd-" + dead + "-1";
    const std::string old = ".b.png.proctex-tmp-0123abcd-" + dead + "-2";
    std::ofstream(dir / fresh) << "being written elsewhere";
    std::ofstream(dir / old) << "left two hours ago";
    fs::last_write_time(dir / old, fs::file_time_type::clock::now() - std::chrono::hours(2));
    ASSERT_TRUE(writeSet(dir / "set.png", 1));
    EXPECT_TRUE(fs::exists(dir / fresh));
    EXPECT_FALSE(fs::exists(dir / old));
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
