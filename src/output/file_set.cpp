#include "output/file_set.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#if defined(_WIN32)
#include <direct.h>
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
constexpr std::size_t kHostTagLength = 8;  // hex digits naming the writer's machine
// A journal lists at most a set's files, two names of at most 255 bytes each:
// anything longer is none of ours.
constexpr long long kLongestJournal = 256 * 1024;
// Temporaries of another machine or container cannot be judged by their
// process id; only this age makes them leftovers.
constexpr int kForeignHours = 1;

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

void makeFolder(const std::string& path) {
    _mkdir(path.c_str());
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

std::string machineIdentity() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size) == 0) return {};
    return std::string(name, size);
}

// Opens a journal for reading only when it is a regular file of at most
// kLongestJournal bytes; -1 otherwise.
int openJournal(const std::string& path) {
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) return -1;
    struct _stat64 info {};
    if (_fstat64(fd, &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG ||
        info.st_size > kLongestJournal) {
        _close(fd);
        return -1;
    }
    return fd;
}

long readSome(int fd, char* buffer, std::size_t length) {
    return _read(fd, buffer, static_cast<unsigned>(length));
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

void makeFolder(const std::string& path) {
    mkdir(path.c_str(), 0777);
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

std::string readSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    std::getline(in, text);
    return text;
}

// The host name, the boot and the process-id namespace: writers that share
// all three can judge each other's process ids.
std::string machineIdentity() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    char ns[128] = {};
    const ssize_t n = readlink("/proc/self/ns/pid", ns, sizeof ns - 1);
    return std::string(name) + "|" + readSmallFile("/proc/sys/kernel/random/boot_id") + "|" +
           std::string(ns, n > 0 ? static_cast<std::size_t>(n) : 0);
}

int openJournal(const std::string& path) {
    // Non-blocking and not through a link: a FIFO named like a journal must
    // not hang the writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kLongestJournal) {
        close(fd);
        return -1;
    }
    return fd;
}

long readSome(int fd, char* buffer, std::size_t length) {
    return static_cast<long>(read(fd, buffer, length));
}

#endif

// Eight hex digits of the machine's identity, the same for every writer of it.
const std::string& hostTag() {
    static const std::string tag = [] {
        uint64_t hash = 1469598103934665603ULL;  // FNV-1a
        for (unsigned char c : machineIdentity()) hash = (hash ^ c) * 1099511628211ULL;
        static const char digits[] = "0123456789abcdef";
        std::string text(kHostTagLength, '0');
        for (std::size_t i = 0; i < kHostTagLength; ++i) text[i] = digits[(hash >> (4 * i)) & 15];
        return text;
    }();
    return tag;
}

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
    return tag + hostTag() + "-" + std::to_string(currentProcess()) + "-" +
           std::to_string(counter.fetch_add(1));
}

// Who made a temporary or journal. A name is ours only when it ends in
// "<tag>[<host>-]<pid>-<n>" exactly: a user's "thesis.proctex-tmp-0-final.docx"
// merely contains the tag.
struct Owner {
    std::string prefix;  // what precedes the tag: "." + the target's name, or empty
    std::string host;    // the writer's machine, empty in names of older versions
    unsigned long pid = 0;
};

bool readDigits(const std::string& name, std::size_t& i, std::size_t most,
                unsigned long long& value) {
    const std::size_t first = i;
    value = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - first < most) {
        value = value * 10 + static_cast<unsigned long long>(name[i] - '0');
        ++i;
    }
    return i > first;
}

