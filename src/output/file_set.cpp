#include "output/file_set.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace proctex {

namespace {

constexpr const char* kTemporaryTag = ".proctex-tmp-";
constexpr const char* kJournalTag = ".proctex-set-";
constexpr std::size_t kLongestName = 255;  // bytes in one path component
constexpr const char* kJournalEnd = "end";

std::string errnoText(int code) {
    return std::generic_category().message(code);
}

// ---- The few system calls that differ between the platforms ----

#if defined(_WIN32)

unsigned long currentProcess() {
    return static_cast<unsigned long>(_getpid());
}

bool processRunning(unsigned long pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
    DWORD code = 0;
    const bool running = GetExitCodeProcess(process, &code) != 0 && code == STILL_ACTIVE;
    CloseHandle(process);
    return running;
}

int createNew(const std::string& path) {
    return _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                 _S_IREAD | _S_IWRITE);
}

long writeSome(int fd, const uint8_t* bytes, std::size_t length) {
    const unsigned chunk = length > (1u << 30) ? (1u << 30) : static_cast<unsigned>(length);
    return _write(fd, bytes, chunk);
}

int closeFile(int fd) {
    return _close(fd);
}

void removeFile(const std::string& path) {
    _unlink(path.c_str());
}

// MoveFileEx replaces an existing file (or link) in one step, as rename does.
std::string renameOver(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0) return {};
    return std::system_category().message(static_cast<int>(GetLastError()));
}

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

#else

unsigned long currentProcess() {
    return static_cast<unsigned long>(getpid());
}

bool processRunning(unsigned long pid) {
    if (pid == 0 || pid > 0x7fffffffUL) return false;
    return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

int createNew(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
}

long writeSome(int fd, const uint8_t* bytes, std::size_t length) {
    const std::size_t chunk = length > (std::size_t{1} << 30) ? (std::size_t{1} << 30) : length;
    return static_cast<long>(write(fd, bytes, chunk));
}

int closeFile(int fd) {
    return close(fd);
}

void removeFile(const std::string& path) {
    unlink(path.c_str());
}

std::string renameOver(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0) return {};
    return errnoText(errno);
}

bool isSeparator(char c) {
    return c == '/';
}

#endif

// ---- Names ----

struct SplitPath {
    std::string folder;  // with its trailing separator, or empty
    std::string name;
};

SplitPath splitPath(const std::string& path) {
    std::size_t i = path.size();
    while (i > 0 && !isSeparator(path[i - 1])) --i;
    return {path.substr(0, i), path.substr(i)};
}

std::string uniqueSuffix(const char* tag) {
    static std::atomic<unsigned long long> counter{0};
    return tag + std::to_string(currentProcess()) + "-" + std::to_string(counter.fetch_add(1));
}

// The process that made a temporary or journal, from the digits after its tag.
bool ownerOf(const std::string& name, const char* tag, unsigned long& pid) {
    const std::size_t at = name.rfind(tag);
    if (at == std::string::npos) return false;
    std::size_t i = at + std::char_traits<char>::length(tag);
    unsigned long value = 0;
    const std::size_t first = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - first < 10) {
        value = value * 10 + static_cast<unsigned long>(name[i] - '0');
        ++i;
    }
    if (i == first || i >= name.size() || name[i] != '-') return false;
    pid = value;
    return true;
}

// ---- Writing one temporary ----

