// What the tool needs from the operating system, the same on Linux and
// Windows. Text inside the tool is UTF-8 everywhere; these helpers turn it
// into the platform's own paths, consoles and signals.
#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace proctex::cli {

// The command line as UTF-8 (on Windows read again through the wide API, so
// names outside the ANSI code page arrive whole). Also puts the console into
// UTF-8 and the standard streams into binary mode: the tool prints the same
// bytes on both platforms.
std::vector<std::string> utf8Arguments(int argc, char** argv);

// A UTF-8 name as a path, and a path back as UTF-8 (std::filesystem would
// read and write a plain string in the ANSI code page on Windows).
std::filesystem::path pathFromUtf8(const std::string& name);
std::string utf8FromPath(const std::filesystem::path& path);

// fopen for a UTF-8 name.
std::FILE* openFile(const std::string& name, const char* mode);

// The name the library's file calls take for a UTF-8 name: the same bytes on
// Linux (and on Windows when the process code page is UTF-8), the ANSI code
// page otherwise. False when a character has no place in that code page.
bool libraryFileName(const std::string& name, std::string& converted);

// A terminal that can redraw a line (on Windows: a console that takes
// escape sequences, asked for them here).
bool stdoutIsTerminal();
bool stderrIsTerminal();
int terminalColumns();  // 80 when unknown

// The running program's own file.
std::filesystem::path executablePath();

// Hands a URL to the desktop's browser; false when that could not start.
bool openInBrowser(const std::string& url);

// Ctrl-C (and SIGTERM on Linux) taken as a request to stop: call
// catchStopRequests once before starting threads, then wait on any one thread.
void catchStopRequests();
bool waitForStopRequest(std::chrono::milliseconds timeout);  // true: one came

}  // namespace proctex::cli
