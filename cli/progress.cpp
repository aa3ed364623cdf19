#include "progress.h"

#include <algorithm>
#include <cmath>

namespace proctex::cli {

namespace {

// m:ss, or h:mm:ss from an hour on; at most 99:59:59.
std::string clockText(double seconds) {
    // Clamped first (NaN to 0), so the rounded value always fits an int.
    const double bounded = seconds > 0.0 ? std::min(seconds, 359999.0) : 0.0;
    const int total = static_cast<int>(std::lround(bounded));
    char buffer[32];
    if (total >= 3600) {
        std::snprintf(buffer, sizeof buffer, "%d:%02d:%02d", total / 3600, total / 60 % 60,
                      total % 60);
    } else {
        std::snprintf(buffer, sizeof buffer, "%d:%02d", total / 60, total % 60);
    }
    return buffer;
}

std::string rateText(double perSecond) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, perSecond >= 10.0 ? "%.0f/s" : "%.1f/s", perSecond);
    return buffer;
}

// "item 3 out/g.png (granite)": the manifest's number and the output, which
// a preset's name alone would not tell apart.
std::string itemLabel(const BatchItem& item) {
    std::string label = item.number > 0 ? "item " + std::to_string(item.number) + " " : "";
    label += item.options.output.empty() ? item.name : item.options.output;
    if (!item.options.output.empty() && item.name != item.options.output) {
        label += " (" + item.name + ")";
    }
    return label;
}

}  // namespace

std::string progressBar(std::size_t done, std::size_t total, double elapsedSeconds, int columns) {
    std::string tail = " ";
    tail.append(std::to_string(done)).append("/").append(std::to_string(total)).append("  ");
    if (done > 0 && elapsedSeconds > 0.0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        tail.append(rateText(rate)).append("  ");
        tail.append(clockText(static_cast<double>(total - done) / rate)).append(" left");
    } else {
        tail += "--/s  -:-- left";
    }
    const int barWidth = std::max(10, columns - 3 - static_cast<int>(tail.size()));
    const std::size_t filled = total == 0 ? static_cast<std::size_t>(barWidth)
                                          : done * static_cast<std::size_t>(barWidth) / total;
    std::string bar = "[";
    bar.append(filled, '#').append(static_cast<std::size_t>(barWidth) - filled, '.');
    return bar.append("]").append(tail);
}

ProgressPrinter::ProgressPrinter(std::FILE* out, ProgressStyle style, int columns)
    : out_(out), style_(style), columns_(columns) {}

void ProgressPrinter::start(std::size_t total, unsigned jobs) {
    total_ = total;
    if (style_ == ProgressStyle::Quiet) return;
    std::fprintf(out_, "batch: %zu material%s on %u job%s\n", total, total == 1 ? "" : "s", jobs,
                 jobs == 1 ? "" : "s");
    if (style_ == ProgressStyle::Bar) {
        std::fprintf(out_, "%s", progressBar(0, total, 0.0, columns_).c_str());
    }
    std::fflush(out_);
}

void ProgressPrinter::finished(const BatchItem& item, const ItemResult& result, std::size_t done,
                               double elapsedSeconds) {
    if (!result.ok) failed_.push_back(itemLabel(item));
    const int width = static_cast<int>(std::to_string(total_).size());
    char head[64];
    std::snprintf(head, sizeof head, "[%*zu/%zu] ", width, done, total_);
    if (style_ == ProgressStyle::Bar) {
        std::fputs("\r\033[K", out_);  // back to the start of the line and clear it
        if (!result.ok) printFailure(head, item, result);
        std::fputs(progressBar(done, total_, elapsedSeconds, columns_).c_str(), out_);
    } else if (style_ == ProgressStyle::Lines || !result.ok) {
        if (result.ok) {
            std::fprintf(out_, "%sok     %s, %.2f s\n", head, itemLabel(item).c_str(),
                         result.seconds);
        } else {
            printFailure(head, item, result);
        }
    }
    std::fflush(out_);
}

void ProgressPrinter::printFailure(const char* head, const BatchItem& item,
                                   const ItemResult& result) {
    std::fprintf(out_, "%sfailed %s: %s\n", head, itemLabel(item).c_str(), result.error.c_str());
}

void ProgressPrinter::end(const BatchSummary& summary) {
    if (style_ == ProgressStyle::Bar) std::fputs("\n", out_);
    const std::size_t total = summary.results.size();
    const double rate = summary.seconds > 0.0 ? static_cast<double>(total) / summary.seconds : 0.0;
    std::fprintf(out_, "batch: %zu of %zu written in %.2f s (%s, %u job%s)", total - summary.failed,
                 total, summary.seconds, rateText(rate).c_str(), summary.jobs,
                 summary.jobs == 1 ? "" : "s");
    if (summary.failed > 0) {
        std::fprintf(out_, "; %zu failed:", summary.failed);
        for (std::size_t i = 0; i < failed_.size(); ++i) {
            std::fprintf(out_, "%s %s", i == 0 ? "" : ";", failed_[i].c_str());
        }
    }
    std::fputs("\n", out_);
    std::fflush(out_);
}

}  // namespace proctex::cli
