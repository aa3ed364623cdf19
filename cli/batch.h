// Many materials in one run: a JSON manifest, worker threads, progress.
#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "options.h"

namespace proctex::cli {

struct BatchItem {
    std::string name;  // the preset's name, or the output path
    Options options;
};

// A manifest that cannot be run; the message names the item and the field.
class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A manifest is a JSON array of items, or an object {"defaults": {...},
// "materials": [...]} whose defaults every item starts from. An item is an
// object with "output" (required), optionally "preset", and any option by its
// long name ("scale", "pattern-param" or "pattern_param"). An item starts
// from its preset (or the defaults' preset), then takes the options of the
// defaults, then its own. Throws ManifestError, before any work.
std::vector<BatchItem> parseManifest(const std::string& text);
std::vector<BatchItem> loadManifest(const std::filesystem::path& path);

struct ItemResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> files;
    double seconds = 0.0;
};

struct BatchSummary {
    std::vector<ItemResult> results;  // in manifest order
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

// "[#######.......]  7/16  3.4/s  0:03 left" fitted to `columns` characters.
std::string progressBar(std::size_t done, std::size_t total, double elapsedSeconds, int columns);

enum class ProgressStyle { Bar, Lines, Quiet };

// Writes progress to `out`: a bar redrawn in place, or one line per item.
// Failures are always reported as lines, and a summary ends the run.
class ProgressPrinter : public ProgressSink {
public:
    ProgressPrinter(std::FILE* out, ProgressStyle style, int columns = 80);
    void start(std::size_t total, unsigned jobs) override;
    void finished(const BatchItem& item, const ItemResult& result, std::size_t done,
                  double elapsedSeconds) override;
    void end(const BatchSummary& summary) override;

private:
    void printFailure(const char* head, const BatchItem& item, const ItemResult& result);

    std::FILE* out_;
    ProgressStyle style_;
    int columns_;
    std::size_t total_ = 0;
    std::vector<std::string> failed_;
};

}  // namespace proctex::cli
