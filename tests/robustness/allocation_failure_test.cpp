// A call whose fields cannot fit in memory fails cleanly with 0.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "test_support.h"

namespace proctex {
namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;  // the sanitizers reserve terabytes of address space
#else
constexpr bool kSanitized = false;
#endif

TEST(AllocationFailure, CallReturnsZeroUnderAnAddressSpaceLimit) {
    if (kSanitized) GTEST_SKIP() << "address-space limits and sanitizers do not mix";
    test::TempDir dir;
    const auto path = (dir / "big.png").wstring();

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // 20000 x 20000 floats are 1.6 GB; allow 512 MB.
        const rlimit limit{512ul << 20, 512ul << 20};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(90);
        test::Call call;
        call.width = 20000;
        call.height = 20000;
        const int result = call.run(path.c_str());
        std::exit(result == 0 ? 0 : 91);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child did not exit cleanly";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "90: setrlimit failed, 91: the call returned 1";
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

}  // namespace
}  // namespace proctex
