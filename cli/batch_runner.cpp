#include "batch_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform.h"

namespace proctex::cli {

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Folders first, on the calling thread, so workers never race to make them.
// One entry per item: empty, or why its folder could not be made.
std::vector<std::string> createOutputFolders(const std::vector<BatchItem>& items) {
    std::vector<std::string> errors(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto dir = pathFromUtf8(items[i].options.output).parent_path();
        std::error_code ec;
        if (!dir.empty()) std::filesystem::create_directories(dir, ec);
        if (ec) errors[i] = "cannot create " + utf8FromPath(dir) + ": " + ec.message();
    }
    return errors;
}

ItemResult runItem(const BatchItem& item, const std::string& folderError) {
    ItemResult result;
    const Clock::time_point start = Clock::now();
    if (!folderError.empty()) {
        result.error = folderError;
    } else {
        try {
            Outcome outcome = generate(item.options);
            result.ok = outcome.ok;
            result.error = std::move(outcome.error);
            result.files = std::move(outcome.files);
        } catch (const std::exception& e) {
            result.error = e.what();
        }
    }
    result.seconds = secondsSince(start);
    return result;
}

}  // namespace

unsigned workerCount(int requested, std::size_t items) {
    std::size_t n = requested > 0 ? static_cast<std::size_t>(requested)
                                  : std::max(1u, std::thread::hardware_concurrency());
    n = std::min(n, std::max<std::size_t>(items, 1));
    return static_cast<unsigned>(n);
}

BatchSummary runBatch(const std::vector<BatchItem>& items, int jobs, ProgressSink* sink) {
    BatchSummary summary;
    summary.jobs = workerCount(jobs, items.size());
    summary.results.resize(items.size());
    const Clock::time_point start = Clock::now();
    if (sink != nullptr) sink->start(items.size(), summary.jobs);

    const std::vector<std::string> folderError = createOutputFolders(items);
    std::atomic<std::size_t> next{0};
    std::mutex reporting;
    std::size_t done = 0;
    auto work = [&](unsigned worker) {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= items.size()) return;
            summary.results[i] = runItem(items[i], folderError[i]);
            summary.results[i].worker = worker;

            const std::lock_guard lock(reporting);
            ++done;
            if (sink != nullptr) {
                sink->finished(items[i], summary.results[i], done, secondsSince(start));
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 1; t < summary.jobs; ++t) workers.emplace_back(work, t);
        work(0);
    }

    for (const auto& r : summary.results) summary.failed += r.ok ? 0 : 1;
    summary.seconds = secondsSince(start);
    if (sink != nullptr) sink->end(summary);
    return summary;
}

}  // namespace proctex::cli
