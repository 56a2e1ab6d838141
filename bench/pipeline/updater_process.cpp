#include "updater_process.h"

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

extern char** environ;

namespace kestrow::bench {
namespace {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

  private:
    int fd_;
};

class SpawnActions {
  public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

// Reads fd until end of file (or EIO, a pseudo-terminal whose other side closed).
std::size_t Drain(int fd, std::string* keep) {
    std::size_t total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        total += static_cast<std::size_t>(n);
        if (keep != nullptr)
            keep->append(buffer, static_cast<std::size_t>(n));
    }
    return total;
}

// VmHWM of a running process in KiB, 0 when it cannot be read.
long PeakResidentKib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmHWM:"))
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

std::string LastLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const std::size_t at = text.find_last_of('\n');
    return at == std::string::npos ? text : text.substr(at + 1);
}

}  // namespace

UpdaterResult RunOnTerminal(const std::string& program, const std::vector<std::string>& args,
                            const std::string& work_dir,
                            const std::vector<std::string>& env_overrides) {
    int master_fd = -1, slave_fd = -1;
    winsize size{};
    size.ws_row = 40;
    size.ws_col = 120;
    if (::openpty(&master_fd, &slave_fd, nullptr, nullptr, &size) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    Fd master(master_fd), slave(slave_fd);
    ::fcntl(master.Get(), F_SETFD, FD_CLOEXEC);
    ::fcntl(slave.Get(), F_SETFD, FD_CLOEXEC);
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    Fd out_read(pipe_fds[0]), out_write(pipe_fds[1]);

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), out_write.Get(), 1);
    posix_spawn_file_actions_adddup2(actions.Get(), slave.Get(), 2);
    posix_spawn_file_actions_addchdir_np(actions.Get(), work_dir.c_str());

    std::vector<std::string> env_text;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& o : env_overrides)
            replaced = replaced || o.substr(0, o.find('=')) == name;
        if (!replaced)
            env_text.push_back(entry);
    }
    env_text.insert(env_text.end(), env_overrides.begin(), env_overrides.end());
    std::vector<char*> envp;
    for (std::string& e : env_text)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<std::string> argv_text = {program};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    UpdaterResult result;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int rc =
        posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), envp.data());
    if (rc != 0)
        throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
    // Only the child holds the write ends now, so both drains end with it.
    slave.Reset();
    out_write.Reset();
    // posix_spawn's child runs in this process's memory until it executes
    // the program, and ru_maxrss would report that peak: sample the new
    // image's own high-water mark instead (it only grows, so the last
    // sample is within one period of the true peak).
    std::atomic<long> peak_kib{0};
    std::jthread sampler([&](std::stop_token stop) {
        while (!stop.stop_requested()) {
            peak_kib = std::max(peak_kib.load(), PeakResidentKib(pid));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::string stdout_text;
    {
        std::jthread terminal([&] { result.display_bytes = Drain(master.Get(), nullptr); });
        Drain(out_read.Get(), &stdout_text);
    }
    sampler.request_stop();
    sampler.join();
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.max_rss_kib = peak_kib.load();
    result.last_line = LastLine(stdout_text);
    return result;
}

}  // namespace kestrow::bench
