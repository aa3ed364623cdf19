// The batch runner's workers: every item once, reports one at a time, files
// equal to those of a single worker, failures isolated.
#include "batch_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "presets.h"
#include "test_support.h"

namespace proctex::cli {
namespace {

// Records every report and notices overlapping calls, which the runner must
// never make.
class RecordingSink : public ProgressSink {
public:
    void start(std::size_t total, unsigned jobs) override {
        total_ = total;
        jobs_ = jobs;
    }
    void finished(const BatchItem& item, const ItemResult& result, std::size_t done,
                  double elapsedSeconds) override {
        if (inside_.exchange(true)) overlapped_ = true;
        names_.push_back(item.name);
        done_.push_back(done);
        okCount_ += result.ok ? 1 : 0;
        elapsed_.push_back(elapsedSeconds);
        inside_ = false;
    }
    void end(const BatchSummary& summary) override { ended_ = summary.results.size(); }

    std::size_t total_ = 0;
    unsigned jobs_ = 0;
    std::atomic<bool> inside_{false};
    bool overlapped_ = false;
    std::vector<std::string> names_;
    std::vector<std::size_t> done_;
    std::vector<double> elapsed_;
    std::size_t okCount_ = 0;
    std::size_t ended_ = 0;
};

std::vector<BatchItem> smallPresets(const std::filesystem::path& dir) {
    std::vector<BatchItem> items;
    for (const Preset& p : presets()) {
        BatchItem item{p.name, p.options};
        item.options.width = 40;
        item.options.height = 32;
        item.options.output = (dir / (std::string(p.name) + ".png")).string();
        items.push_back(std::move(item));
    }
    return items;
}

TEST(BatchRunner, ThreeWorkersWriteWhatOneWorkerWrites) {
    test::TempDir one, three;
    const auto serial = smallPresets(one.path());
    auto parallel = smallPresets(three.path());
    // A failing item in the middle, in a folder the runner has to create.
    parallel[5].options.patternParam = 0.0f;
    parallel[5].options.patternType = PROCTEX_PATTERN_CELLS;  // a cell size of 0 is refused
    parallel[7].options.output = (three / "deeper" / "nested" / "x.png").string();

    ASSERT_EQ(runBatch(serial, 1, nullptr).failed, 0u);
    RecordingSink sink;
    const BatchSummary summary = runBatch(parallel, 3, &sink);

    EXPECT_EQ(summary.jobs, 3u);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_FALSE(summary.results[5].ok);
    char reason[256];
    ASSERT_NE(proctex_settings_check(&parallel[5].options, reason, sizeof reason), PROCTEX_OK);
    EXPECT_EQ(summary.results[5].error, reason);
    EXPECT_FALSE(sink.overlapped_);
    EXPECT_EQ(sink.total_, parallel.size());
    EXPECT_EQ(sink.jobs_, 3u);
    EXPECT_EQ(sink.ended_, parallel.size());
    EXPECT_EQ(sink.okCount_, parallel.size() - 1);
    ASSERT_EQ(sink.done_.size(), parallel.size());
    for (std::size_t i = 0; i < sink.done_.size(); ++i) {
        EXPECT_EQ(sink.done_[i], i + 1);
        if (i > 0) {
            EXPECT_GE(sink.elapsed_[i], sink.elapsed_[i - 1]);
        }
    }
    EXPECT_EQ(std::set<std::string>(sink.names_.begin(), sink.names_.end()).size(),
              parallel.size());

    for (std::size_t i = 0; i < parallel.size(); ++i) {
        if (i == 5) continue;
        const auto& mine = summary.results[i].files;
        ASSERT_EQ(mine.size(), 5u) << parallel[i].name;
        const auto theirs = outputFiles(serial[i].options);
        for (std::size_t f = 0; f < mine.size(); ++f) {
            EXPECT_EQ(test::readBytes(mine[f]), test::readBytes(theirs[f])) << mine[f];
        }
    }
}

TEST(BatchRunner, AFolderThatCannotBeMadeFailsOnlyItsItem) {
    test::TempDir dir;
    {
        std::FILE* blocker = std::fopen((dir / "file").string().c_str(), "w");
        ASSERT_NE(blocker, nullptr);
        std::fclose(blocker);
    }
    auto items = smallPresets(dir.path());
    items.resize(4);
    items[2].options.output = (dir / "file" / "sub" / "x.png").string();
    const BatchSummary summary = runBatch(items, 2, nullptr);
    EXPECT_EQ(summary.failed, 1u);
    EXPECT_NE(summary.results[2].error.find("cannot create"), std::string::npos)
        << summary.results[2].error;
    EXPECT_TRUE(summary.results[3].ok);
}

}  // namespace
}  // namespace proctex::cli
