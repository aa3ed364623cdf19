#include "core/parallel_jobs.h"

#include <atomic>
#include <cstddef>
#include <exception>
#include <thread>

#include "core/forced_unwind.h"

namespace proctex {

void runJobs(const std::vector<std::function<void()>>& jobs, int threads) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::exception_ptr> errors(jobs.size());
    auto work = [&] {
        while (!failed.load()) {
            const std::size_t job = next.fetch_add(1);
            if (job >= jobs.size()) return;
            try {
                jobs[job]();
            }
            PROCTEX_PASS_FORCED_UNWIND catch (...) {
                errors[job] = std::current_exception();
                failed.store(true);
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        const std::size_t wanted = threads > 1 ? static_cast<std::size_t>(threads - 1) : 0;
        try {
            helpers.reserve(wanted);
            while (helpers.size() < wanted) helpers.emplace_back(work);
        }
        PROCTEX_PASS_FORCED_UNWIND catch (...) {
            // No memory or no thread left for another helper: the ones
            // started and this thread still take every job.
        }
        work();
    }  // the helpers join here
    for (const std::exception_ptr& error : errors) {
        if (error) std::rethrow_exception(error);
    }
}

}  // namespace proctex
