#include "file_write.h"

#include <fcntl.h>

#if defined(_WIN32)
// clang-format off
#include <windows.h>
// clang-format on
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform.h"

namespace proctex::cli {

namespace {

std::string systemReason(int code) {
    return std::generic_category().message(code);
}

#if defined(_WIN32)
// The same calls on Windows' own terms: wide names, the CRT's descriptors,
// and a rename that replaces the target as POSIX rename does.
int getpid() {
    return _getpid();
}

int openNew(const std::string& name) {
    return _wopen(pathFromUtf8(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
}

std::FILE* fdopen(int fd, const char* mode) {
    return _fdopen(fd, mode);
}

int close(int fd) {
    return _close(fd);
}

void unlink(const std::string& name) {
    _wunlink(pathFromUtf8(name).c_str());
}

std::string renameOver(const std::string& from, const std::string& to) {
    if (MoveFileExW(pathFromUtf8(from).c_str(), pathFromUtf8(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING) != 0) {
        return {};
    }
    return std::system_category().message(static_cast<int>(GetLastError()));
}
#else
int openNew(const std::string& name) {
    return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
}

void unlink(const std::string& name) {
    ::unlink(name.c_str());
}

std::string renameOver(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? std::string() : systemReason(errno);
}
#endif

std::string temporaryBeside(const std::string& path) {
    static std::atomic<unsigned long long> counter{0};
#if defined(_WIN32)
    const std::size_t slash = path.find_last_of("/\\:");
#else
    const std::size_t slash = path.rfind('/');
#endif
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::string suffix =
        ".proctex-tmp-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    std::string name(1, '.');
    name.append(path, start).append(suffix);
    if (name.size() > 255) name = suffix;
    return path.substr(0, start) + name;
}

}  // namespace

std::string replaceFileWith(const std::string& path, std::string_view bytes) {
    const std::string temporary = temporaryBeside(path);
    const int fd = openNew(temporary);
    if (fd < 0) return systemReason(errno);
    std::FILE* out = fdopen(fd, "wb");
    if (out == nullptr) {
        const int code = errno;
        close(fd);
        unlink(temporary);
        return systemReason(code);
    }
    std::string error;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        error = systemReason(errno);
    // Small texts stay buffered until the close, which is where a full disk shows.
    if (std::fclose(out) != 0 && error.empty()) error = systemReason(errno);
    if (error.empty()) error = renameOver(temporary, path);
    if (!error.empty()) unlink(temporary);
    return error;
}

}  // namespace proctex::cli
