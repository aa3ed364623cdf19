// The part of cpp-httplib's server that the studio uses, on Winsock, for the
// Windows build. Debian ships httplib.h split into declarations and a shared
// library for Linux only; this file gives the Windows tool the same
// Server/Request/Response behaviour the routes rely on: exact-match regex
// routes, a pre-routing check, the error and exception handlers, a body
// limit (413), keep-alive with a timeout, and stop() from another thread.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "routes.h"

namespace httplib {

namespace {

using proctex::cli::studio::kMaxHeadBytes;
using proctex::cli::studio::kMaxHeaderCount;
constexpr int kMaxConnections = 64;  // more are closed at once

const char* reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 421:
            return "Misdirected Request";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Unknown";
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX decoded; '+' is a space in query parameters only.
std::string decodeUrl(const std::string& text, bool plusIsSpace) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (c == '+' && plusIsSpace) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out;
}

void parseQuery(const std::string& query, Params& params) {
    std::size_t start = 0;
    while (start <= query.size()) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (!pair.empty()) {
            const std::size_t eq = pair.find('=');
            params.emplace(decodeUrl(pair.substr(0, eq), true),
                           eq == std::string::npos ? "" : decodeUrl(pair.substr(eq + 1), true));
        }
        start = end + 1;
    }
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// Waits until the socket has bytes to read; false on a timeout or an error.
bool readable(socket_t sock, time_t seconds, long microseconds = 0) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    timeval wait{static_cast<long>(seconds), microseconds};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
}

// One connection's bytes, read as needed; what a request leaves over is
// kept for the next one on the connection.
struct Connection {
    socket_t sock;
    std::string buffer;

    bool fill(time_t timeout) {
        if (!readable(sock, timeout)) return false;
        char chunk[16384];
        const int got = recv(sock, chunk, static_cast<int>(sizeof chunk), 0);
        if (got <= 0) return false;
        buffer.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    // Reads and drops what the client still sends after a refusal (at most
    // 16 MiB or 2 s), so that it reads the answer instead of a reset.
    void drain() {
        shutdown(sock, SD_SEND);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        std::size_t dropped = 0;
        char chunk[16384];
        while (dropped < (std::size_t{16} << 20) && std::chrono::steady_clock::now() < deadline &&
               readable(sock, 0, 200000)) {
            const int got = recv(sock, chunk, static_cast<int>(sizeof chunk), 0);
            if (got <= 0) break;
            dropped += static_cast<std::size_t>(got);
        }
    }

    bool sendAll(const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 1 << 20));
            const int n = send(sock, bytes.data() + sent, chunk, 0);
            if (n <= 0) return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }
};

// A head past the limits: its request line alone (414), or its headers (431).
int headFault(const std::string& head) {
    const bool tooLarge = head.size() > kMaxHeadBytes;
    const auto lines = static_cast<std::size_t>(std::count(head.begin(), head.end(), '\n'));
    if (!tooLarge && lines <= kMaxHeaderCount + 1) return 0;
    return head.find("\r\n") == std::string::npos ? 414 : 431;
}

