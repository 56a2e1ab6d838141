#pragma once
// One HTTP/1.1 client over a libcurl easy handle. The connection is kept and
// reused across the requests of one client object. Requests block the calling
// thread; Disconnect() may be called from any other thread.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/error.h"

namespace kestrow::net {

// Connection failures, time-outs and aborted transfers.
// (Spelled out: the declaring macro needs an unqualified base name.)
class EIdSocketError : public platform::Error {
  public:
    using Error::Error;
    const char* ClassName() const noexcept override { return "EIdSocketError"; }
};
// A response whose status fails the request (4xx, 5xx, and 3xx when redirects
// are not followed). The status code is kept.
class EIdHTTPProtocolException : public platform::Error {
  public:
    EIdHTTPProtocolException(int code, const std::string& message)
        : platform::Error(message), code_(code) {}
    const char* ClassName() const noexcept override { return "EIdHTTPProtocolException"; }
    int Code() const noexcept { return code_; }

  private:
    int code_;
};

// The slow-transfer rule every request of the program carries: fewer bytes
// than this within the window fail the request like a silent connection.
inline constexpr long kSlowTransferBytes = 1024;
inline constexpr long kSlowTransferWindowMs = 60000;

// A body larger than the client's limit.
class EResponseTooLarge : public platform::Error {
  public:
    using Error::Error;
    const char* ClassName() const noexcept override { return "EResponseTooLarge"; }
};

struct HttpSettings {
    std::string user_agent;
    std::string accept;                      // empty: no Accept header of ours
    std::vector<std::string> extra_headers;  // "Name: value"
    bool follow_redirects = false;
    long connect_timeout_ms = 0;  // 0: the system's own limit
    long read_timeout_ms = 0;     // no data for this long fails the request; 0: no limit
    // A body that arrives slower than low_speed_bytes within low_speed_time_ms
    // fails like the read time-out (a trickle never trips the silence limit).
    // 0: no limit.
    long low_speed_bytes = 0;
    long low_speed_time_ms = 0;
    // The whole request, from its start to the last byte; 0: no limit.
    long max_total_ms = 0;
    // A body larger than this fails the request (EResponseTooLarge); 0: no limit.
    std::int64_t max_body_bytes = 0;
    std::string proxy_host;  // empty: no proxy
    int proxy_port = 0;
};

// Receiving-direction notifications of one transfer, on the requesting thread.
struct HttpProgressHandlers {
    std::function<void(std::int64_t max)> work_begin;  // max: content length, 0 when unknown
    std::function<void(std::int64_t count)> work;      // bytes of the body received so far
    std::function<void()> work_end;
};

// The process is ending: every transfer of every client in progress fails at
// once with "Disconnected.", and so does every request started afterwards.
// Safe from any thread; there is no way back.
void AbortAllTransfers();
bool AllTransfersAborted();

class HttpClient {
  public:
    HttpClient();
    explicit HttpClient(HttpSettings settings);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpSettings& Settings() { return settings_; }
    const HttpSettings& Settings() const { return settings_; }
    void SetProgressHandlers(HttpProgressHandlers handlers) { handlers_ = std::move(handlers); }

    // GET into memory. Throws EIdSocketError or EIdHTTPProtocolException.
    std::string Get(const std::string& url);

    // GET straight into a file as the body arrives. The file is created (or
    // truncated) only once a success status has arrived, so the body of a
    // failed request never lands in it; a transfer that fails after that
    // (cut short, reset, time-out, Disconnect) deletes the file again.
    void GetToFile(const std::string& url, const std::string& path);

    // Status code and content length of the last response (-1 when absent).
    int ResponseCode() const { return response_code_; }
    std::int64_t ContentLength() const { return content_length_; }
    // Content-Type of the last response, as sent (may carry "; charset=...").
    const std::string& ContentType() const { return content_type_; }

    // Ends a transfer in progress at once (it fails with EIdSocketError
    // "Disconnected.") and drops the kept connection. Safe from any thread;
    // the next request opens a new connection. A call made while no request
    // runs only drops the connection: it does not fail the next request.
    void Disconnect();
    // Disconnect for good: the transfer in progress and every later request
    // fail with "Disconnected.". Safe from any thread.
    void Close();

  private:
    struct Impl;
    struct Transfer;
    void Perform(const std::string& url, Transfer& t);
    void BeginBody(Transfer& t);

    std::unique_ptr<Impl> impl_;
    HttpSettings settings_;
    HttpProgressHandlers handlers_;
    int response_code_ = 0;
    std::int64_t content_length_ = -1;
    std::string content_type_;
};

}  // namespace kestrow::net
