#include "support/fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <stdexcept>

namespace kestrow::test {

namespace {

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

bool SendAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

void ResetAndClose(int fd) {
    linger l{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close(fd);
}

}  // namespace

FaultReply FaultReply::Ok(std::string body) {
    FaultReply r;
    r.body = std::move(body);
    return r;
}

FaultReply FaultReply::Status(int status, std::string body) {
    FaultReply r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

FaultReply FaultReply::Redirect(int status, std::string location) {
    FaultReply r;
    r.status = status;
    r.headers.emplace_back("Location", std::move(location));
    return r;
}

FaultServer::FaultServer() {
    if (pipe(stop_pipe_) != 0)
        throw std::runtime_error("pipe failed");
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0)
        throw std::runtime_error("socket failed");
    int one = 1;
    setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listen_fd_, 64) != 0 ||
        getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        close(listen_fd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::jthread([this] { AcceptLoop(); });
}

FaultServer::~FaultServer() {
    char c = 1;
    (void)!write(stop_pipe_[1], &c, 1);  // stays readable: every wait sees it
    acceptor_.join();
    std::vector<std::jthread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    workers.clear();  // joins
    close(listen_fd_);
    close(stop_pipe_[0]);
    close(stop_pipe_[1]);
}

std::string FaultServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

void FaultServer::On(const std::string& path, FaultReply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<FaultRequest> FaultServer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

FaultReply FaultServer::ReplyFor(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = replies_.find(path);
    if (it != replies_.end())
        return it->second;
    return FaultReply::Status(404, "no such path\n");
}

// The body, at once or one byte at a time; false when the client went away
// or the server stops.
bool FaultServer::SendBody(int fd, std::string_view body, std::chrono::milliseconds trickle) const {
    if (trickle.count() <= 0)
        return SendAll(fd, body);
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (!SendAll(fd, body.substr(i, 1)))
            return false;
        pollfd p{stop_pipe_[0], POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(trickle.count())) != 0)
            return false;  // the server stops
    }
    return true;
}

// True when fd has data (or EOF); false once the server stops.
bool FaultServer::WaitReadable(int fd) const {
    pollfd fds[2] = {{fd, POLLIN, 0}, {stop_pipe_[0], POLLIN, 0}};
    for (;;) {
        int n = poll(fds, 2, -1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || fds[1].revents)
            return false;
        if (fds[0].revents)
            return true;
    }
}

void FaultServer::AcceptLoop() {
    while (WaitReadable(listen_fd_)) {
        int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        int one = 1;  // headers and body go out at once, not held back by Nagle
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        connections_.fetch_add(1);
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void FaultServer::Serve(int fd) {
    std::string buffer;
    bool open = true;
    while (open) {
        std::size_t end;
        while ((end = buffer.find("\r\n\r\n")) == std::string::npos) {
            char chunk[4096];
            if (!WaitReadable(fd)) {
                close(fd);
                return;
            }
            ssize_t n = recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0) {
                close(fd);
                return;
            }
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
        std::string head = buffer.substr(0, end);
        buffer.erase(0, end + 4);

        FaultRequest request;
        std::size_t line_end = head.find("\r\n");
        std::string line = head.substr(0, line_end);
        std::size_t sp1 = line.find(' ');
        std::size_t sp2 = line.find(' ', sp1 + 1);
        request.method = line.substr(0, sp1);
        request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
        while (line_end != std::string::npos) {
            std::size_t start = line_end + 2;
            line_end = head.find("\r\n", start);
            std::string header = head.substr(start, line_end - start);
            std::size_t colon = header.find(':');
            if (colon == std::string::npos)
                continue;
            std::string value = header.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            request.headers[Lower(header.substr(0, colon))] = value;
        }
        std::string path = request.target.substr(0, request.target.find('?'));
        bool client_closes = Lower(request.headers["connection"]) == "close";
        {
            std::lock_guard lock(mutex_);
            received_.push_back(std::move(request));
        }
        requests_.fetch_add(1);

        FaultReply reply = ReplyFor(path);
        if (reply.delay.count() > 0) {
            pollfd p{stop_pipe_[0], POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(reply.delay.count())) != 0)
                break;
        }
        std::string out =
            "HTTP/1.1 " + std::to_string(reply.status) + " " + Reason(reply.status) + "\r\n";
        for (const auto& [name, value] : reply.headers)
            out += name + ": " + value + "\r\n";
        if (!reply.omit_content_length) {
            std::int64_t length =
                reply.content_length.value_or(static_cast<std::int64_t>(reply.body.size()));
            out += "Content-Length: " + std::to_string(length) + "\r\n";
        }
        // A body shorter than announced can only end by closing the connection.
        bool short_body = reply.content_length &&
                          *reply.content_length > static_cast<std::int64_t>(reply.body.size());
        bool close_after =
            reply.close_after || reply.omit_content_length || short_body || client_closes;
        if (close_after)
            out += "Connection: close\r\n";
        out += "\r\n";
        std::size_t cut = std::min({reply.body.size(), reply.stall_after, reply.reset_after});
        if (!SendAll(fd, out) ||
            !SendBody(fd, std::string_view(reply.body).substr(0, cut), reply.trickle))
            break;
        if (reply.reset_after != FaultReply::kWhole) {
            ResetAndClose(fd);
            return;
        }
        if (reply.stall_after != FaultReply::kWhole) {
            // Silent until the client leaves or the server stops.
            while (WaitReadable(fd)) {
                char sink[4096];
                if (recv(fd, sink, sizeof sink, 0) <= 0)
                    break;
            }
            break;
        }
        if (close_after)
            open = false;
    }
    close(fd);
}

}  // namespace kestrow::test