// Head and body of one request; the status of a fault (400, 413, 414, 431)
// or 0. A declared body over the limit is refused before it is read.
int readRequest(Connection& conn, Request& req, std::size_t bodyLimit, time_t timeout) {
    std::size_t end;
    while ((end = conn.buffer.find("\r\n\r\n")) == std::string::npos) {
        if (const int fault = headFault(conn.buffer)) return fault;
        if (!conn.fill(timeout)) return -1;
    }
    if (const int fault = headFault(conn.buffer.substr(0, end + 2))) return fault;
    const std::string head = conn.buffer.substr(0, end);
    conn.buffer.erase(0, end + 4);
    std::size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const std::size_t s1 = line.find(' ');
    const std::size_t s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
    if (s2 == std::string::npos) return 400;
    req.method = line.substr(0, s1);
    req.target = line.substr(s1 + 1, s2 - s1 - 1);
    req.version = line.substr(s2 + 1);
    if (req.version != "HTTP/1.1" && req.version != "HTTP/1.0") return 400;
    const std::size_t question = req.target.find('?');
    req.path = decodeUrl(req.target.substr(0, question), false);
    if (question != std::string::npos) parseQuery(req.target.substr(question + 1), req.params);
    while (lineEnd != std::string::npos) {
        const std::size_t start = lineEnd + 2;
        lineEnd = head.find("\r\n", start);
        const std::string field = head.substr(start, lineEnd - start);
        const std::size_t colon = field.find(':');
        if (colon == std::string::npos || colon == 0) return 400;
        req.headers.emplace(field.substr(0, colon), trimmed(field.substr(colon + 1)));
    }
    if (req.has_header("Transfer-Encoding")) return 400;  // the studio's page never sends chunks
    // Two lengths leave the body's end to guesswork: no body is read, the
    // routes refuse the request in their words and the connection closes.
    if (req.headers.count("Content-Length") > 1) return 0;
    std::size_t length = 0;
    if (req.has_header("Content-Length")) {
        const std::string text = req.get_header_value("Content-Length");
        if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != text.npos) {
            return 400;
        }
        length = std::stoull(text);
    }
    if (length > bodyLimit) return 413;
    while (conn.buffer.size() < length) {
        if (!conn.fill(timeout)) return -1;
    }
    req.body = conn.buffer.substr(0, length);
    conn.buffer.erase(0, length);
    return 0;
}

std::string responseText(const Request& req, const Response& res, bool close) {
    std::string text =
        "HTTP/1.1 " + std::to_string(res.status) + " " + reasonPhrase(res.status) + "\r\n";
    for (const auto& [key, value] : res.headers) {
        if (key == "Content-Length" || key == "Connection") continue;
        text += key + ": " + value + "\r\n";
    }
    text += close ? "Connection: close\r\n" : "Connection: Keep-Alive\r\n";
    text += "Content-Length: " + std::to_string(res.body.size()) + "\r\n\r\n";
    if (req.method != "HEAD") text += res.body;
    return text;
}

// The connections being served, so that listen_after_bind returns only
// after the last handler has finished with the routes' state.
std::mutex connectionsMutex;
std::condition_variable connectionsDone;
int openConnections = 0;

}  // namespace

bool Request::has_header(const std::string& key) const {
    return headers.find(key) != headers.end();
}

std::string Request::get_header_value(const std::string& key, size_t id) const {
    auto range = headers.equal_range(key);
    for (auto it = range.first; it != range.second; ++it, --id) {
        if (id == 0) return it->second;
    }
    return {};
}

bool Request::has_param(const std::string& key) const {
    return params.find(key) != params.end();
}

std::string Request::get_param_value(const std::string& key, size_t id) const {
    auto range = params.equal_range(key);
    for (auto it = range.first; it != range.second; ++it, --id) {
        if (id == 0) return it->second;
    }
    return {};
}

void Response::set_header(const std::string& key, const std::string& val) {
    if (!hasLineBreak(key) && !hasLineBreak(val)) headers.emplace(key, val);
}

void Response::set_content(const std::string& s, const std::string& content_type) {
    body = s;
    headers.erase("Content-Type");
    set_header("Content-Type", content_type);
}

void Response::set_content_provider(size_t length, const std::string& content_type,
                                    ContentProvider provider,
                                    ContentProviderResourceReleaser resource_releaser) {
    content_length_ = length;
    content_provider_ = std::move(provider);
    content_provider_resource_releaser_ = std::move(resource_releaser);
    headers.erase("Content-Type");
    set_header("Content-Type", content_type);
}

Server::Server() : svr_sock_(INVALID_SOCKET), is_running_(false) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

Server::~Server() {
    stop();
    WSACleanup();
}

bool Server::is_valid() const {
    return true;
}

Server& Server::Get(const std::string& pattern, Handler handler) {
    get_handlers_.emplace_back(std::regex(pattern), std::move(handler));
    return *this;
}

