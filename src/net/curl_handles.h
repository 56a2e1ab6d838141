#pragma once
// Owning wrappers of the libcurl handles the client keeps between requests.

#include <curl/curl.h>

#include <memory>
#include <string>

namespace kestrow::net {

// libcurl's process-wide set-up, done once on first use from any thread.
void EnsureCurlGlobalInit();

class EasyHandle {
  public:
    EasyHandle() = default;
    static EasyHandle Create();
    CURL* get() const { return handle_.get(); }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    struct Free {
        void operator()(CURL* h) const { curl_easy_cleanup(h); }
    };
    std::unique_ptr<CURL, Free> handle_;
};

// Owns the connection cache: connections stay open between requests until
// the handle is replaced or destroyed.
class MultiHandle {
  public:
    MultiHandle() = default;
    static MultiHandle Create();
    CURLM* get() const { return handle_.get(); }
    explicit operator bool() const { return handle_ != nullptr; }

  private:
    struct Free {
        void operator()(CURLM* h) const { curl_multi_cleanup(h); }
    };
    std::unique_ptr<CURLM, Free> handle_;
};

class CurlHeaders {
  public:
    CurlHeaders() = default;
    ~CurlHeaders() { curl_slist_free_all(list_); }
    CurlHeaders(const CurlHeaders&) = delete;
    CurlHeaders& operator=(const CurlHeaders&) = delete;
    void Append(const std::string& header);
    curl_slist* get() const { return list_; }

  private:
    curl_slist* list_ = nullptr;
};

// An easy handle added to a multi handle for the length of one transfer.
class MultiAttachment {
  public:
    MultiAttachment(CURLM* multi, CURL* easy);
    ~MultiAttachment() { curl_multi_remove_handle(multi_, easy_); }
    MultiAttachment(const MultiAttachment&) = delete;
    MultiAttachment& operator=(const MultiAttachment&) = delete;

  private:
    CURLM* multi_;
    CURL* easy_;
};

}  // namespace kestrow::net
