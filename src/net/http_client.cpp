#include "net/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <set>

#include "net/curl_handles.h"
#include "platform/file_stream.h"
#include "platform/files.h"

namespace kestrow::net {

namespace {

using Clock = std::chrono::steady_clock;

// libcurl follows without limit by default; a redirect loop must end.
constexpr long kMaxRedirects = 20;
// Longest single wait between checks of the idle clock.
constexpr long kMaxPollMs = 1000;

bool IsSuccess(long code) {
    return code >= 200 && code < 300;
}

std::string TrimLine(const char* data, std::size_t size) {
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

std::string LowSpeedMessage(const HttpSettings& s) {
    return "Read timed out: fewer than " + std::to_string(s.low_speed_bytes) + " bytes in " +
           std::to_string(s.low_speed_time_ms) + " ms.";
}

[[noreturn]] void BodyTooLarge(std::int64_t limit) {
    throw EResponseTooLarge("Response body larger than " + std::to_string(limit) + " bytes.");
}

// Every client that exists, so the process can cut them all when it ends.
std::mutex g_clients_mutex;
std::set<HttpClient*> g_clients;
std::atomic<bool> g_all_aborted{false};
}  // namespace

void AbortAllTransfers() {
    g_all_aborted.store(true);
    const std::lock_guard lock(g_clients_mutex);
    for (HttpClient* client : g_clients)
        client->Disconnect();
}

bool AllTransfersAborted() {
    return g_all_aborted.load();
}

// State of the one transfer in progress; lives on the requesting thread's stack.
struct HttpClient::Transfer {
    HttpClient* client = nullptr;
    std::string* memory = nullptr;      // Get: body goes here
    const std::string* path = nullptr;  // GetToFile: body goes to this file
    std::unique_ptr<platform::FileStream> file;
    bool file_created = false;
    bool begun = false;
    bool discard = false;  // body of a failing status: read and dropped
    bool decided = false;  // status of the final response examined
    bool connected = false;
    std::int64_t received = 0;
    Clock::time_point last_data = Clock::now();
    // Slow-transfer rule: bytes since the window began.
    Clock::time_point speed_window = Clock::now();
    std::int64_t window_bytes = 0;
    std::string status_line;
    std::exception_ptr error;
    char error_buffer[CURL_ERROR_SIZE] = {};

    void NoteData(std::size_t n) {
        last_data = Clock::now();
        window_bytes += static_cast<std::int64_t>(n);
        const long needed = client->settings_.low_speed_bytes;
        if (needed > 0 && window_bytes >= needed) {
            speed_window = last_data;
            window_bytes = 0;
        }
    }
};

struct HttpClient::Impl {
    MultiHandle multi;
    EasyHandle easy;
    std::mutex mutex;
    bool in_transfer = false;
    bool drop_connection = false;
    bool closed = false;
    std::atomic<bool> abort{false};

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user);
    static int OnPrereq(void* user, char*, char*, int, int);
    static void Configure(CURL* e, const HttpSettings& settings, Transfer& t, CurlHeaders& headers);
};

std::size_t HttpClient::Impl::OnHeader(char* data, std::size_t size, std::size_t count,
                                       void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t->NoteData(n);
    if (n >= 5 && std::equal(data, data + 5, "HTTP/"))
        t->status_line = TrimLine(data, n);
    return n;
}

int HttpClient::Impl::OnPrereq(void* user, char*, char*, int, int) {
    auto* t = static_cast<Transfer*>(user);
    t->connected = true;
    t->last_data = Clock::now();
    t->speed_window = t->last_data;
    t->window_bytes = 0;
    return CURL_PREREQFUNC_OK;
}

std::size_t HttpClient::Impl::OnBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const std::size_t n = size * count;
    t->NoteData(n);
    HttpClient& c = *t->client;
    if (c.impl_->abort.load())
        return 0;
    try {
        if (!t->decided) {
            t->decided = true;
            long code = 0;
            curl_easy_getinfo(c.impl_->easy.get(), CURLINFO_RESPONSE_CODE, &code);
            t->discard = !IsSuccess(code);
            if (!t->discard)
                c.BeginBody(*t);
        }
        if (t->discard)
            return n;
        const std::int64_t limit = c.settings_.max_body_bytes;
        if (limit > 0 && t->received + static_cast<std::int64_t>(n) > limit)
            BodyTooLarge(limit);
        if (t->file) {
            // Raises when the disk takes only part of it: the request fails.
            t->file->Write(data, static_cast<std::int64_t>(n));
        } else if (t->memory) {
            t->memory->append(data, n);
        }
        t->received += static_cast<std::int64_t>(n);
        if (c.handlers_.work)
            c.handlers_.work(t->received);
        return n;
    } catch (...) {
        t->error = std::current_exception();
        return 0;
    }
}