bool isHostTag(const std::string& text) {
    if (text.size() != kHostTagLength) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

// Reads "<pid>-<n>" from `i` to the end of the name.
bool readOwnerTail(const std::string& name, std::size_t i, unsigned long& pid) {
    unsigned long long value = 0, counter = 0;
    if (!readDigits(name, i, 10, value) || i >= name.size() || name[i] != '-') return false;
    ++i;
    if (!readDigits(name, i, 20, counter) || i != name.size()) return false;
    pid = static_cast<unsigned long>(value);
    return true;
}

bool ownerOf(const std::string& name, const char* tag, Owner& owner) {
    const std::size_t at = name.rfind(tag);
    if (at == std::string::npos || name[0] != '.') return false;
    const std::size_t i = at + std::char_traits<char>::length(tag);
    owner.prefix = name.substr(0, at);
    owner.host.clear();
    if (i + kHostTagLength < name.size() && name[i + kHostTagLength] == '-' &&
        isHostTag(name.substr(i, kHostTagLength)) &&
        readOwnerTail(name, i + kHostTagLength + 1, owner.pid)) {
        owner.host = name.substr(i, kHostTagLength);
        return true;
    }
    return readOwnerTail(name, i, owner.pid);
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

// The journal's lines, read only from a regular file of journal size.
bool readJournal(const std::string& path, std::vector<std::string>& lines) {
    const int fd = openJournal(path);
    if (fd < 0) return false;
    std::string text;
    char buffer[4096];
    long n = 0;
    while ((n = readSome(fd, buffer, sizeof buffer)) > 0 &&
           text.size() <= static_cast<std::size_t>(kLongestJournal)) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    closeFile(fd);
    if (n < 0 || text.size() > static_cast<std::size_t>(kLongestJournal)) return false;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return true;
}

// A name in the folder itself: no separator, no parent, nothing hidden in it.
bool isPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.size() > kLongestName) return false;
    for (char c : name) {
        if (isSeparator(c) || c == '\0') return false;
#if defined(_WIN32)
        if (c == ':') return false;  // a drive, or another stream of a file
#endif
    }
    return true;
}

// A journal may move only its own writer's temporaries onto the files they
// were made for, all in its own folder.
bool movesOnlyItsOwnSet(const Owner& journal, const std::vector<std::string>& lines,
                        std::string& why) {
    for (std::size_t i = 1; i + 2 < lines.size(); i += 2) {
        const std::string& temporary = lines[i];
        const std::string& target = lines[i + 1];
        Owner owner;
        if (!isPlainName(temporary) || !isPlainName(target)) {
            why = "it names a file outside its folder";
        } else if (!ownerOf(temporary, kTemporaryTag, owner) || owner.host != journal.host ||
                   owner.pid != journal.pid) {
            why = "it names " + temporary + ", not a temporary of its own writer";
        } else if (owner.prefix != "." + target &&
                   !(owner.prefix.empty() && 1 + target.size() + temporary.size() > kLongestName)) {
            why = "it would move " + temporary + " onto " + target + ", another file's name";
        } else {
            Owner other;
            if (ownerOf(target, kTemporaryTag, other) || ownerOf(target, kJournalTag, other)) {
                why = "it names " + target + ", a temporary or journal";
            }
        }
        if (!why.empty()) return false;
    }
    return true;
}

// Completes the renames a killed call listed; an unfinished journal (killed
// while writing it) means no rename had begun, so it is only removed. A
// journal that is not a set's own is left alone and described in `notes`.
void finishJournal(const std::string& folder, const std::string& name, const Owner& owner,
                   std::vector<std::string>& notes) {
    const std::string journal = folder + name;
    std::vector<std::string> lines;
    if (!readJournal(journal, lines)) {
        notes.push_back("left " + journal + " alone: not a regular file of a journal's size");
        return;
    }
    const bool complete = lines.size() >= 2 && lines.front() == "proctex set" &&
                          lines.back() == kJournalEnd && lines.size() % 2 == 0;
    std::string why;
    if (complete && !movesOnlyItsOwnSet(owner, lines, why)) {
        notes.push_back("left " + journal + " alone: " + why);
        return;
    }
    for (std::size_t i = 1; complete && i + 2 < lines.size(); i += 2) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(
                std::filesystem::symlink_status(folder + lines[i], ec))) {
            renameOver(folder + lines[i], folder + lines[i + 1]);
        }
    }
    removeFile(journal);
}

