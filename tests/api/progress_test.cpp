// Following a long call: the fractions rise to 1, and a stop request ends
// the call with PROCTEX_CANCELLED, keeping and writing nothing.
#include <gtest/gtest.h>
#include <proctex.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace proctex {
namespace {

// PROCTEX_THREADS for the calls that follow; empty: unset.
void setThreads(const char* value) {
#if defined(_WIN32)
    _putenv_s("PROCTEX_THREADS", value);
#else
    if (*value) {
        setenv("PROCTEX_THREADS", value, 1);
    } else {
        unsetenv("PROCTEX_THREADS");
    }
#endif
}

struct Listener {
    float stopAt = 2.0f;  // never, unless set
    std::vector<float> fractions;
    std::vector<std::string> stages;
    int callsAfterStop = 0;
    bool stopped = false;
};

int PROCTEX_CALL listen(float fraction, const char* stage, void* user) {
    auto* l = static_cast<Listener*>(user);
    if (l->stopped) ++l->callsAfterStop;
    l->fractions.push_back(fraction);
    if (l->stages.empty() || l->stages.back() != stage) l->stages.emplace_back(stage);
    if (fraction >= l->stopAt) l->stopped = true;
    return l->stopped ? 0 : 1;
}

ProctexSettings largeStone() {
    ProctexSettings s;
    proctex_settings_init(&s);
    s.width = s.height = 2048;
    return s;
}

TEST(CallProgress, FractionsRiseThroughTheStagesToOne) {
    ProctexSettings s = largeStone();
    s.width = s.height = 1024;
    Listener l;
    ProctexMaps* maps = nullptr;
    char reason[PROCTEX_REASON_SIZE];
    ASSERT_EQ(
        proctex_generate_progress(&s, PROCTEX_MAPS_ALL, &maps, listen, &l, reason, sizeof reason),
        PROCTEX_OK)
        << reason;
    ASSERT_GT(l.fractions.size(), 20u);  // a bar that moves, not one jump
    for (std::size_t i = 1; i < l.fractions.size(); ++i) {
        EXPECT_GE(l.fractions[i], l.fractions[i - 1]) << i;
    }
    EXPECT_EQ(l.fractions.back(), 1.0f);
    EXPECT_EQ(l.stages, (std::vector<std::string>{"noise", "pattern", "overlay", "maps", "done"}));

    // The same maps as without a listener.
    ProctexMaps* plain = nullptr;
    ASSERT_EQ(proctex_generate(&s, PROCTEX_MAPS_ALL, &plain, reason, sizeof reason), PROCTEX_OK);
    for (int map : {PROCTEX_MAP_DIFFUSE, PROCTEX_MAP_NORMAL, PROCTEX_MAP_AO}) {
        int w, h, c;
        const unsigned char* a = proctex_maps_pixels(maps, map, &w, &h, &c);
        const unsigned char* b = proctex_maps_pixels(plain, map, nullptr, nullptr, nullptr);
        EXPECT_EQ(std::vector<unsigned char>(a, a + w * h * c),
                  std::vector<unsigned char>(b, b + w * h * c))
            << map;
    }

    // Saving follows too: encoding, then writing, then done.
    test::TempDir dir;
    Listener saving;
    const std::string path = (dir / "s.png").string();
    ASSERT_EQ(
        proctex_save_files_progress(plain, path.c_str(), 0, listen, &saving, reason, sizeof reason),
        PROCTEX_OK)
        << reason;
    EXPECT_EQ(saving.stages, (std::vector<std::string>{"encode", "write", "done"}));
    EXPECT_EQ(saving.fractions.back(), 1.0f);
    proctex_maps_free(maps);
    proctex_maps_free(plain);
}

TEST(CallProgress, AStopRequestCancelsTheCallAtOnceAndKeepsNothing) {
    const ProctexSettings s = largeStone();
    char reason[PROCTEX_REASON_SIZE];
    for (float stopAt : {0.1f, 0.5f, 0.9f}) {
        Listener l;
        l.stopAt = stopAt;
        ProctexMaps* maps = reinterpret_cast<ProctexMaps*>(&l);  // must be reset to null
        EXPECT_EQ(proctex_generate_progress(&s, PROCTEX_MAPS_ALL, &maps, listen, &l, reason,
                                            sizeof reason),
                  PROCTEX_CANCELLED)
            << stopAt;
        EXPECT_EQ(maps, nullptr);
        EXPECT_EQ(l.callsAfterStop, 0) << stopAt;
        EXPECT_LT(l.fractions.back(), stopAt + 0.05f) << stopAt;
        EXPECT_NE(std::string(reason).find("cancelled"), std::string::npos);
    }

    // A stop while encoding writes no file at all.
    ProctexSettings small = s;
    small.width = small.height = 512;
    ProctexMaps* maps = nullptr;
    ASSERT_EQ(proctex_generate(&small, PROCTEX_MAPS_ALL, &maps, reason, sizeof reason), PROCTEX_OK);
    test::TempDir dir;
    Listener l;
    l.stopAt = 0.3f;
    const std::string path = (dir / "s.png").string();
    EXPECT_EQ(proctex_save_files_progress(maps, path.c_str(), PROCTEX_SAVE_GLB, listen, &l, reason,
                                          sizeof reason),
              PROCTEX_CANCELLED);
    EXPECT_TRUE(test::listFiles(dir.path()).empty());
    proctex_maps_free(maps);
}

// Workers report too: a callback that stops the call only when a worker
// calls it still stops it. And a slow callback is given at least its own
// time of work before the next call (stage changes aside), so it cannot
// multiply the call's time.
TEST(CallProgress, WorkersReportAndASlowCallbackWaitsItsOwnTime) {
    ProctexSettings s = largeStone();
    s.width = s.height = 1024;
    setThreads("4");
    struct OffThread {
        std::thread::id caller = std::this_thread::get_id();
    } off;
    auto stopOffThread = [](float, const char*, void* user) -> int {
        return std::this_thread::get_id() == static_cast<OffThread*>(user)->caller ? 1 : 0;
    };
    ProctexMaps* maps = nullptr;
    char reason[PROCTEX_REASON_SIZE];
    EXPECT_EQ(proctex_generate_progress(&s, PROCTEX_MAPS_ALL, &maps, stopOffThread, &off, reason,
                                        sizeof reason),
              PROCTEX_CANCELLED);
    setThreads("");

    using Clock = std::chrono::steady_clock;
    struct Call {
        std::string stage;
        Clock::time_point enter, exit;
    };
    std::vector<Call> calls;
    auto slow = [](float, const char* stage, void* user) -> int {
        const Clock::time_point enter = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        static_cast<std::vector<Call>*>(user)->push_back({stage, enter, Clock::now()});
        return 1;
    };
    s.width = s.height = 512;
    ASSERT_EQ(
        proctex_generate_progress(&s, PROCTEX_MAPS_ALL, &maps, slow, &calls, reason, sizeof reason),
        PROCTEX_OK);
    proctex_maps_free(maps);
    for (std::size_t i = 1; i < calls.size(); ++i) {
        if (calls[i].stage != calls[i - 1].stage) continue;  // every stage is heard
        EXPECT_GE(calls[i].enter - calls[i - 1].exit, calls[i - 1].exit - calls[i - 1].enter) << i;
    }
}

}  // namespace
}  // namespace proctex
