#include "platform.h"

#if defined(_WIN32)
// windows.h before the headers that build on it.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on
#include <fcntl.h>
#include <io.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <unistd.h>

extern char** environ;
#endif

#include <string_view>

namespace proctex::cli {

std::filesystem::path pathFromUtf8(const std::string& name) {
    // A u8 string is UTF-8 on every platform; a plain one is not on Windows.
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(name.data()), name.size()));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

#if defined(_WIN32)

namespace {

std::wstring wideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string utf8FromWide(const wchar_t* wide) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), length, nullptr, nullptr);
    text.pop_back();  // the terminating NUL
    return text;
}

// Escape sequences (the progress bar's "\r\033[K") are understood by
// Windows 10 consoles once asked for; false where they cannot be.
bool enableEscapes(HANDLE console) {
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return false;
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
           SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

HANDLE stopEvent = nullptr;

BOOL WINAPI onConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    SetEvent(stopEvent);
    return TRUE;
}

}  // namespace

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    SetConsoleOutputCP(CP_UTF8);
    // "\n" stays "\n": output, JSON and messages are byte for byte Linux's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(utf8FromWide(wide[i]));
    LocalFree(wide);
    return args;
}

std::FILE* openFile(const std::string& name, const char* mode) {
    return _wfopen(wideFromUtf8(name).c_str(), wideFromUtf8(mode).c_str());
}

bool libraryFileName(const std::string& name, std::string& converted) {
    if (GetACP() == CP_UTF8) {  // Windows 10 1903 and later honour our manifest
        converted = name;
        return true;
    }
    const std::wstring wide = wideFromUtf8(name);
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr,
                                           0, nullptr, &lossy);
    if (lossy || (length == 0 && size > 0)) return false;
    converted.assign(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, converted.data(), length,
                        nullptr, &lossy);
    return !lossy;
}

bool stdoutIsTerminal() {
    return enableEscapes(GetStdHandle(STD_OUTPUT_HANDLE));
}

bool stderrIsTerminal() {
    return enableEscapes(GetStdHandle(STD_ERROR_HANDLE));
}

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 20) return columns;
    }
    return 80;
}

std::filesystem::path executablePath() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(name.size() * 2);  // truncated: a long path
    }
}

bool openInBrowser(const std::string& url) {
    const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
        nullptr, L"open", wideFromUtf8(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

void catchStopRequests() {
    if (stopEvent == nullptr) stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool waitForStopRequest(std::chrono::milliseconds timeout) {
    return WaitForSingleObject(stopEvent, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

#else

namespace {

sigset_t stopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

std::FILE* openFile(const std::string& name, const char* mode) {
    return std::fopen(name.c_str(), mode);
}

bool libraryFileName(const std::string& name, std::string& converted) {
    converted = name;
    return true;
}

bool stdoutIsTerminal() {
    return isatty(STDOUT_FILENO) != 0;
}

bool stderrIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

int terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
}

std::filesystem::path executablePath() {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/exe", ec);
}

bool openInBrowser(const std::string& url) {
    const char* argv[] = {"xdg-open", url.c_str(), nullptr};
    pid_t pid = 0;
    // Reaped when the tool exits; xdg-open returns at once.
    return posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv),
                        environ) == 0;
}

// Blocked in every thread (threads inherit the mask) and taken by
// sigtimedwait, so that stopping happens on an ordinary thread, not in a
// handler. A shell starting us in the background ignores SIGINT, and an
// ignored signal is dropped before sigtimedwait could see it; blocked, the
// default action never runs.
void catchStopRequests() {
    const sigset_t signals = stopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
}

bool waitForStopRequest(std::chrono::milliseconds timeout) {
    const sigset_t signals = stopSignals();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>((timeout - seconds).count() * 1'000'000)};
    return sigtimedwait(&signals, nullptr, &wait) > 0;
}

#endif

}  // namespace proctex::cli
