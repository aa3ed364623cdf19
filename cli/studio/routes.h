// The studio's HTTP handling: who may ask (Host and token), the page and its
// scripts, and the API.
#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <semaphore>
#include <string>
#include <string_view>
#include <vector>

#include "store.h"

namespace httplib {
class Server;
}

namespace proctex::cli::studio {

// Largest request body: a render request is a few hundred bytes.
constexpr std::size_t kMaxBody = 64 * 1024;

// A request's head (request line and headers): more lines or bytes are
// answered 431 as they arrive, before they are kept. The page sends about
// a dozen headers.
constexpr std::size_t kMaxHeaderCount = 100;
constexpr std::size_t kMaxHeadBytes = 64 * 1024;

// Renders, exports and map PNGs made at once; more wait their turn, so a
// burst of requests holds at most this many sets of maps in the making.
constexpr std::ptrdiff_t kRenderSlots = 2;

// Exports whose zip is built or still being sent: each holds a whole
// material's files in memory. One more is refused (503) after a short wait.
constexpr std::ptrdiff_t kExportSlots = 3;

struct StudioState {
    std::string token;               // empty: --no-token
    std::vector<std::string> hosts;  // Host header values answered, port included
    std::filesystem::path assets;    // the page and three.js
    // Eight renders, and 2 x 4096² pixels in all: about 33 bytes a pixel
    // with every map, so the kept maps stay under 1.2 GB.
    RenderStore store{8, 2 * 4096 * 4096, 64};
    std::counting_semaphore<kRenderSlots> slots{kRenderSlots};
    std::counting_semaphore<kExportSlots> exports{kExportSlots};
    std::mutex exportBuild;             // held while an export's maps and zip are made
    std::atomic<bool> stopping{false};  // set on Ctrl-C or SIGTERM: renders stop at once
};

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or
// code points above U+10FFFF).
bool isUtf8(std::string_view text);

// The Host values a server on host:port answers: the loopback names and the
// address it was asked to listen on.
std::vector<std::string> allowedHosts(const std::string& host, int port);

// Installs every handler; `state` must outlive the server.
void installRoutes(httplib::Server& server, StudioState& state);

}  // namespace proctex::cli::studio
