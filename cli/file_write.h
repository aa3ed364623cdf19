// Writing the tool's own files (records, reports, copies) whole or not at all.
#pragma once

#include <string>
#include <string_view>

namespace proctex::cli {

// Writes `bytes` to a hidden temporary beside `path`
// (".<name>.proctex-tmp-<pid>-<n>", the library's form, so a leftover is
// tidied by the next call on the folder), then renames it over `path`. The
// empty string on success, else the system's reason ("No space left on
// device"); the temporary is then removed and `path` is left as it was.
std::string replaceFileWith(const std::string& path, std::string_view bytes);

}  // namespace proctex::cli