HttpClient::HttpClient() : HttpClient(HttpSettings{}) {}

HttpClient::HttpClient(HttpSettings settings)
    : impl_(std::make_unique<Impl>()), settings_(std::move(settings)) {
    const std::lock_guard lock(g_clients_mutex);
    g_clients.insert(this);
}

HttpClient::~HttpClient() {
    const std::lock_guard lock(g_clients_mutex);
    g_clients.erase(this);
}

void HttpClient::Disconnect() {
    std::lock_guard lock(impl_->mutex);
    impl_->drop_connection = true;
    if (impl_->in_transfer) {
        impl_->abort.store(true);
        curl_multi_wakeup(impl_->multi.get());
    }
}

void HttpClient::Close() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->closed = true;
    }
    Disconnect();
}

std::string HttpClient::Get(const std::string& url) {
    std::string body;
    Transfer t;
    t.memory = &body;
    Perform(url, t);
    return body;
}

void HttpClient::GetToFile(const std::string& url, const std::string& path) {
    Transfer t;
    t.path = &path;
    try {
        Perform(url, t);
        if (!t.file_created) {
            // Success with an empty body still leaves the (empty) file.
            platform::FileStream(path, platform::OpenMode::Create, platform::ShareMode::DenyWrite);
        }
    } catch (...) {
        // A body cut short must not pass for a complete file.
        if (t.file_created) {
            t.file.reset();
            platform::DeleteFile(path);
        }
        throw;
    }
}

void HttpClient::BeginBody(Transfer& t) {
    curl_off_t length = -1;
    curl_easy_getinfo(impl_->easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    // An announced body over the limit fails before anything is kept.
    if (settings_.max_body_bytes > 0 && length > settings_.max_body_bytes)
        BodyTooLarge(settings_.max_body_bytes);
    if (t.path) {
        t.file = std::make_unique<platform::FileStream>(*t.path, platform::OpenMode::Create,
                                                        platform::ShareMode::DenyWrite);
        t.file_created = true;
    }
    t.begun = true;
    if (handlers_.work_begin)
        handlers_.work_begin(length > 0 ? length : 0);
}

void HttpClient::Impl::Configure(CURL* e, const HttpSettings& settings, Transfer& t,
                                 CurlHeaders& headers) {
    curl_easy_reset(e);
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, settings.follow_redirects ? 1L : 0L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
    if (settings.connect_timeout_ms > 0) {
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, settings.connect_timeout_ms);
    }
    if (!settings.user_agent.empty()) {
        curl_easy_setopt(e, CURLOPT_USERAGENT, settings.user_agent.c_str());
    }
    // An empty proxy also keeps libcurl from taking one from the environment.
    curl_easy_setopt(e, CURLOPT_PROXY, settings.proxy_host.c_str());
    if (!settings.proxy_host.empty()) {
        curl_easy_setopt(e, CURLOPT_PROXYPORT, static_cast<long>(settings.proxy_port));
    }
    headers.Append(settings.accept.empty() ? "Accept:" : "Accept: " + settings.accept);
    for (const std::string& h : settings.extra_headers)
        headers.Append(h);
    curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());

    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.error_buffer);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &Impl::OnHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &Impl::OnBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_PREREQFUNCTION, &Impl::OnPrereq);
    curl_easy_setopt(e, CURLOPT_PREREQDATA, &t);
}

