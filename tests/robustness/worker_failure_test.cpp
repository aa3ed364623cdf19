// An allocation that fails on one of a call's own threads fails the call as
// it would on the calling thread: 0 or PROCTEX_ERROR_MEMORY, no termination.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "test_support.h"

namespace {

// While armed, large allocations fail on every thread but the one that armed.
std::atomic<bool> armed{false};
std::atomic<int> refused{0};
std::thread::id armingThread;

}  // namespace

// The replacements pair malloc with free, which GCC cannot see through.
#if defined(__GNUC__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
    if (armed.load() && size >= (1u << 20) && std::this_thread::get_id() != armingThread) {
        ++refused;
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace proctex {
namespace {

TEST(WorkerFailure, AllocationFailureOnAMapThreadFailsTheCall) {
    test::TempDir dir;
    test::Call call;
    call.width = 1024;
    call.height = 1024;
    setenv("PROCTEX_THREADS", "5", 1);
    armingThread = std::this_thread::get_id();
    armed = true;
    const int written = call.run(dir / "x.png");
    ProctexMaps* maps = nullptr;
    const int generated = proctex_generate(&call, PROCTEX_MAPS_ALL, &maps, nullptr, 0);
    armed = false;
    unsetenv("PROCTEX_THREADS");
    if (refused.load() == 0) GTEST_SKIP() << "every map was made on the calling thread";
    EXPECT_EQ(written, 0);
    EXPECT_EQ(generated, PROCTEX_ERROR_MEMORY);
    EXPECT_EQ(maps, nullptr);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
}

}  // namespace
}  // namespace proctex
