#include "core/progress.h"

#include <algorithm>

namespace proctex {

namespace {

thread_local CallProgress* tCurrent = nullptr;

// Often enough that a stop request is heard within a few milliseconds,
// seldom enough that a callback into Python or a UI costs nothing.
constexpr auto kCallInterval = std::chrono::milliseconds(10);
constexpr float kCallStep = 0.01f;

}  // namespace

void CallProgress::enterStage(const char* name, float from, float to) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stage_ = name;
        from_ = from;
        to_ = to;
    }
    report(0.0f, true);  // every stage is heard, however short
}

void CallProgress::checkpoint(float stageFraction) {
    report(stageFraction, false);
}

void CallProgress::report(float stageFraction, bool always) {
    if (cancelled()) throw CallCancelled();
    std::lock_guard<std::mutex> lock(mutex_);
    float fraction = reported_;
    if (stageFraction >= 0.0f) {
        fraction = std::max(reported_, from_ + (to_ - from_) * std::min(stageFraction, 1.0f));
    }
    const auto now = std::chrono::steady_clock::now();
    if (!always) {
        if (fraction - reported_ < kCallStep && now - last_ < kCallInterval) return;
        // A slow callback gets at least its own time of work between calls,
        // so it never takes more than half the call.
        if (now - last_ < lastCost_) return;
    }
    reported_ = fraction;
    const bool goOn = callback_ == nullptr || callback_(fraction, stage_, user_) != 0;
    // The interval runs from the callback's return, not from before it.
    last_ = std::chrono::steady_clock::now();
    lastCost_ = last_ - now;
    if (!goOn) {
        cancelled_.store(true, std::memory_order_relaxed);
        throw CallCancelled();
    }
}

void CallProgress::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (cancelled()) return;
    reported_ = 1.0f;
    stage_ = "done";
    if (callback_ != nullptr) callback_(1.0f, stage_, user_);
}

CallProgress* currentProgress() {
    return tCurrent;
}

ProgressScope::ProgressScope(CallProgress* progress) : previous_(tCurrent) {
    tCurrent = progress;
}

ProgressScope::~ProgressScope() {
    tCurrent = previous_;
}

}  // namespace proctex
