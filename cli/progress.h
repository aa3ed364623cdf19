// Progress of a batch on a terminal or in a log.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "batch_runner.h"

namespace proctex::cli {

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
