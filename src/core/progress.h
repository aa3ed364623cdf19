// The progress of one call, for a caller that asked to follow it: the stages
// report how far they are, a callback hears it and may ask the call to stop.
//
// The call sets its CallProgress as the current one on every thread working
// for it (ProgressScope); the stages' loops then call progressCheckpoint,
// which costs an atomic load and a clock read when someone is listening and
// nothing otherwise. A stop request surfaces as a CallCancelled exception
// that unwinds the call, so nothing half-made is kept.
#pragma once

#include <proctex.h>

#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>

namespace proctex {

// The caller's callback: returns non-zero to go on, 0 to stop.
using ProgressCallback = ProctexProgress;

struct CallCancelled : std::exception {
    const char* what() const noexcept override { return "the call was cancelled"; }
};

class CallProgress {
public:
    CallProgress(ProgressCallback callback, void* user) : callback_(callback), user_(user) {}

    // From here on, the stage `name` runs; its fractions map to from..to of the call.
    void enterStage(const char* name, float from, float to);

    // How far the current stage is (0..1, or a negative value for "still
    // working"); hands the call's fraction to the callback now and then and
    // throws CallCancelled when it asks to stop (now or before).
    void checkpoint(float stageFraction);

    // The last report: fraction 1 of stage "done" (never cancels).
    void finish();

    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
    void report(float stageFraction, bool always);

    ProgressCallback callback_;
    void* user_;
    std::mutex mutex_;  // one callback at a time, fractions never going back
    const char* stage_ = "start";
    float from_ = 0.0f;
    float to_ = 0.0f;
    float reported_ = 0.0f;
    std::chrono::steady_clock::time_point last_{};    // when the last callback returned
    std::chrono::steady_clock::duration lastCost_{};  // how long it took
    std::atomic<bool> cancelled_{false};
};

// The call this thread works for; null when nobody follows it.
CallProgress* currentProgress();

// Makes `progress` (null: none) current on this thread for the scope's life.
class ProgressScope {
public:
    explicit ProgressScope(CallProgress* progress);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    CallProgress* previous_;
};

// For the stages' loops: done of total steps of the current stage.
inline void progressCheckpoint(long long done, long long total) {
    if (CallProgress* p = currentProgress()) {
        p->checkpoint(total > 0 ? static_cast<float>(done) / static_cast<float>(total) : -1.0f);
    }
}

// For loops that cannot say how far they are: hears a stop request.
inline void progressStillWorking() {
    if (CallProgress* p = currentProgress()) p->checkpoint(-1.0f);
}

// Enters a stage of the current call, when one is followed.
inline void progressStage(const char* name, float from, float to) {
    if (CallProgress* p = currentProgress()) p->enterStage(name, from, to);
}

}  // namespace proctex
