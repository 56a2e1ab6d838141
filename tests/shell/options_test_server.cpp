#include "options_test_server.h"

#include <stdexcept>

namespace kestrow::test {

OptionsTestServer::OptionsTestServer() {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Handle(request, response);
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("cannot bind a port on 127.0.0.1");
    thread_ = std::jthread([this] { server_.listen_after_bind(); });
    // stop() does nothing before the loop runs, so wait until it does.
    while (!server_.is_running())
        std::this_thread::yield();
}

OptionsTestServer::~OptionsTestServer() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    released_cv_.notify_all();
    server_.stop();
}

void OptionsTestServer::Set(const std::string& path, Reply reply) {
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

OptionsTestServer::Seen OptionsTestServer::SeenAt(const std::string& path) const {
    std::lock_guard lock(mutex_);
    auto it = seen_.find(path);
    return it == seen_.end() ? Seen{} : it->second;
}

std::string OptionsTestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::string OptionsTestServer::ClosedUrl(const std::string& path) {
    int port = 0;
    {
        OptionsTestServer probe;
        port = probe.Port();
    }
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

void OptionsTestServer::Handle(const httplib::Request& request, httplib::Response& response) {
    std::unique_lock lock(mutex_);
    Seen& seen = seen_[request.path];
    ++seen.hits;
    seen.target = request.target;
    seen.user_agent = request.get_header_value("User-Agent");
    auto it = replies_.find(request.path);
    if (it == replies_.end()) {
        response.status = 404;
        return;
    }
    const Reply reply = it->second;
    if (reply.stall) {
        released_cv_.wait(lock, [this] { return released_; });
        response.status = 503;
        return;
    }
    response.status = reply.status;
    if (!reply.location.empty())
        response.set_header("Location", reply.location);
    response.set_content(reply.body, "text/xml");
}

}  // namespace kestrow::test
