// `proctex studio`: a local web page for choosing a material by eye.
#pragma once

#include <string>

namespace CLI {
class App;
}

namespace proctex::cli::studio {

struct StudioSettings {
    CLI::App* command = nullptr;  // set by addStudioCommand
    int port = 8420;              // 0: any free port
    std::string host = "127.0.0.1";
    bool open = false;     // start the desktop's browser on the URL
    bool noToken = false;  // for scripted local use only
};

// Adds the `studio` subcommand; `settings` must outlive `app`.
void addStudioCommand(CLI::App& app, StudioSettings& settings);

// Serves until Ctrl-C (or SIGTERM); 0 then, 1 when the port cannot be bound.
int runStudio(const StudioSettings& settings);

}  // namespace proctex::cli::studio