std::string writeAll(int fd, const uint8_t* bytes, std::size_t length) {
    while (length > 0) {
        const long n = writeSome(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errnoText(errno);
        if (n == 0) return errnoText(ENOSPC);  // no progress: the device took nothing
        bytes += n;
        length -= static_cast<std::size_t>(n);
    }
    return {};
}

// Creates a fresh temporary beside `path` and writes the bytes to it. On
// success `temporary` names it; on failure nothing is left behind.
std::string writeTemporary(const std::string& path, const uint8_t* bytes, std::size_t length,
                           std::string& temporary) {
    const SplitPath split = splitPath(path);
    if (split.name.empty()) return errnoText(EISDIR);
    if (split.name.size() > kLongestName) return errnoText(ENAMETOOLONG);
    // A folder in the file's place would only fail the rename, once other
    // files of the set may already be in place.
    std::error_code ec;
    if (std::filesystem::symlink_status(path, ec).type() == std::filesystem::file_type::directory) {
        return errnoText(EISDIR);
    }
    const std::string suffix = uniqueSuffix(kTemporaryTag);
    // The map's own name makes a temporary recognisable; a name too long to
    // carry it gets the plain form.
    std::string name = "." + split.name + suffix;
    if (name.size() > kLongestName) name = suffix;
    temporary = split.folder + name;
    const int fd = createNew(temporary);
    if (fd < 0) return errnoText(errno);
    std::string error = writeAll(fd, bytes, length);
    // Written bytes may still be buffered by the system: closing can fail too.
    if (closeFile(fd) != 0 && error.empty()) error = errnoText(errno);
    if (!error.empty()) removeFile(temporary);
    return error;
}

// ---- Journals ----

struct Move {
    std::string temporary;
    std::string path;
};

std::string journalText(const std::vector<Move>& moves) {
    std::string text = "proctex set\n";
    for (const Move& move : moves) {
        text += splitPath(move.temporary).name + "\n" + splitPath(move.path).name + "\n";
    }
    return text + kJournalEnd + "\n";
}

// The journal of a set whose files share one folder; empty when none could
// be written (the renames then go ahead without one).
std::string writeJournal(const std::vector<Move>& moves) {
    const std::string folder = splitPath(moves.front().path).folder;
    for (const Move& move : moves) {
        const SplitPath split = splitPath(move.path);
        if (split.folder != folder || split.name.find('\n') != std::string::npos) return {};
    }
    const std::string journal = folder + uniqueSuffix(kJournalTag);
    const int fd = createNew(journal);
    if (fd < 0) return {};
    const std::string text = journalText(moves);
    std::string error = writeAll(fd, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (closeFile(fd) != 0) error = "close";
    if (error.empty()) return journal;
    removeFile(journal);
    return {};
}

// Completes the renames a killed call listed; an unfinished journal (killed
// while writing it) means no rename had begun, so it is only removed.
void finishJournal(const std::string& folder, const std::string& journal) {
    std::ifstream in(journal, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    in.close();
    const bool complete = lines.size() >= 2 && lines.front() == "proctex set" &&
                          lines.back() == kJournalEnd && lines.size() % 2 == 0;
    for (std::size_t i = 1; complete && i + 2 < lines.size(); i += 2) {
        std::error_code ec;
        if (std::filesystem::exists(folder + lines[i], ec)) {
            renameOver(folder + lines[i], folder + lines[i + 1]);
        }
    }
    removeFile(journal);
}

bool isStale(const std::filesystem::directory_entry& entry, unsigned long pid) {
    using namespace std::chrono;
    std::error_code ec;
    const auto changed = entry.last_write_time(ec);
    // A process id can be reused: a day-old temporary is left over whoever owns it.
    if (!ec && std::filesystem::file_time_type::clock::now() - changed > hours(24)) return true;
    if (pid == currentProcess()) return false;  // another thread of ours may be writing it
    return !processRunning(pid);
}

}  // namespace

void tidyOutputFolder(const std::string& path) {
    const std::string folder = splitPath(path).folder;
    std::error_code ec;
    std::vector<std::string> journals;
    std::vector<std::string> temporaries;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string name;
        try {
            name = it->path().filename().string();
        } catch (...) {
            continue;  // a name this locale cannot spell is none of ours
        }
        unsigned long pid = 0;
        if (name.rfind(kJournalTag, 0) == 0 && ownerOf(name, kJournalTag, pid)) {
            if (isStale(*it, pid)) journals.push_back(name);
        } else if (ownerOf(name, kTemporaryTag, pid) && isStale(*it, pid)) {
            temporaries.push_back(name);
        }
    }
    // Journals first: their temporaries are the new files of a set.
    for (const std::string& journal : journals) finishJournal(folder, folder + journal);
    for (const std::string& temporary : temporaries) removeFile(folder + temporary);
}

SetOutcome replaceFileSet(const std::vector<SetFile>& files) {
    SetOutcome outcome;
    std::vector<std::string> tidied;
    for (const SetFile& file : files) {
        const std::string folder = splitPath(file.path).folder;
        bool seen = false;
        for (const std::string& f : tidied) seen = seen || f == folder;
        if (!seen) {
            tidyOutputFolder(file.path);
            tidied.push_back(folder);
        }
    }

    std::vector<Move> moves;
    std::vector<bool> movedRequired;
    bool requiredFailed = false;
    for (const SetFile& file : files) {
        std::string temporary;
        const std::string error = writeTemporary(file.path, file.bytes, file.length, temporary);
        if (error.empty()) {
            moves.push_back({temporary, file.path});
            movedRequired.push_back(file.required);
            continue;
        }
        outcome.failures.push_back({file.path, error});
        if (file.required) {
            requiredFailed = true;
            break;
        }
    }
    if (requiredFailed) {
        for (const Move& move : moves) removeFile(move.temporary);
        return outcome;
    }

    const std::string journal = moves.size() > 1 ? writeJournal(moves) : std::string();
    std::size_t next = 0;
    for (; next < moves.size(); ++next) {
        const std::string error = renameOver(moves[next].temporary, moves[next].path);
        if (error.empty()) {
            outcome.written.push_back(moves[next].path);
            continue;
        }
        outcome.failures.push_back({moves[next].path, error});
        removeFile(moves[next].temporary);
        if (movedRequired[next]) {
            requiredFailed = true;
            ++next;
            break;
        }
    }
    for (; next < moves.size(); ++next) removeFile(moves[next].temporary);
    if (!journal.empty()) removeFile(journal);
    outcome.requiredWritten = !requiredFailed;
    if (!outcome.requiredWritten) return outcome;

    // An older file where a new one failed would pass for part of this set.
    for (const FileFailure& failure : outcome.failures) {
        bool replaced = false;
        for (const std::string& path : outcome.written) replaced = replaced || path == failure.path;
        if (!replaced) removeFile(failure.path);
    }
    return outcome;
}

std::string replaceFile(const std::string& path, const uint8_t* bytes, std::size_t length) {
    const SetOutcome outcome = replaceFileSet({SetFile{path, bytes, length, true}});
    return outcome.failures.empty() ? std::string() : outcome.failures.front().reason;
}

std::string describeFailures(const std::vector<FileFailure>& failures) {
    std::string text;
    for (const FileFailure& failure : failures) {
        if (!text.empty()) text += "; ";
        text += "could not write " + failure.path + ": " + failure.reason;
    }
    return text;
}

}  // namespace proctex
