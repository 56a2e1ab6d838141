#include "archive/file_size_limit.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>

#include "platform/error.h"

namespace kestrow::test {
namespace {

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

void WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

[[noreturn]] void RunChild(int fd, std::uint64_t limit, const std::function<void()>& body) {
    std::string result;
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{};
    getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = static_cast<rlim_t>(limit);
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) {
        result = "setrlimit failed";
    } else {
        try {
            body();
        } catch (const std::exception& e) {
            result = platform::ExceptionClassName(e) + ": " + e.what();
        }
    }
    WriteAll(fd, result);
    // No destructors or atexit handlers of the parent's state in the child.
    _exit(0);
}

}  // namespace

std::string RunWithFileSizeLimit(std::uint64_t limit, const std::function<void()>& body) {
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    Fd read_end(fds[0]), write_end(fds[1]);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0)
        RunChild(write_end.get(), limit, body);
    write_end.Close();
    std::string result;
    char buf[512];
    for (;;) {
        const ssize_t n = ::read(read_end.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.append(buf, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child did not exit normally (status " + std::to_string(status) + ")";
    return result;
}

}  // namespace kestrow::test
