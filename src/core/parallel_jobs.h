// Independent jobs run side by side on a few threads for the length of a call.
#pragma once

#include <functional>
#include <vector>

namespace proctex {

// Runs every job once, on the calling thread and up to threads - 1 more, and
// returns when all have finished: no thread outlives the call. Jobs start in
// their order. When a job throws, the jobs not yet started are skipped and,
// once every thread has stopped, the exception of the first failed job (in
// job order) is rethrown. If a thread cannot be started, fewer do the work.
void runJobs(const std::vector<std::function<void()>>& jobs, int threads);

}  // namespace proctex
