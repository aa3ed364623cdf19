// Arguments handed to a Windows program: each must come back whole from its
// command line, spaces, quotes and backslashes included.
#include <gtest/gtest.h>

#include "dask_batch.h"

namespace proctex::cli {
namespace {

TEST(WindowsArguments, ComeBackWholeFromTheCommandLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"python.exe", "python.exe"},
        {"import distributed", "\"import distributed\""},
        {"", "\"\""},
        {R"(C:\Program Files\Python\)", R"("C:\Program Files\Python\\")"},
        {R"(say "hi")", R"("say \"hi\"")"},
        {R"(a\\"b c)", R"("a\\\\\"b c")"},
        {R"(C:\out\a.json)", R"(C:\out\a.json)"},  // backslashes alone stay as they are
    };
    for (const auto& [argument, quoted] : cases) {
        EXPECT_EQ(quoteWindowsArgument(argument), quoted) << argument;
    }
}

}  // namespace
}  // namespace proctex::cli
