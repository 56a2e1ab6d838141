#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kestrow::test {

namespace {

int ExitStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::string& stderr_path) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!stderr_path.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderr_path.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    }
    out_fd_ = fds[0];
}

ChildProcess::~ChildProcess() {
    Stop();
    if (out_fd_ >= 0)
        close(out_fd_);
}

bool ChildProcess::ReadLine(std::string& line, int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        std::size_t nl = pending_.find('\n');
        if (nl != std::string::npos) {
            line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0)
            return false;
        pollfd p{out_fd_, POLLIN, 0};
        int n = poll(&p, 1, static_cast<int>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        char buffer[4096];
        ssize_t got = read(out_fd_, buffer, sizeof buffer);
        if (got <= 0)
            return false;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

bool ChildProcess::Running() {
    if (exited_)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        status_ = ExitStatus(status);
    }
    return !exited_;
}

int ChildProcess::Wait() {
    if (!exited_) {
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        exited_ = true;
        status_ = ExitStatus(status);
    }
    return status_;
}

int ChildProcess::Stop(int grace_ms) {
    if (!Running())
        return status_;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(grace_ms);
    while (Running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (Running())
        kill(pid_, SIGKILL);
    return Wait();
}

}  // namespace kestrow::test
