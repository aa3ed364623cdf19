#include "render_progress.h"

#include <algorithm>
#include <csignal>

namespace proctex::cli {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void onInterrupt(int) {
    gInterrupted = 1;
}

// A render shorter than this shows no bar at all.
constexpr auto kQuietStart = std::chrono::milliseconds(1000);

}  // namespace

std::string renderBar(float fraction, const std::string& stage, int columns) {
    fraction = std::clamp(fraction, 0.0f, 1.0f);
    const int percent = static_cast<int>(fraction * 100.0f);  // within 0..100
    const std::string tail = "  " + std::to_string(percent) + "%  " + stage;
    const int width = std::max(10, columns - 3 - static_cast<int>(tail.size()));
    const int filled = static_cast<int>(fraction * static_cast<float>(width));
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]" + tail;
}

RenderProgress::RenderProgress(std::FILE* out, bool bar, int columns)
    : out_(out), bar_(bar), columns_(columns), start_(std::chrono::steady_clock::now()) {
    gInterrupted = 0;
    std::signal(SIGINT, onInterrupt);
}

RenderProgress::~RenderProgress() {
    std::signal(SIGINT, SIG_DFL);
    done();
}

bool RenderProgress::interrupted() {
    return gInterrupted != 0;
}

void RenderProgress::setSpan(float from, float to) {
    from_ = from;
    to_ = to;
}

void RenderProgress::done() {
    if (!drawn_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    drawn_ = false;
}

int PROCTEX_CALL RenderProgress::callback(float fraction, const char* stage, void* self) {
    return static_cast<RenderProgress*>(self)->update(fraction, stage);
}

int RenderProgress::update(float fraction, const char* stage) {
    if (interrupted()) return 0;
    const std::string name = stage;
    if (!bar_ || name == "done") return 1;
    if (!drawn_ && std::chrono::steady_clock::now() - start_ < kQuietStart) return 1;
    const float whole = from_ + (to_ - from_) * fraction;
    std::fprintf(out_, "\r%s", renderBar(whole, name, columns_).c_str());
    std::fflush(out_);
    drawn_ = true;
    return 1;
}

}  // namespace proctex::cli
