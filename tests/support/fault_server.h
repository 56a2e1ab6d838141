#pragma once
// A scripted HTTP/1.1 server on 127.0.0.1 for tests of failure paths: each
// path answers as a test script says, including answers no real server gives
// on purpose (stalls, resets, bodies shorter than announced).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kestrow::test {

struct FaultReply {
    static constexpr std::size_t kWhole = static_cast<std::size_t>(-1);

    int status = 200;
    std::vector<std::pair<std::string, std::string>> headers;  // sent after the status line
    std::string body;
    // Content-Length sent; empty: the body's real size. A larger value than
    // the body makes a truncated answer: the connection closes after the body.
    std::optional<std::int64_t> content_length;
    // No Content-Length: the body ends when the server closes the connection.
    bool omit_content_length = false;
    // Body bytes sent before the server goes silent (until stopped or the
    // client goes away).
    std::size_t stall_after = kWhole;
    // Body bytes sent before the connection is reset (RST).
    std::size_t reset_after = kWhole;
    // Closes the connection after the answer (also after a short body).
    bool close_after = false;
    // Silence before the status line.
    std::chrono::milliseconds delay{0};
    // Body sent one byte at a time with this pause after each byte (a
    // trickling server); 0: all at once.
    std::chrono::milliseconds trickle{0};

    static FaultReply Ok(std::string body);
    static FaultReply Status(int status, std::string body = {});
    static FaultReply Redirect(int status, std::string location);
};

struct FaultRequest {
    std::string method;
    std::string target;                          // as sent, query included
    std::map<std::string, std::string> headers;  // names lower-cased
};

class FaultServer {
  public:
    // Binds 127.0.0.1 on a free port and starts answering.
    FaultServer();
    // Stops: stalled answers end and every connection is closed.
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(std::string_view path) const;

    // The answer for a path (the query of a request is not part of its path).
    // Paths without an answer get 404.
    void On(const std::string& path, FaultReply reply);

    int Connections() const { return connections_.load(); }
    int Requests() const { return requests_.load(); }
    std::vector<FaultRequest> Received() const;

  private:
    void AcceptLoop();
    void Serve(int fd);
    bool WaitReadable(int fd) const;
    bool SendBody(int fd, std::string_view body, std::chrono::milliseconds trickle) const;
    FaultReply ReplyFor(const std::string& path) const;

    int listen_fd_ = -1;
    int stop_pipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<int> requests_{0};
    mutable std::mutex mutex_;
    std::map<std::string, FaultReply> replies_;
    std::vector<FaultRequest> received_;
    std::vector<std::jthread> workers_;
    std::jthread acceptor_;
};

}  // namespace kestrow::test
