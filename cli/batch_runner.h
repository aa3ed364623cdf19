// Many materials in one run, on worker threads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "options.h"

namespace proctex::cli {

struct BatchItem {
    std::string name;  // the preset's name, or the output path
    Options options;
    std::size_t number = 0;  // its place in the manifest, from 1; 0: not from one
};

struct ItemResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> files;
    double seconds = 0.0;
    unsigned worker = 0;  // the thread that ran it, from 0
};

struct BatchSummary {
    std::vector<ItemResult> results;  // in item order
    std::size_t failed = 0;
    unsigned jobs = 0;
    double seconds = 0.0;
};

// Told about every finished item, one call at a time (never concurrently),
// in the order they finish.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void start(std::size_t total, unsigned jobs) = 0;
    virtual void finished(const BatchItem& item, const ItemResult& result, std::size_t done,
                          double elapsedSeconds) = 0;
    virtual void end(const BatchSummary& summary) = 0;
};

// The number of workers for a request: `requested` when positive, else the
// number of cores; never more than there are items, never less than one.
unsigned workerCount(int requested, std::size_t items);

// Creates each item's output folder, then runs the items on `jobs` threads
// (see workerCount). A failed item does not stop the others.
BatchSummary runBatch(const std::vector<BatchItem>& items, int jobs, ProgressSink* sink);

}  // namespace proctex::cli