Server& Server::Post(const std::string& pattern, Handler handler) {
    post_handlers_.emplace_back(std::regex(pattern), std::move(handler));
    return *this;
}

Server& Server::Post(const std::string& pattern, HandlerWithContentReader handler) {
    post_handlers_for_content_reader_.emplace_back(std::regex(pattern), std::move(handler));
    return *this;
}

Server& Server::set_error_handler(Handler handler) {
    error_handler_ = [handler = std::move(handler)](const Request& req, Response& res) {
        handler(req, res);
        return HandlerResponse::Handled;
    };
    return *this;
}

Server& Server::set_exception_handler(ExceptionHandler handler) {
    exception_handler_ = std::move(handler);
    return *this;
}

Server& Server::set_pre_routing_handler(HandlerWithResponse handler) {
    pre_routing_handler_ = std::move(handler);
    return *this;
}

Server& Server::set_read_timeout(time_t sec, time_t) {
    read_timeout_sec_ = sec;
    return *this;
}

Server& Server::set_write_timeout(time_t sec, time_t usec) {
    write_timeout_sec_ = sec;
    write_timeout_usec_ = usec;
    return *this;
}

// Kept, but the listening socket always takes the port for its exclusive
// use: SO_REUSEADDR, the usual option, would let another program take it
// over on Windows.
Server& Server::set_socket_options(SocketOptions socket_options) {
    socket_options_ = std::move(socket_options);
    return *this;
}

Server& Server::set_keep_alive_timeout(time_t sec) {
    keep_alive_timeout_sec_ = sec;
    return *this;
}

Server& Server::set_payload_max_length(size_t length) {
    payload_max_length_ = length;
    return *this;
}

int Server::bind_internal(const std::string& host, int port, int) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0) return -1;
    socket_t sock = INVALID_SOCKET;
    for (addrinfo* a = found; a != nullptr && sock == INVALID_SOCKET; a = a->ai_next) {
        sock = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (sock == INVALID_SOCKET) continue;
        // No other program may take over the port while we hold it.
        const int on = 1;
        setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on),
                   sizeof on);
        if (bind(sock, a->ai_addr, static_cast<int>(a->ai_addrlen)) != 0 ||
            ::listen(sock, SOMAXCONN) != 0) {
            closesocket(sock);
            sock = INVALID_SOCKET;
        }
    }
    freeaddrinfo(found);
    if (sock == INVALID_SOCKET) return -1;
    sockaddr_storage address{};
    int length = sizeof address;
    if (getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(sock);
        return -1;
    }
    svr_sock_ = sock;
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
    return ntohs(address.ss_family == AF_INET6 ? v6->sin6_port : v4->sin_port);
}

bool Server::bind_to_port(const std::string& host, int port, int socket_flags) {
    return bind_internal(host, port, socket_flags) >= 0;
}

int Server::bind_to_any_port(const std::string& host, int socket_flags) {
    return bind_internal(host, 0, socket_flags);
}

