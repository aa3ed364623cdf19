#include "server.h"

#include <httplib.h>

#if !defined(_WIN32)
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <CLI/CLI.hpp>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform.h"
#include "routes.h"
#include "token.h"

namespace proctex::cli::studio {

namespace {

// Threads serving connections; idle ones cost only their stacks' address space.
constexpr std::size_t kConnectionThreads = 64;

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

// Ctrl-C (and SIGTERM on Linux) is taken on an ordinary thread, not in a
// handler. It may come before the server has started listening, when stop()
// does nothing yet: it is repeated until the server has returned. The server
// returns only when every request has ended; renders still running after a
// short grace are abandoned with the process.
void stopOnRequest(httplib::Server& server, const std::atomic<bool>& done,
                   std::atomic<bool>& stopping) {
    constexpr int kGraceTicks = 15;  // 1.5 s of polls
    int ticksSinceSignal = -1;
    while (!done) {
        if (waitForStopRequest(std::chrono::milliseconds(100)) && ticksSinceSignal < 0) {
            ticksSinceSignal = 0;
        }
        if (ticksSinceSignal < 0) continue;
        stopping = true;  // running renders are cancelled, not waited for
        server.stop();
        if (++ticksSinceSignal > kGraceTicks && !done) {
            std::printf("proctex studio: stopped (unfinished renders abandoned)\n");
            std::fflush(stdout);
            std::_Exit(0);
        }
    }
}

#if !defined(_WIN32)
// httplib keeps every header line of a request, however many come: a client
// sending millions of small ones grows the studio by hundreds of megabytes
// per connection, and the token is checked only once all are in. This
// stream stands between httplib and the socket and answers 431 (and ends
// the connection) as soon as a head passes kMaxHeaderCount lines or
// kMaxHeadBytes bytes. (The Windows server reads the head itself.)
class HeadLimitedStream final : public httplib::Stream {
public:
    HeadLimitedStream(int sock, int readMs, int writeMs)
        : sock_(sock), readMs_(readMs), writeMs_(writeMs) {}

    // Waits up to `ms` for the next request's first byte.
    bool nextRequest(int ms) {
        inHead_ = true;
        headBytes_ = 0;
        lines_ = 0;
        lastFour_ = 0;
        return begin_ < end_ || waitFor(POLLIN, ms);
    }
    bool refused() const { return refused_; }

    // After a 431 the client may still be sending (the rest of a refused
    // body, or the headers): closing with bytes unread would reset the
    // connection before it reads the answer. Read on and discard, within
    // limits of time and bytes.
    void drain() {
        shutdown(sock_, SHUT_WR);
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        std::size_t total = 0;
        while (total < (std::size_t{16} << 20) && std::chrono::steady_clock::now() < until &&
               waitFor(POLLIN, 200)) {
            const ssize_t got = recv(sock_, buffer_, sizeof buffer_, 0);
            if (got <= 0) break;
            total += static_cast<std::size_t>(got);
        }
    }

    bool is_readable() const override { return begin_ < end_ || waitFor(POLLIN, readMs_); }
    bool is_writable() const override { return waitFor(POLLOUT, writeMs_); }

