#pragma once
// A small scripted HTTP server on 127.0.0.1 for the options fetch: each path
// answers with a status and body, a redirect, or holds the request unanswered.

#include <httplib.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace kestrow::test {

class OptionsTestServer {
  public:
    struct Reply {
        int status = 200;
        std::string body;
        std::string location;  // sent as Location when not empty
        bool stall = false;    // accept the request and never answer it

        static Reply Body(std::string body, int status = 200) {
            Reply r;
            r.status = status;
            r.body = std::move(body);
            return r;
        }
        static Reply Redirect(std::string location) {
            Reply r = Body("<moved/>", 302);
            r.location = std::move(location);
            return r;
        }
        static Reply Stall() {
            Reply r;
            r.stall = true;
            return r;
        }
    };
    struct Seen {
        int hits = 0;
        std::string target;  // path and query as requested
        std::string user_agent;
    };

    OptionsTestServer();
    ~OptionsTestServer();
    OptionsTestServer(const OptionsTestServer&) = delete;
    OptionsTestServer& operator=(const OptionsTestServer&) = delete;

    void Set(const std::string& path, Reply reply);
    Seen SeenAt(const std::string& path) const;
    int Port() const { return port_; }
    std::string Url(const std::string& path) const;

    // An address on 127.0.0.1 where nothing listens.
    static std::string ClosedUrl(const std::string& path);

  private:
    void Handle(const httplib::Request& request, httplib::Response& response);

    httplib::Server server_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable released_cv_;
    bool released_ = false;
    std::map<std::string, Reply> replies_;
    std::map<std::string, Seen> seen_;
    std::jthread thread_;
};

}  // namespace kestrow::test