void HttpClient::Perform(const std::string& url, Transfer& t) {
    t.client = this;
    if (AllTransfersAborted())
        throw EIdSocketError("Disconnected.");
    response_code_ = 0;
    content_length_ = -1;
    content_type_.clear();
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->drop_connection || !impl_->multi) {
            // A fresh multi handle has an empty connection cache.
            impl_->multi = MultiHandle::Create();
            impl_->drop_connection = false;
        }
        if (!impl_->easy)
            impl_->easy = EasyHandle::Create();
        if (impl_->closed)
            throw EIdSocketError("Disconnected.");
        impl_->abort.store(AllTransfersAborted());
        impl_->in_transfer = true;
    }
    struct EndTransfer {
        Impl& impl;
        ~EndTransfer() {
            std::lock_guard lock(impl.mutex);
            impl.in_transfer = false;
        }
    } end_transfer{*impl_};

    CurlHeaders headers;
    CURLM* multi = impl_->multi.get();
    CURL* easy = impl_->easy.get();
    Impl::Configure(easy, settings_, t, headers);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());

    enum class Outcome { Done, Aborted, TimedOut, TooSlow, TooLong };
    Outcome outcome = Outcome::Done;
    CURLcode result = CURLE_OK;
    const auto started = Clock::now();
    {
        MultiAttachment attached(multi, easy);
        const auto read_timeout = std::chrono::milliseconds(settings_.read_timeout_ms);
        const auto low_speed_time = std::chrono::milliseconds(settings_.low_speed_time_ms);
        const auto max_total = std::chrono::milliseconds(settings_.max_total_ms);
        // Milliseconds left until a limit trips, at least 1; the poll never waits past it.
        const auto left_ms = [](Clock::duration left) {
            return std::max<long>(
                1, static_cast<long>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
        };
        for (;;) {
            int running = 0;
            CURLMcode mc = curl_multi_perform(multi, &running);
            if (mc != CURLM_OK)
                throw EIdSocketError(curl_multi_strerror(mc));
            bool done = false;
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
                if (msg->msg == CURLMSG_DONE) {
                    result = msg->data.result;
                    done = true;
                }
            }
            if (done)
                break;
            if (impl_->abort.load()) {
                outcome = Outcome::Aborted;
                break;
            }
            long wait_ms = kMaxPollMs;
            const auto now = Clock::now();
            if (settings_.max_total_ms > 0) {
                if (now - started >= max_total) {
                    outcome = Outcome::TooLong;
                    break;
                }
                wait_ms = std::min(wait_ms, left_ms(max_total - (now - started)));
            }
            if (settings_.read_timeout_ms > 0 && t.connected) {
                const auto idle = now - t.last_data;
                if (idle >= read_timeout) {
                    outcome = Outcome::TimedOut;
                    break;
                }
                wait_ms = std::min(wait_ms, left_ms(read_timeout - idle));
            }
            if (settings_.low_speed_bytes > 0 && settings_.low_speed_time_ms > 0 && t.connected) {
                const auto slow = now - t.speed_window;
                if (slow >= low_speed_time) {
                    outcome = Outcome::TooSlow;
                    break;
                }
                wait_ms = std::min(wait_ms, left_ms(low_speed_time - slow));
            }
            mc = curl_multi_poll(multi, nullptr, 0, static_cast<int>(wait_ms), nullptr);
            if (mc != CURLM_OK)
                throw EIdSocketError(curl_multi_strerror(mc));
        }
    }  // detaching mid-transfer closes that connection

    long code = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
    response_code_ = static_cast<int>(code);
    curl_off_t length = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    content_length_ = length;
    char* type = nullptr;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
    if (type)
        content_type_ = type;

    struct EndNotice {
        HttpClient& c;
        Transfer& t;
        ~EndNotice() {
            if (t.begun && c.handlers_.work_end)
                c.handlers_.work_end();
        }
    } end_notice{*this, t};

    if (t.error)
        std::rethrow_exception(t.error);
    if (outcome == Outcome::Aborted)
        throw EIdSocketError("Disconnected.");
    if (outcome == Outcome::TimedOut)
        throw EIdSocketError("Read timed out.");
    if (outcome == Outcome::TooSlow)
        throw EIdSocketError(LowSpeedMessage(settings_));
    if (outcome == Outcome::TooLong) {
        throw EIdSocketError("Transfer timed out: not complete within " +
                             std::to_string(settings_.max_total_ms) + " ms.");
    }
    if (result == CURLE_TOO_MANY_REDIRECTS) {
        throw EIdHTTPProtocolException(response_code_, "Too many redirects: " + t.status_line);
    }
    if (result != CURLE_OK) {
        std::string message = t.error_buffer[0] ? t.error_buffer : curl_easy_strerror(result);
        throw EIdSocketError(message);
    }
    if (!IsSuccess(code)) {
        std::string message =
            t.status_line.empty() ? "HTTP status " + std::to_string(code) : t.status_line;
        throw EIdHTTPProtocolException(response_code_, message);
    }
    if (!t.begun)
        BeginBody(t);  // empty body: the notices still frame it
}

}  // namespace kestrow::net
