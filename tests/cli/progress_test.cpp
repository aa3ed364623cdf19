// Progress of a batch as a user sees it: the bar, the lines and the summary.
#include "progress.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "batch_runner.h"
#include "test_support.h"

namespace proctex::cli {
namespace {

TEST(Progress, BarShowsCountRateAndTimeLeftWithinTheWidth) {
    const std::string half = progressBar(8, 16, 4.0, 60);
    EXPECT_EQ(half.size(), 59u) << half;  // the last column stays free: no wrap
    EXPECT_NE(half.find(" 8/16  2.0/s  0:04 left"), std::string::npos) << half;
    const std::size_t filled = half.find('.') - 1;  // '#' run after '['
    const std::size_t inside = half.find(']') - 1;
    EXPECT_EQ(filled * 2, inside) << half;

    const std::string start = progressBar(0, 16, 0.0, 60);
    EXPECT_EQ(start.find('#'), std::string::npos) << start;
    EXPECT_NE(start.find("0/16  --/s"), std::string::npos) << start;

    const std::string done = progressBar(150, 150, 10.0, 60);
    EXPECT_EQ(done.find('.'), std::string::npos) << done;  // "15/s": no decimals from 10 on
    EXPECT_NE(done.find("150/150  15/s  0:00 left"), std::string::npos) << done;

    // Hours, and a terminal too narrow for the text still gets a usable bar.
    const std::string slow = progressBar(1, 10000, 2.0, 20);
    EXPECT_NE(slow.find("5:33:18 left"), std::string::npos) << slow;
    EXPECT_EQ(slow.find(']'), 11u) << slow;
}

std::string readAll(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[512];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    return text;
}

TEST(Progress, LinesNameEachItemAndTheSummaryNamesFailures) {
    test::TempDir dir;
    std::vector<BatchItem> items(3);
    for (int i = 0; i < 3; ++i) {
        items[i].name = std::string(1, 'm') + std::to_string(i);
        items[i].options.width = 16;
        items[i].options.height = 16;
        items[i].options.output = (dir / (items[i].name + ".png")).string();
        items[i].number = static_cast<std::size_t>(i) + 1;
    }
    items[0].name = items[0].options.output;  // an item without a preset
    items[1].options.width = 0;
    char reason[256];
    ASSERT_NE(proctex_settings_check(&items[1].options, reason, sizeof reason), PROCTEX_OK);

    for (const ProgressStyle style : {ProgressStyle::Lines, ProgressStyle::Bar}) {
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        ProgressPrinter printer(out, style, 70);
        const BatchSummary summary = runBatch(items, 1, &printer);
        const std::string text = readAll(out);
        std::fclose(out);

        EXPECT_EQ(summary.failed, 1u);
        EXPECT_NE(text.find("batch: 3 materials on 1 job\n"), std::string::npos) << text;
        // Numbered by the manifest and named by output, whatever the order they finish in.
        const std::string second = "item 2 " + items[1].options.output + " (m1)";
        EXPECT_NE(text.find("[2/3] failed " + second + ": " + reason + "\n"), std::string::npos)
            << text;
        EXPECT_NE(text.find("batch: 2 of 3 written in "), std::string::npos) << text;
        EXPECT_NE(text.find("1 failed: " + second + "\n"), std::string::npos) << text;
        if (style == ProgressStyle::Lines) {
            EXPECT_NE(text.find("[1/3] ok     item 1 " + items[0].options.output + ", "),
                      std::string::npos)
                << text;
            EXPECT_EQ(text.find('\r'), std::string::npos) << text;
        } else {
            // Redrawn in place, and the failure printed on a cleared line.
            EXPECT_NE(text.find("\r\033[K[2/3] failed"), std::string::npos) << text;
            EXPECT_NE(text.find(" 3/3 "), std::string::npos) << text;
            EXPECT_EQ(text.find("ok     item 1"), std::string::npos) << text;
        }
    }
}

}  // namespace
}  // namespace proctex::cli