bool Server::listen_after_bind() {
    is_running_ = true;
    while (svr_sock_ != INVALID_SOCKET) {
        const socket_t listening = svr_sock_;
        if (!readable(listening, 0, 100'000))
            continue;  // a tenth of a second at a time, to notice stop()
        const socket_t sock = accept(listening, nullptr, nullptr);
        if (sock == INVALID_SOCKET) continue;
        std::unique_lock lock(connectionsMutex);
        if (openConnections >= kMaxConnections) {
            closesocket(sock);
            continue;
        }
        ++openConnections;
        lock.unlock();
        std::thread([this, sock] {
            process_and_close_socket(sock);
            std::lock_guard done(connectionsMutex);
            if (--openConnections == 0) connectionsDone.notify_all();
        }).detach();
    }
    std::unique_lock lock(connectionsMutex);
    connectionsDone.wait(lock, [] { return openConnections == 0; });
    is_running_ = false;
    return true;
}

void Server::stop() {
    const socket_t sock = svr_sock_.exchange(INVALID_SOCKET);
    if (sock != INVALID_SOCKET) closesocket(sock);
}

bool Server::process_and_close_socket(socket_t sock) {
    Connection conn{sock, {}};
    for (std::size_t count = 0; count < keep_alive_max_count_; ++count) {
        // Between requests the connection may idle for the keep-alive time.
        if (conn.buffer.empty() &&
            !readable(sock, count == 0 ? read_timeout_sec_ : keep_alive_timeout_sec_)) {
            break;
        }
        Request req;
        Response res;
        const int fault = readRequest(conn, req, payload_max_length_, read_timeout_sec_);
        if (fault < 0) break;
        bool close = fault != 0 || req.headers.count("Content-Length") > 1 ||
                     count + 1 == keep_alive_max_count_ || svr_sock_ == INVALID_SOCKET ||
                     req.get_header_value("Connection") == "close" || req.version == "HTTP/1.0";
        if (fault != 0) {
            res.status = fault;
        } else if (pre_routing_handler_ &&
                   pre_routing_handler_(req, res) == HandlerResponse::Handled) {
            if (res.status == -1) res.status = 200;
        } else {
            // httplib's answers: a method it knows but the studio does not route
            // finds no page (404); one it does not know is a bad request (400).
            const std::string& m = req.method;
            const Handlers* handlers = m == "GET" || m == "HEAD" ? &get_handlers_
                                       : m == "POST"             ? &post_handlers_
                                                                 : nullptr;
            const bool known = m == "PUT" || m == "DELETE" || m == "OPTIONS" || m == "PATCH";
            res.status = handlers != nullptr || known ? 404 : 400;
            // A handler's exception becomes a 500 its handler may describe.
            auto run = [&](const std::function<void()>& call) {
                res.status = -1;
                try {
                    call();
                } catch (...) {
                    res.status = 500;
                    if (exception_handler_) {
                        exception_handler_(req, res, std::current_exception());
                    }
                }
                if (res.status == -1) res.status = 200;
            };
            bool routed = false;
            // Routes that read the body themselves come first, as in httplib;
            // the body is here already, within the payload limit.
            for (std::size_t i = 0; m == "POST" && i < post_handlers_for_content_reader_.size();
                 ++i) {
                const auto& [pattern, handler] = post_handlers_for_content_reader_[i];
                if (!std::regex_match(req.path, req.matches, pattern)) continue;
                const ContentReader reader(
                    [&req](ContentReceiver receive) {
                        return req.body.empty() || receive(req.body.data(), req.body.size());
                    },
                    [](MultipartContentHeader, ContentReceiver) { return false; });
                run([&] { handler(req, res, reader); });
                routed = true;
                break;
            }
            for (std::size_t i = 0; !routed && handlers != nullptr && i < handlers->size(); ++i) {
                if (!std::regex_match(req.path, req.matches, (*handlers)[i].first)) continue;
                run([&] { (*handlers)[i].second(req, res); });
                break;
            }
        }
        if (res.status >= 400 && error_handler_) error_handler_(req, res);
        const auto connection = res.headers.find("Connection");
        close = close || (connection != res.headers.end() && connection->second == "close");
        if (res.content_provider_) {
            // The studio's streamed answers are in memory already: gathered whole.
            DataSink sink;
            sink.write = [&res](const char* data, size_t length) {
                res.body.append(data, length);
                return true;
            };
            sink.is_writable = [] { return true; };
            sink.done = [] {};
            res.body.clear();
            std::size_t before = 0;
            do {  // until complete, refused, or a call that gives nothing
                before = res.body.size();
            } while (before < res.content_length_ &&
                     res.content_provider_(before, res.content_length_ - before, sink) &&
                     res.body.size() > before);
            res.content_provider_success_ = res.body.size() == res.content_length_;
        }
        if (!conn.sendAll(responseText(req, res, close))) break;
        if (close) {
            if (fault != 0) conn.drain();
            break;
        }
    }
    shutdown(sock, SD_BOTH);
    closesocket(sock);
    return true;
}

}  // namespace httplib
