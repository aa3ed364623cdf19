// Replacing a set of files so that no reader ever sees a half-written one.
//
// Each file is first written in full to a hidden temporary beside it,
// ".<name>.proctex-tmp-<host>-<pid>-<n>", then renamed over its path: a rename
// replaces a symlink at the path instead of writing through it, and a process
// killed mid-write leaves only a temporary. Before the renames of a set, a
// journal ".proctex-set-<host>-<pid>-<n>" lists them; a call killed among the
// renames is finished by the next call that tidies the folder, so the folder
// ends with the old set or the new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace proctex {

// A file of a set: where it goes and the bytes it gets.
struct SetFile {
    std::string path;
    const uint8_t* bytes = nullptr;
    std::size_t length = 0;
    // A required file that fails keeps the whole set from being replaced.
    bool required = false;
    // Bytes made just in time: when set, `fetch` gives the bytes right before
    // the file's temporary is written (instead of bytes and length), and
    // `release`, when set, follows the write, so that a large set never holds
    // all of its files in memory at once.
    std::function<std::span<const uint8_t>()> fetch;
    std::function<void()> release;
};

struct FileFailure {
    std::string path;
    std::string reason;  // the system's words, e.g. "No space left on device"
};

struct SetOutcome {
    bool requiredWritten = false;  // every required file is in place
    std::vector<FileFailure> failures;
    std::vector<std::string> written;  // the paths replaced, in order
    // What the tidy-up of the folders found and left alone (a journal that
    // names files outside its own set, say).
    std::vector<std::string> notes;
};

// Writes every file of the set to its temporary, in order, stopping at the
// first required failure. An exception from a fetch removes the temporaries
// written so far and passes on, replacing nothing. When every required file was written, renames
// all written files into place in order; an optional file that failed then has any older file at
// its path removed, so the folder never mixes an old map with new ones. When a required file
// failed, nothing is replaced and every temporary is removed.
SetOutcome replaceFileSet(const std::vector<SetFile>& files);

// Finishes the journals and removes the temporaries that calls no longer
// running left in the folder of `path` (an empty folder part is the current
// folder). Temporaries of running processes are kept, unless a day old; those
// another machine or container made are judged by age alone (an hour). A
// journal is followed only when it moves its own writer's temporaries onto
// the files they were made for, in its folder; any other is left alone, and
// the returned notes say which and why.
std::vector<std::string> tidyOutputFolder(const std::string& path);

// For tests: called with 0, 1, 2, ... at each step of replaceFileSet (after
// each temporary, after the journal, after each rename, after the journal's
// removal), so a test can stop a writer at every step instead of at a time.
using SetStepHook = void (*)(int step);
void setFileSetStepHook(SetStepHook hook);

// Makes the missing folders of `path` (everything before its last
// separator), one after the other; what cannot be made is left for the
// writes to report.
void makeFoldersFor(const std::string& path);

// "could not write a_diff.png: No space left on device; could not write ..."
std::string describeFailures(const std::vector<FileFailure>& failures);

}  // namespace proctex
