#include "dask_batch.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace proctex::cli {

namespace fs = std::filesystem;

namespace {

fs::path thisProgram() {
#if defined(_WIN32)
    wchar_t buffer[32768];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
    return n > 0 && n < 32768 ? fs::path(std::wstring(buffer, n)) : fs::path();
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
#endif
}

// Runs argv and returns its exit status (-1 when it could not start).
int runProgram(const std::vector<std::string>& args, const std::string& pythonPath) {
    const std::string previous = std::getenv("PYTHONPATH") ? std::getenv("PYTHONPATH") : "";
#if defined(_WIN32)
    const char separator = ';';
#else
    const char separator = ':';
#endif
    const std::string path = previous.empty() ? pythonPath : pythonPath + separator + previous;
#if defined(_WIN32)
    _putenv_s("PYTHONPATH", path.c_str());
    // _spawnvp joins the arguments with spaces, as they are: each is quoted
    // here, or "-c import distributed" reaches Python as three words.
    std::vector<std::string> quoted;
    for (const std::string& a : args) quoted.push_back(quoteWindowsArgument(a));
    std::vector<const char*> argv;
    for (const std::string& a : quoted) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const intptr_t status = _spawnvp(_P_WAIT, args[0].c_str(), argv.data());
    return status < 0 ? -1 : static_cast<int>(status);
#else
    setenv("PYTHONPATH", path.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
#endif
}

bool hasDask(const std::string& python) {
    return runProgram({python, "-c", "import distributed"}, "") == 0;
}

}  // namespace

std::string quoteWindowsArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    for (std::size_t i = 0;; ++i) {
        std::size_t backslashes = 0;
        for (; i < argument.size() && argument[i] == '\\'; ++i) ++backslashes;
        if (i == argument.size()) {
            quoted.append(backslashes * 2, '\\');  // before the closing quote
            break;
        }
        if (argument[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted += argument[i];
    }
    return quoted + "\"";
}

std::vector<std::string> pythonCandidates() {
    std::vector<std::string> candidates;
    if (const char* chosen = std::getenv("PROCTEX_PYTHON"); chosen != nullptr && *chosen) {
        candidates.emplace_back(chosen);
    }
#if !defined(_WIN32)
    candidates.emplace_back("/usr/bin/python3");
#endif
    candidates.emplace_back("python3");
#if defined(_WIN32)
    candidates.emplace_back("python");
#endif
    return candidates;
}

std::string pythonPackageFolder() {
    std::vector<fs::path> folders;
    const fs::path self = thisProgram();
    if (!self.empty()) folders.push_back(self.parent_path().parent_path() / "share/proctex/python");
#if defined(PROCTEX_SOURCE_PYTHON_DIR)
    folders.emplace_back(PROCTEX_SOURCE_PYTHON_DIR);
#endif
    for (const fs::path& folder : folders) {
        std::error_code ec;
        if (fs::is_regular_file(folder / "proctex" / "batch.py", ec)) return folder.string();
    }
    return {};
}

int runDaskBatch(const DaskBatch& batch) {
    const std::string package = pythonPackageFolder();
    if (package.empty()) {
        std::cerr << "proctex batch: the proctex Python package is not installed beside this tool "
                     "(make install puts it in PREFIX/share/proctex/python)\n";
        return 2;
    }
    std::string python;
    for (const std::string& candidate : pythonCandidates()) {
        if (hasDask(candidate)) {
            python = candidate;
            break;
        }
    }
    if (python.empty()) {
        std::cerr << "proctex batch: --dask needs a Python with Dask; none was found (Debian: "
                     "sudo apt install python3-distributed; or set PROCTEX_PYTHON to one that "
                     "has it)\n";
        return 2;
    }
    std::vector<std::string> args = {python,
                                     "-m",
                                     "proctex",
                                     "batch",
                                     batch.manifest,
                                     "--dask",
                                     batch.address,
                                     "--progress",
                                     batch.progress,
                                     "--timeout",
                                     std::to_string(batch.timeoutSeconds)};
    const fs::path self = thisProgram();
    if (!self.empty()) {
        args.push_back("--tool");
        args.push_back(self.string());
    }
    if (!batch.report.empty()) {
        args.push_back("--report");
        args.push_back(batch.report);
    }
    const int status = runProgram(args, package);
    if (status < 0) {
        std::cerr << "proctex batch: could not start " << python << "\n";
        return 1;
    }
    return status;
}

}  // namespace proctex::cli
