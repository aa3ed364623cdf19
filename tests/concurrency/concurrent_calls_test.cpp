// Calls from many threads share nothing: each file equals the one the same
// call writes alone.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "threads_setting.h"

namespace proctex {
namespace {

using test::Call;
using test::outputNames;
using test::readBytes;
using test::TempDir;
using test::ThreadsSetting;

// 96 calls: every pattern, overlay and palette several times over. The
// sanitizers see a race from one unsynchronised pair of accesses, so more
// calls add time, not findings.
constexpr int kThreads = 8;
constexpr int kCallsPerThread = 12;

// A mix that reaches every pattern and overlay type, both base fields,
// several palettes and the tone and seamless options.
Call mixedCall(int index) {
    Call call;
    call.width = 24 + index % 5;
    call.height = 20 + index % 3;
    call.baseType = index % 2;
    call.materialType = index % 9;
    call.patternType = 1 + index % 12;  // 1 is no pattern
    call.patternParam = 2.0f + static_cast<float>(index % 4);
    call.overlayType = index % 5;  // 0 is no overlay
    call.overlayParam = 6.0f + static_cast<float>(index % 3);
    call.overlayStrength = 0.3f + 0.1f * static_cast<float>(index % 6);
    call.seed = index * 7919;
    call.contrast = index % 3 == 0 ? 1.3f : 1.0f;
    call.invert = index % 4 == 0;
    call.seamless = index % 3;
    return call;
}

std::string stem(int index, const char* kind) {
    return kind + std::to_string(index);
}

// The solo reference calls run with `soloThreads` threads for their maps.
void expectManyThreadsWriteWhatSingleCallsWrite(const char* soloThreads) {
    TempDir dir;
    const int total = kThreads * kCallsPerThread;
    std::vector<int> results(total, -1);

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int k = 0; k < kCallsPerThread; ++k) {
                const int index = t * kCallsPerThread + k;
                results[index] = mixedCall(index).run(dir / (stem(index, "mt") + ".png"));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();

    ThreadsSetting solo(soloThreads);
    for (int index = 0; index < total; ++index) {
        const int alone = mixedCall(index).run(dir / (stem(index, "solo") + ".png"));
        ASSERT_EQ(results[index], alone) << "call " << index;
        const auto a = outputNames(dir.path(), stem(index, "mt"));
        const auto b = outputNames(dir.path(), stem(index, "solo"));
        for (auto member :
             {&test::OutputNames::diffuse, &test::OutputNames::normal, &test::OutputNames::specular,
              &test::OutputNames::roughness, &test::OutputNames::metallic}) {
            ASSERT_EQ(readBytes(a.*member), readBytes(b.*member)) << (a.*member);
        }
    }
}

TEST(Concurrency, ManyThreadsWriteWhatSingleCallsWrite) {
    ThreadsSetting threads(nullptr);
    expectManyThreadsWriteWhatSingleCallsWrite(nullptr);
}

// Every call also makes its maps on two threads of its own; the references
// are made on the calling thread alone.
TEST(Concurrency, CallsWithThreadsOfTheirOwnWriteWhatSingleThreadCallsWrite) {
    ThreadsSetting threads("2");
    expectManyThreadsWriteWhatSingleCallsWrite("1");
}

}  // namespace
}  // namespace proctex
