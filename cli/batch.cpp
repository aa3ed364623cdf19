#include "batch.h"

#include <algorithm>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <thread>

#include "core/numeric.h"
#include "presets.h"

namespace proctex::cli {

namespace {

using nlohmann::json;

// What one manifest object asks for: a preset, an output and the options it
// sets explicitly.
struct ItemSettings {
    const Preset* preset = nullptr;
    std::optional<std::string> output;
    Options values;
    std::vector<const Field*> set;

    void applyTo(Options& o) const {
        for (const Field* f : set) copyField(*f, values, o);
    }
};

std::string describe(const json& value) {
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    std::string text = value.dump();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return text;
}

// Reads one option value; an empty string when it fits, else the reason.
std::string readValue(const Field& field, const json& value, Options& o) {
    if (std::holds_alternative<int Options::*>(field.member)) {
        const auto member = std::get<int Options::*>(field.member);
        if (value.is_boolean()) {
            o.*member = value.get<bool>() ? 1 : 0;
            return {};
        }
        if (value.is_number_integer() || value.is_number_unsigned()) {
            if (value.is_number_unsigned() && value.get<std::uint64_t>() > INT32_MAX) {
                return "is out of the integer range";
            }
            const std::int64_t v = value.get<std::int64_t>();
            if (v < INT32_MIN || v > INT32_MAX) return "is out of the integer range";
            o.*member = static_cast<int>(v);
            return {};
        }
        // 512.0 is refused too: integer options are written without a point.
        return "must be a whole number such as 1 or 512, not " + describe(value);
    }
    const auto member = std::get<float Options::*>(field.member);
    if (!value.is_number()) return "must be a number, not " + describe(value);
    const double v = value.get<double>();
    if (std::fabs(v) > FLT_MAX) return "is out of the float range";
    o.*member = static_cast<float>(v);
    return {};
}

ItemSettings readItemSettings(const json& object, const std::string& where, bool outputAllowed) {
    if (!object.is_object()) {
        throw ManifestError(where + ": must be an object, not " + describe(object));
    }
    ItemSettings settings;
    for (const auto& [key, value] : object.items()) {
        const std::string at = where + ", field \"" + key + "\": ";
        if (key == "preset") {
            if (!value.is_string()) throw ManifestError(at + "must be a preset name");
            settings.preset = findPreset(value.get<std::string>());
            if (settings.preset == nullptr) {
                throw ManifestError(at + "no preset is called \"" + value.get<std::string>() +
                                    "\" (proctex --list-presets lists them)");
            }
        } else if (key == "output") {
            if (!outputAllowed) throw ManifestError(at + "each item names its own output");
            if (!value.is_string() || value.get<std::string>().empty()) {
                throw ManifestError(at + "must be a non-empty path");
            }
            settings.output = value.get<std::string>();
        } else if (const Field* field = findField(key)) {
            if (std::find(settings.set.begin(), settings.set.end(), field) != settings.set.end()) {
                throw ManifestError(at + "\"" + field->name + "\" is given twice");
            }
            if (const std::string why = readValue(*field, value, settings.values); !why.empty()) {
                throw ManifestError(at + why);
            }
            settings.set.push_back(field);
        } else {
            throw ManifestError(at +
                                "unknown field (options take their long names, such as "
                                "\"scale\" or \"pattern-param\")");
        }
    }
    return settings;
}

// Two items writing the same file would overwrite each other, in whatever
// order their threads finish.
void rejectSharedOutputs(const std::vector<BatchItem>& items) {
    std::map<std::string, std::size_t> owner;
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (const auto& file : outputFiles(items[i].options)) {
            const std::string key = std::filesystem::path(file).lexically_normal().string();
            const auto [it, fresh] = owner.emplace(key, i);
            if (!fresh && it->second != i) {
                throw ManifestError("item " + std::to_string(i + 1) +
                                    ", field \"output\": writes " + file + ", as item " +
                                    std::to_string(it->second + 1) + " does");
            }
        }
    }
}

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// m:ss, or h:mm:ss from an hour on.
std::string clockText(double seconds) {
    const int total = truncToInt32(static_cast<float>(std::clamp(seconds, 0.0, 359999.0) + 0.5));
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

}  // namespace

std::vector<BatchItem> parseManifest(const std::string& text) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& e) {
        throw ManifestError(std::string("not valid JSON: ") + e.what());
    }

    const json* list = &root;
    ItemSettings defaults;
    if (root.is_object()) {
        for (const auto& [key, value] : root.items()) {
            if (key != "materials" && key != "defaults") {
                throw ManifestError("field \"" + key +
                                    "\": unknown (the manifest holds \"defaults\" and "
                                    "\"materials\")");
            }
        }
        if (!root.contains("materials")) {
            throw ManifestError("field \"materials\": missing (the list of items)");
        }
        list = &root["materials"];
        if (root.contains("defaults"))
            defaults = readItemSettings(root["defaults"], "defaults", false);
    }
    if (!list->is_array()) {
        throw ManifestError("the list of items must be an array, not " + describe(*list));
    }

    std::vector<BatchItem> items;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const std::string where = "item " + std::to_string(i + 1);
        const ItemSettings settings = readItemSettings((*list)[i], where, true);
        if (!settings.output) throw ManifestError(where + ", field \"output\": missing");
        BatchItem item;
        const Preset* preset = settings.preset != nullptr ? settings.preset : defaults.preset;
        if (preset != nullptr) item.options = preset->options;
        defaults.applyTo(item.options);
        settings.applyTo(item.options);
        item.options.output = *settings.output;
        item.name = settings.preset != nullptr ? settings.preset->name : *settings.output;
        items.push_back(std::move(item));
    }
    rejectSharedOutputs(items);
    return items;
}

