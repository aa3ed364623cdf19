// How many threads one call may use for its maps.
#pragma once

#include <cstddef>
#include <string>

namespace proctex {

// PROCTEX_THREADS, read afresh at every call: a whole number from 1 up sets
// the threads (1 keeps everything on the calling thread); unset or anything
// else means the machine's hardware threads. Never more than `jobs`, never
// fewer than 1.
int threadsForCall(std::size_t jobs);

// The same rule for a given value of the variable (null when unset).
int threadsForCall(std::size_t jobs, const char* setting, unsigned hardwareThreads);

}  // namespace proctex