    ssize_t read(char* ptr, size_t size) override {
        if (refused_) return -1;
        if (begin_ == end_) {
            if (!waitFor(POLLIN, readMs_)) return -1;
            const ssize_t got = recv(sock_, buffer_, sizeof buffer_, 0);
            if (got <= 0) return got;
            begin_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        std::size_t n = std::min(size, end_ - begin_);
        // httplib reads the head a byte at a time; the body in larger pieces,
        // which are not counted.
        for (std::size_t i = 0; inHead_ && i < n; ++i) {
            const auto byte = static_cast<unsigned char>(buffer_[begin_ + i]);
            lastFour_ = (lastFour_ << 8) | byte;
            ++headBytes_;
            if (byte == '\n') ++lines_;
            if (lastFour_ == 0x0D0A0D0Au) {
                inHead_ = false;
                n = i + 1;
            } else if (headBytes_ > kMaxHeadBytes || lines_ > kMaxHeaderCount + 1) {
                refuse();
                return -1;
            }
        }
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        // After the 431, httplib's own answer to the head it could not read
        // (a 400) is not sent.
        if (refused_) return static_cast<ssize_t>(size);
        if (!waitFor(POLLOUT, writeMs_)) return -1;
        return send(sock_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        address(getpeername, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        address(getsockname, ip, port);
    }
    socket_t socket() const override { return sock_; }

private:
    bool waitFor(short events, int ms) const {
        pollfd p{sock_, events, 0};
        int ready = 0;
        do {
            ready = poll(&p, 1, ms);
        } while (ready < 0 && errno == EINTR);
        return ready > 0 && (p.revents & (events | POLLHUP)) != 0;
    }

    void address(int (*get)(int, sockaddr*, socklen_t*), std::string& ip, int& port) const {
        sockaddr_storage a{};
        socklen_t length = sizeof a;
        char host[NI_MAXHOST];
        char service[NI_MAXSERV];
        if (get(sock_, reinterpret_cast<sockaddr*>(&a), &length) == 0 &&
            getnameinfo(reinterpret_cast<sockaddr*>(&a), length, host, sizeof host, service,
                        sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
            ip = host;
            port = std::atoi(service);
        }
    }

    void refuse() {
        refused_ = true;
        const std::string body =
            "{\"error\":\"the request's headers are too many or too large (at most " +
            std::to_string(kMaxHeaderCount) + " and " + std::to_string(kMaxHeadBytes / 1024) +
            " KiB)\"}";
        const std::string answer =
            "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Type: application/json\r\n"
            "Content-Length: " +
            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        std::size_t sent = 0;
        while (sent < answer.size() && waitFor(POLLOUT, writeMs_)) {
            const ssize_t n = send(sock_, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<std::size_t>(n);
        }
    }

    int sock_;
    int readMs_;
    int writeMs_;
    char buffer_[16384];
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool inHead_ = true;
    bool refused_ = false;
    std::size_t headBytes_ = 0;
    std::size_t lines_ = 0;
    std::uint32_t lastFour_ = 0;
};

// httplib's server, each connection read through a HeadLimitedStream. The
// keep-alive loop is the one httplib runs: requests until their count or a
// timeout ends it, or the server stops.
class StudioServer final : public httplib::Server {
    bool process_and_close_socket(socket_t sock) override {
        const auto ms = [](time_t sec, time_t usec) {
            return static_cast<int>(sec * 1000 + usec / 1000);
        };
        HeadLimitedStream stream(sock, ms(read_timeout_sec_, read_timeout_usec_),
                                 ms(write_timeout_sec_, write_timeout_usec_));
        for (std::size_t left = keep_alive_max_count_;
             left > 0 && svr_sock_ != INVALID_SOCKET &&
             stream.nextRequest(ms(keep_alive_timeout_sec_, 0));
             --left) {
            bool closed = false;
            if (!process_request(stream, left == 1, closed, nullptr) || closed) break;
        }
        if (stream.refused()) stream.drain();
        shutdown(sock, SHUT_RDWR);
        close(sock);
        return true;
    }
};
#else
using StudioServer = httplib::Server;
#endif

#if defined(_WIN32)
using Socket = SOCKET;
int lastSocketError() {
    return WSAGetLastError();
}
void closeSocket(Socket sock) {
    closesocket(sock);
}
#else
using Socket = int;
int lastSocketError() {
    return errno;
}
void closeSocket(Socket sock) {
    close(sock);
}
#endif

// A port another process listens on must fail the bind: httplib's default
// SO_REUSEPORT would let two studios share one port. SO_REUSEADDR alone
// still allows a restart while old connections linger.
// (On Windows the server takes the port for its exclusive use instead.)
void listeningSocketOptions(Socket sock) {
    const int yes = 1;
#if defined(_WIN32)
    setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes),
               sizeof yes);
#else
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

// Why the address cannot be bound, in the system's words ("address already
// in use"), found by binding a socket of our own the same way.
std::string bindFailure(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (const int code = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
        code != 0) {
        return gai_strerror(code);
    }
    std::string reason = "unknown reason";
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const Socket sock = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (sock == static_cast<Socket>(-1)) continue;
        listeningSocketOptions(sock);
        const bool bound = bind(sock, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
        const int code = lastSocketError();
        closeSocket(sock);
        if (!bound) {
#if defined(_WIN32)
            reason = std::system_category().message(code);
#else
            reason = std::generic_category().message(code);
#endif
            break;
        }
    }
    freeaddrinfo(found);
    if (!reason.empty()) reason[0] = static_cast<char>(std::tolower(reason[0]));
    return reason;
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

    StudioServer server;
    // Each connection holds a thread while it is read: many threads, and
    // short timeouts, so slow or idle clients cannot take them all for long.
    server.new_task_queue = [] { return new httplib::ThreadPool(kConnectionThreads); };
    server.set_keep_alive_timeout(1);
    server.set_read_timeout(1);
    server.set_write_timeout(5);
    server.set_socket_options(listeningSocketOptions);
    installRoutes(server, state);
    const int port = settings.port == 0
                         ? server.bind_to_any_port(settings.host)
                         : (server.bind_to_port(settings.host, settings.port) ? settings.port : -1);
    if (port <= 0) {
        std::fprintf(stderr, "proctex studio: cannot listen on %s port %d: %s\n",
                     settings.host.c_str(), settings.port,
                     bindFailure(settings.host, settings.port).c_str());
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
    std::thread watcher(stopOnRequest, std::ref(server), std::cref(done), std::ref(state.stopping));
    server.listen_after_bind();
    done = true;
    watcher.join();
    std::printf("proctex studio: stopped\n");
    return 0;
}

}  // namespace proctex::cli::studio