std::vector<BatchItem> loadManifest(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw ManifestError("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return parseManifest(text.str());
}

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

    // Folders first, on this thread, so workers never race to make them.
    std::vector<std::string> folderError(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto dir = std::filesystem::path(items[i].options.output).parent_path();
        std::error_code ec;
        if (!dir.empty()) std::filesystem::create_directories(dir, ec);
        if (ec) folderError[i] = "cannot create " + dir.string() + ": " + ec.message();
    }

    std::atomic<std::size_t> next{0};
    std::mutex reporting;
    std::size_t done = 0;
    auto work = [&] {
        for (;;) {
            const std::size_t i = next.fetch_add(1);
            if (i >= items.size()) return;
            ItemResult result;
            const Clock::time_point itemStart = Clock::now();
            if (!folderError[i].empty()) {
                result.error = folderError[i];
            } else {
                try {
                    Outcome outcome = generate(items[i].options);
                    result.ok = outcome.ok;
                    result.error = std::move(outcome.error);
                    result.files = std::move(outcome.files);
                } catch (const std::exception& e) {
                    result.error = e.what();
                }
            }
            result.seconds = secondsSince(itemStart);
            summary.results[i] = std::move(result);

            const std::lock_guard lock(reporting);
            ++done;
            if (sink != nullptr) {
                sink->finished(items[i], summary.results[i], done, secondsSince(start));
            }
        }
    };
    {
        std::vector<std::jthread> workers;
        for (unsigned t = 1; t < summary.jobs; ++t) workers.emplace_back(work);
        work();
    }

    for (const auto& r : summary.results) summary.failed += r.ok ? 0 : 1;
    summary.seconds = secondsSince(start);
    if (sink != nullptr) sink->end(summary);
    return summary;
}

std::string progressBar(std::size_t done, std::size_t total, double elapsedSeconds, int columns) {
    std::string tail = " " + std::to_string(done) + "/" + std::to_string(total);
    if (done > 0 && elapsedSeconds > 0.0) {
        const double rate = static_cast<double>(done) / elapsedSeconds;
        tail += "  " + rateText(rate) + "  " + clockText(static_cast<double>(total - done) / rate) +
                " left";
    } else {
        tail += "  --/s  -:-- left";
    }
    const int barWidth = std::max(10, columns - 3 - static_cast<int>(tail.size()));
    const std::size_t filled = total == 0 ? static_cast<std::size_t>(barWidth)
                                          : done * static_cast<std::size_t>(barWidth) / total;
    return "[" + std::string(filled, '#') +
           std::string(static_cast<std::size_t>(barWidth) - filled, '.') + "]" + tail;
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
    if (!result.ok) failed_.push_back(item.name);
    const int width = static_cast<int>(std::to_string(total_).size());
    char head[64];
    std::snprintf(head, sizeof head, "[%*zu/%zu] ", width, done, total_);
    if (style_ == ProgressStyle::Bar) {
        std::fputs("\r\033[K", out_);  // back to the start of the line and clear it
        if (!result.ok) printFailure(head, item, result);
        std::fputs(progressBar(done, total_, elapsedSeconds, columns_).c_str(), out_);
    } else if (style_ == ProgressStyle::Lines || !result.ok) {
        if (result.ok) {
            std::fprintf(out_, "%sok     %s (%.2f s)\n", head, item.name.c_str(), result.seconds);
        } else {
            printFailure(head, item, result);
        }
    }
    std::fflush(out_);
}

// Names the output too: several items may share a preset's name.
void ProgressPrinter::printFailure(const char* head, const BatchItem& item,
                                   const ItemResult& result) {
    if (item.name == item.options.output) {
        std::fprintf(out_, "%sfailed %s: %s\n", head, item.name.c_str(), result.error.c_str());
    } else {
        std::fprintf(out_, "%sfailed %s (%s): %s\n", head, item.name.c_str(),
                     item.options.output.c_str(), result.error.c_str());
    }
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
        for (const auto& name : failed_) std::fprintf(out_, " %s", name.c_str());
    }
    std::fputs("\n", out_);
    std::fflush(out_);
}

}  // namespace proctex::cli
