// The maps of one call side by side: the thread count follows PROCTEX_THREADS,
// never changes a byte, and a failing job fails the call without a stray
// thread.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "api/call_threads.h"
#include "core/parallel_jobs.h"
#include "test_support.h"
#include "threads_setting.h"

namespace proctex {
namespace {

TEST(MapThreads, CountFollowsTheVariableUpToOnePerMap) {
    EXPECT_EQ(threadsForCall(5, "1", 8), 1);
    EXPECT_EQ(threadsForCall(5, "3", 8), 3);
    EXPECT_EQ(threadsForCall(5, "64", 2), 5);
    EXPECT_EQ(threadsForCall(3, nullptr, 8), 3);
    EXPECT_EQ(threadsForCall(5, nullptr, 2), 2);
    EXPECT_EQ(threadsForCall(5, nullptr, 0), 1);  // the machine does not say
    for (const char* invalid : {"", "0", "-2", "2x", " 2", "+2", "99999999999999999999"}) {
        EXPECT_EQ(threadsForCall(5, invalid, 4), 4) << '"' << invalid << '"';
    }
}

TEST(ParallelJobs, RunsEachJobOnceAndRethrowsTheFirstFailureAfterAll) {
    std::vector<std::atomic<int>> runs(9);
    std::vector<std::function<void()>> jobs;
    for (std::size_t k = 0; k < runs.size(); ++k) jobs.emplace_back([&runs, k] { ++runs[k]; });
    runJobs(jobs, 4);
    for (const auto& count : runs) EXPECT_EQ(count.load(), 1);

    // Job 1 starts before job 3, so its failure is the one reported however
    // the two interleave.
    std::atomic<int> running{0};
    jobs = {[&] { ++running; },
            [&] {
                ++running;
                throw std::bad_alloc();
            },
            [&] { ++running; },
            [&] {
                ++running;
                throw std::runtime_error("later");
            }};
    for (int threads : {1, 3}) {
        running = 0;
        EXPECT_THROW(runJobs(jobs, threads), std::bad_alloc);
        EXPECT_GE(running.load(), 2);
    }
}

std::string stem(std::size_t call, const char* threads) {
    std::string name = "c";
    name += std::to_string(call);
    name += "t";
    name += threads;
    return name;
}

// Sizes that span several blocks of rows and pixels, with widths that no
// vector width divides.
TEST(MapThreads, EveryThreadCountWritesTheSameBytes) {
    test::TempDir dir;
    std::vector<test::Call> calls(3);
    calls[0].width = 300;
    calls[0].height = 130;
    calls[1].width = 77;
    calls[1].height = 411;
    calls[1].materialType = PROCTEX_MATERIAL_GREY;
    calls[1].invert = 1;
    calls[1].seamless = 2;
    calls[2].width = 1031;
    calls[2].height = 40;
    calls[2].materialType = PROCTEX_MATERIAL_LAVA;
    calls[2].contrast = 1.4f;
    calls[2].brightness = -0.1f;
    const char* settings[] = {"1", "2", "5", "junk"};
    for (std::size_t c = 0; c < calls.size(); ++c) {
        for (const char* threads : settings) {
            const test::ThreadsSetting setting(threads);
            ASSERT_EQ(calls[c].run(dir / (stem(c, threads) + ".png")), 1);
        }
        const auto one = test::outputNames(dir.path(), stem(c, "1"));
        for (const char* threads : settings) {
            const auto other = test::outputNames(dir.path(), stem(c, threads));
            for (auto member : {&test::OutputNames::diffuse, &test::OutputNames::normal,
                                &test::OutputNames::specular, &test::OutputNames::roughness,
                                &test::OutputNames::metallic}) {
                EXPECT_EQ(test::readBytes(one.*member), test::readBytes(other.*member))
                    << (other.*member);
            }
        }
    }
}

}  // namespace
}  // namespace proctex
