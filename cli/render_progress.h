// One long render followed on a terminal: a bar that appears once the call
// has run for about a second, and Ctrl-C that stops the call cleanly.
#pragma once

#include <proctex.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace proctex::cli {

class RenderProgress {
public:
    // `bar`: draw the bar (on a terminal, or when asked); the stop request
    // of Ctrl-C is heard either way.
    RenderProgress(std::FILE* out, bool bar, int columns);
    ~RenderProgress();
    RenderProgress(const RenderProgress&) = delete;
    RenderProgress& operator=(const RenderProgress&) = delete;

    // For the library's progress calls.
    static int PROCTEX_CALL callback(float fraction, const char* stage, void* self);

    // Ends the bar's line when one was drawn.
    void done();

    // The part of the whole the library calls in turn cover: generating,
    // then saving.
    void setSpan(float from, float to);

    // Whether Ctrl-C asked this run to stop.
    static bool interrupted();

private:
    int update(float fraction, const char* stage);

    std::FILE* out_;
    bool bar_;
    int columns_;
    float from_ = 0.0f;
    float to_ = 1.0f;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_;
};

// "[#######.......]  45%  noise" fitted to `columns` characters.
std::string renderBar(float fraction, const std::string& stage, int columns);

}  // namespace proctex::cli
