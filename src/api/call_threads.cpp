#include "api/call_threads.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace proctex {

namespace {

constexpr const char* kThreadsVariable = "PROCTEX_THREADS";

// A DLL reads the process environment itself: the C runtime's copy misses
// what the host sets after start-up.
std::string environmentValue(const char* name, bool& present) {
#if defined(_WIN32)
    char buffer[32];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    present = length > 0 && length < sizeof buffer;
    return present ? std::string(buffer, length) : std::string();
#else
    const char* value = std::getenv(name);
    present = value != nullptr;
    return present ? std::string(value) : std::string();
#endif
}

// The value as a whole number from 1 up, or 0 when it is not one.
long positiveCount(const char* text) {
    if (text == nullptr || *text < '0' || *text > '9') return 0;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && errno == 0 ? std::max(value, 0L) : 0;
}

}  // namespace

int threadsForCall(std::size_t jobs, const char* setting, unsigned hardwareThreads) {
    const long requested = positiveCount(setting);
    const std::size_t threads =
        requested > 0 ? static_cast<std::size_t>(requested) : std::size_t{hardwareThreads};
    return static_cast<int>(std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(jobs, 1)));
}

int threadsForCall(std::size_t jobs) {
    bool present = false;
    const std::string value = environmentValue(kThreadsVariable, present);
    return threadsForCall(jobs, present ? value.c_str() : nullptr,
                          std::thread::hardware_concurrency());
}

}  // namespace proctex
