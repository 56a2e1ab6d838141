#include "support/nginx_harness.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "support/child_process.h"

namespace kestrow::test {

namespace {

// A port that was free a moment ago; nginx may still lose a race for it,
// which Start() reports and the constructor retries.
int PickFreePort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket failed");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    close(fd);
    if (port == 0)
        throw std::runtime_error("no free port on 127.0.0.1");
    return port;
}

bool Accepts(int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return ok;
}

std::string Tail(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string text = ss.str();
    return text.size() > 2000 ? text.substr(text.size() - 2000) : text;
}

}  // namespace

bool NginxServer::Available() {
    return access(kBinary, X_OK) == 0;
}

NginxServer::NginxServer(const std::string& root, const std::string& work_dir)
    : work_dir_(std::filesystem::absolute(work_dir).string()) {
    std::filesystem::create_directories(work_dir_ + "/temp");
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (Start(root))
            return;
    }
    throw std::runtime_error("nginx did not start:\n" + Tail(ErrorLogPath()));
}

NginxServer::~NginxServer() = default;  // the process is ended by ChildProcess

std::string NginxServer::Url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

bool NginxServer::Start(const std::string& root) {
    port_ = PickFreePort();
    const std::string& w = work_dir_;
    const std::string conf = w + "/nginx.conf";
    {
        std::ofstream out(conf, std::ios::trunc);
        out << "daemon off;\n"
               "master_process off;\n"
               "worker_processes 1;\n"
               "error_log "
            << w << "/error.log info;\n"
            << "pid " << w << "/nginx.pid;\n"
            << "events { worker_connections 256; }\n"
               "http {\n"
               "  access_log "
            << w << "/access.log;\n"
            << "  client_body_temp_path " << w << "/temp/client_body;\n"
            << "  proxy_temp_path " << w << "/temp/proxy;\n"
            << "  fastcgi_temp_path " << w << "/temp/fastcgi;\n"
            << "  uwsgi_temp_path " << w << "/temp/uwsgi;\n"
            << "  scgi_temp_path " << w << "/temp/scgi;\n"
            << "  types { text/xml xml; text/plain txt; text/html html; }\n"
               "  default_type application/octet-stream;\n"
               "  sendfile on;\n"
               "  keepalive_timeout 65;\n"
               "  keepalive_requests 100000;\n"
               "  server {\n"
               "    listen 127.0.0.1:"
            << port_ << ";\n"
            << "    server_name localhost;\n"
               "    root "
            << std::filesystem::absolute(root).string() << ";\n"
            << "    location / { }\n"
               "  }\n"
               "}\n";
        if (!out)
            throw std::runtime_error("cannot write " + conf);
    }
    process_ = std::make_unique<ChildProcess>(
        kBinary, std::vector<std::string>{"-p", w + "/", "-e", w + "/error.log", "-c", conf},
        w + "/stderr.log");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!process_->Running())
            break;
        if (Accepts(port_))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    process_.reset();
    return false;
}

}  // namespace kestrow::test