bool isStale(const std::filesystem::directory_entry& entry, const Owner& owner) {
    using namespace std::chrono;
    std::error_code ec;
    const auto changed = entry.last_write_time(ec);
    const auto age = std::filesystem::file_time_type::clock::now() - changed;
    // A process id can be reused: a day-old temporary is left over whoever owns it.
    if (!ec && age > hours(24)) return true;
    // Another machine's, or another container's, process ids mean nothing here.
    if (!owner.host.empty() && owner.host != hostTag()) return !ec && age > hours(kForeignHours);
    if (owner.pid == currentProcess()) return false;  // another thread of ours may be writing it
    return !processRunning(owner.pid);
}

std::atomic<SetStepHook> stepHook{nullptr};

void step(int& count) {
    if (SetStepHook hook = stepHook.load()) hook(count);
    ++count;
}

}  // namespace

void setFileSetStepHook(SetStepHook hook) {
    stepHook.store(hook);
}

std::vector<std::string> tidyOutputFolder(const std::string& path) {
    const std::string folder = splitPath(path).folder;
    std::error_code ec;
    std::vector<std::pair<std::string, Owner>> journals;
    std::vector<std::string> temporaries;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string name;
        try {
            name = it->path().filename().string();
        } catch (...) {
            continue;  // a name this locale cannot spell is none of ours
        }
        Owner owner;
        if (ownerOf(name, kJournalTag, owner) && owner.prefix.empty()) {
            if (isStale(*it, owner)) journals.emplace_back(name, owner);
        } else if (ownerOf(name, kTemporaryTag, owner) && isStale(*it, owner)) {
            std::error_code type;
            if (it->symlink_status(type).type() == std::filesystem::file_type::regular) {
                temporaries.push_back(name);
            }
        }
    }
    std::vector<std::string> notes;
    // Journals first: their temporaries are the new files of a set.
    for (const auto& [journal, owner] : journals) finishJournal(folder, journal, owner, notes);
    for (const std::string& temporary : temporaries) removeFile(folder + temporary);
    return notes;
}

SetOutcome replaceFileSet(const std::vector<SetFile>& files) {
    SetOutcome outcome;
    std::vector<std::string> tidied;
    for (const SetFile& file : files) {
        const std::string folder = splitPath(file.path).folder;
        bool seen = false;
        for (const std::string& f : tidied) seen = seen || f == folder;
        if (!seen) {
            for (std::string& note : tidyOutputFolder(file.path)) {
                outcome.notes.push_back(std::move(note));
            }
            tidied.push_back(folder);
        }
    }

    std::vector<Move> moves;
    std::vector<bool> movedRequired;
    bool requiredFailed = false;
    int steps = 0;
    for (const SetFile& file : files) {
        std::span<const uint8_t> bytes(file.bytes, file.length);
        if (file.fetch) {
            try {
                bytes = file.fetch();
            } catch (...) {
                for (const Move& move : moves) removeFile(move.temporary);
                throw;
            }
        }
        std::string temporary;
        const std::string error = writeTemporary(file.path, bytes.data(), bytes.size(), temporary);
        if (file.release) file.release();
        step(steps);
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
    step(steps);
    std::size_t next = 0;
    for (; next < moves.size(); ++next) {
        const std::string error = renameOver(moves[next].temporary, moves[next].path);
        step(steps);
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
    step(steps);
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

void makeFoldersFor(const std::string& path) {
    const std::string folder = splitPath(path).folder;
    for (std::size_t i = 1; i < folder.size(); ++i) {
        // Each prefix ending before a separator: "a", "a/b", ...; an existing
        // one (or a drive, "C:") just fails to be made again.
        if (isSeparator(folder[i]) && !isSeparator(folder[i - 1])) makeFolder(folder.substr(0, i));
    }
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
