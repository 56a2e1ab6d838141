#pragma once
// The real server a service runs: nginx serving a directory on a free
// 127.0.0.1 port, with its configuration, pid file, logs and temp folders in
// a directory the test gives. Started by the constructor, stopped by the
// destructor.

#include <memory>
#include <string>
#include <string_view>

namespace kestrow::test {

class ChildProcess;

class NginxServer {
  public:
    static constexpr const char* kBinary = "/usr/sbin/nginx";
    // True when nginx is installed.
    static bool Available();

    // Serves root on 127.0.0.1; work_dir (created when missing) holds
    // nginx.conf, nginx.pid, error.log, access.log and the temp folders.
    // Returns once the port accepts connections; throws std::runtime_error
    // with the error log's tail when nginx does not come up.
    NginxServer(const std::string& root, const std::string& work_dir);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    int Port() const { return port_; }
    // "http://127.0.0.1:PORT" + path.
    std::string Url(std::string_view path) const;
    std::string ErrorLogPath() const { return work_dir_ + "/error.log"; }
    std::string AccessLogPath() const { return work_dir_ + "/access.log"; }

  private:
    bool Start(const std::string& root);

    std::string work_dir_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace kestrow::test
