#include "file_write.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace proctex::cli {

namespace {

std::string systemReason(int code) {
    return std::generic_category().message(code);
}

std::string temporaryBeside(const std::string& path) {
    static std::atomic<unsigned long long> counter{0};
    const std::size_t slash = path.rfind('/');
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
    const int fd =
        open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return systemReason(errno);
    std::FILE* out = fdopen(fd, "wb");
    if (out == nullptr) {
        const int code = errno;
        close(fd);
        unlink(temporary.c_str());
        return systemReason(code);
    }
    std::string error;
    if (std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size())
        error = systemReason(errno);
    // Small texts stay buffered until the close, which is where a full disk shows.
    if (std::fclose(out) != 0 && error.empty()) error = systemReason(errno);
    if (error.empty() && std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = systemReason(errno);
    }
    if (!error.empty()) unlink(temporary.c_str());
    return error;
}

}  // namespace proctex::cli
