#include "server.h"

#include <httplib.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform.h"
#include "routes.h"
#include "token.h"

namespace proctex::cli::studio {

namespace {

// The page and three.js: $PROCTEX_STUDIO_DIR, else share/proctex/studio
// beside the executable's bin folder (in the build tree, beside cli/).
std::filesystem::path assetsFolder() {
    if (const char* dir = std::getenv("PROCTEX_STUDIO_DIR"); dir != nullptr && *dir != '\0') {
        return pathFromUtf8(dir);
    }
    return executablePath().parent_path().parent_path() / "share" / "proctex" / "studio";
}

bool isLoopback(const std::string& host) {
    return host == "127.0.0.1" || host == "localhost" || host == "::1";
}

void openBrowser(const std::string& url) {
    if (!openInBrowser(url)) {
        std::fprintf(stderr, "proctex studio: could not start a browser; open the URL yourself\n");
    }
}

// Ctrl-C is taken on an ordinary thread, not in a handler. It may come
// before the server has started listening, when stop() does nothing yet: it
// is repeated until the server has returned.
void stopOnRequest(httplib::Server& server, const std::atomic<bool>& done) {
    bool stopping = false;
    while (!done) {
        if (waitForStopRequest(std::chrono::milliseconds(100))) stopping = true;
        if (stopping) server.stop();
    }
}

}  // namespace

void addStudioCommand(CLI::App& app, StudioSettings& settings) {
    CLI::App* cmd = app.add_subcommand(
        "studio", "A local web page: choose a material by eye, then copy it as code");
    cmd->add_option("--port", settings.port, "Port to listen on (0: any free one)")
        ->capture_default_str()
        ->check([](const std::string& value) {
            int port = -1;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), port);
            const bool ok = ec == std::errc() && end == value.data() + value.size() && port >= 0 &&
                            port <= 65535;
            return ok ? std::string()
                      : "must be a port number from 0 to 65535 (got '" + value + "')";
        });
    cmd->add_option("--host", settings.host,
                    "Address to listen on; anything but loopback lets others on the network in")
        ->capture_default_str();
    cmd->add_flag("--open,!--no-open", settings.open, "Open the page in the desktop's browser");
    cmd->add_flag("--no-token", settings.noToken,
                  "Serve the API without a token (scripted local use only)");
    settings.command = cmd;
}

int runStudio(const StudioSettings& settings) {
    catchStopRequests();

    StudioState state;
    state.token = settings.noToken ? "" : makeToken();
    state.assets = assetsFolder();
    if (!isLoopback(settings.host)) {
        std::fprintf(stderr,
                     "proctex studio: warning: listening on %s, not only this machine; anyone "
                     "who can reach it and holds the token can use the studio\n",
                     settings.host.c_str());
    }
    if (settings.noToken) {
        std::fprintf(stderr,
                     "proctex studio: warning: --no-token: every program on this machine can "
                     "use the API\n");
    }

    httplib::Server server;
    server.set_keep_alive_timeout(2);
    installRoutes(server, state);
    const int port = settings.port == 0
                         ? server.bind_to_any_port(settings.host)
                         : (server.bind_to_port(settings.host, settings.port) ? settings.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "proctex studio: cannot listen on %s port %d\n", settings.host.c_str(),
                     settings.port);
        return 1;
    }
    state.hosts = allowedHosts(settings.host, port);
    const std::string shownHost =
        settings.host.find(':') != std::string::npos ? "[" + settings.host + "]" : settings.host;
    std::string url = "http://" + shownHost + ":" + std::to_string(port) + "/";
    if (!state.token.empty()) url += "?token=" + state.token;
    std::printf("proctex studio: %s\n(Ctrl-C stops it)\n", url.c_str());
    std::fflush(stdout);
    if (settings.open) openBrowser(url);

    std::atomic<bool> done{false};
    std::thread watcher(stopOnRequest, std::ref(server), std::cref(done));
    server.listen_after_bind();
    done = true;
    watcher.join();
    std::printf("proctex studio: stopped\n");
    return 0;
}

}  // namespace proctex::cli::studio
