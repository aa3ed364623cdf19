#include "output/file_output.h"

#include <cstdio>

namespace proctex {

namespace {

// Windows builds create their files with fopen_s, as stb_image_write does
// when compiled by MSVC: a file so opened is not shared with other processes
// while it is written, unlike one opened with plain fopen (which MinGW's stb
// would fall back to).
std::FILE* openForWriting(const std::string& path) {
#if defined(_WIN32)
    std::FILE* file = nullptr;
    return fopen_s(&file, path.c_str(), "wb") == 0 ? file : nullptr;
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

}  // namespace

bool writeFileBytes(const std::string& path, const uint8_t* bytes, std::size_t length) {
    std::FILE* file = openForWriting(path);
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes, 1, length, file) == length;
    // Buffered bytes reach the file only now, so closing can fail too.
    const bool closed = std::fclose(file) == 0;
    return written && closed;
}

}  // namespace proctex
