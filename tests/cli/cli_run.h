// Runs the command-line tool as a user would, for the tests.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace proctex::test {

struct CliRun {
    int exitCode;
    std::string output;  // stdout and stderr together
};

inline CliRun runCli(const std::string& arguments) {
    const std::string command = std::string(PROCTEX_CLI_PATH) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    CliRun run{-1, {}};
    if (pipe == nullptr) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace proctex::test
