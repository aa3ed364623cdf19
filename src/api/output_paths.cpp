#include "api/output_paths.h"

#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "settings/option_table.h"

namespace proctex {

namespace {
constexpr std::size_t kPathBufferSize = 512;  // 511 bytes of text and the terminator
}

#if defined(_WIN32)

std::string narrowPath(const wchar_t* path) {
    if (path == nullptr) return {};
    char filename[kPathBufferSize] = {};
    std::size_t converted = 0;
    // A path that does not fit with its terminator, or holds an unrepresentable
    // character, fails and leaves the buffer empty. The count must be the whole
    // buffer: with 511 a longer path would be cut to 511 bytes and succeed.
    if (wcstombs_s(&converted, filename, kPathBufferSize, path, kPathBufferSize) != 0) {
        return {};
    }
    return std::string(filename);
}

#else

std::string narrowPath(const wchar_t* path) {
    if (path == nullptr) return {};
    // Measure first, with a state of our own so concurrent calls do not share one.
    std::mbstate_t state{};
    const wchar_t* source = path;
    const std::size_t needed = std::wcsrtombs(nullptr, &source, 0, &state);
    if (needed == static_cast<std::size_t>(-1) || needed > kPathBufferSize - 1) return {};

    char filename[kPathBufferSize] = {};
    state = std::mbstate_t{};
    source = path;
    if (std::wcsrtombs(filename, &source, kPathBufferSize, &state) != needed) return {};
    return std::string(filename, needed);
}

#endif

const char* mapFileSuffix(int map) {
    // The map table's suffix; the float height field has no file of its own.
    for (const MapSpec& m : mapTable()) {
        if (m.map == map) return m.suffix[0] != '\0' ? m.suffix : nullptr;
    }
    return nullptr;
}

std::string deriveOutputPath(const std::string& filenameStr, const char* suffix) {
    const std::size_t k = filenameStr.rfind(".png");
    if (k == std::string::npos) return filenameStr;
    return filenameStr.substr(0, k) + suffix;
}

}  // namespace proctex
