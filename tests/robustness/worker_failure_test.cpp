// An allocation that fails on one of a call's own threads fails the call as
// it would on the calling thread: 0 or PROCTEX_ERROR_MEMORY, no termination.
#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
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

namespace {

bool refuses(std::size_t size) {
    if (armed.load() && size >= (1u << 20) && std::this_thread::get_id() != armingThread) {
        ++refused;
        return true;
    }
    return false;
}

void* allocate(std::size_t size, std::size_t alignment) {
    if (refuses(size)) throw std::bad_alloc();
    // aligned_alloc wants a multiple of the alignment; malloc's suffices below it.
    const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
    void* memory = alignment <= alignof(std::max_align_t)
                       ? std::malloc(size == 0 ? 1 : size)
                       : std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

}  // namespace

// Every form of new the library uses, so a sanitizer runtime's own forms
// cannot bypass the failure.
void* operator new(std::size_t size) {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new[](std::size_t size) {
    return allocate(size, alignof(std::max_align_t));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
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
    const int refusedInCall = refused.exchange(0);
    ProctexMaps* maps = nullptr;
    const int generated = proctex_generate(&call, PROCTEX_MAPS_ALL, &maps, nullptr, 0);
    const int refusedInGenerate = refused.exchange(0);
    armed = false;
    unsetenv("PROCTEX_THREADS");
    if (refusedInCall == 0 && refusedInGenerate == 0) {
        GTEST_SKIP() << "every map was made on the calling thread";
    }
    if (refusedInCall > 0) {
        EXPECT_EQ(written, 0);
        EXPECT_TRUE(test::listFiles(dir.path()).empty());
    }
    if (refusedInGenerate > 0) {
        EXPECT_EQ(generated, PROCTEX_ERROR_MEMORY);
        EXPECT_EQ(maps, nullptr);
    }
    proctex_maps_free(maps);
}

}  // namespace
}  // namespace proctex
