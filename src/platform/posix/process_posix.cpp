#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string_view>

#include "platform/ascii_case.h"
#include "platform/command_line.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/posix/spawn.h"
#include "platform/process.h"

namespace kestrow::platform {
namespace {

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

// A relative program path names a file below the caller's directory, not
// below the child's new working directory; a bare name is left to PATH.
std::string Absolute(const std::string& program) {
    if (program.empty() || program.front() == '/' || program.find('/') == std::string::npos) {
        return program;
    }
    return CurrentDirectory() + program;
}

// CreateProcessW looks for a bare program name in the current directory
// before the search path; posix_spawnp would only search PATH.
std::string ClientProgram(const std::string& program) {
    if (!program.empty() && program.find('/') == std::string::npos &&
        FileExists(CurrentDirectory() + program)) {
        return CurrentDirectory() + program;
    }
    return Absolute(program);
}

std::string_view FileNamePart(std::string_view path) {
    std::size_t pos = path.find_last_of("/\\");
    return pos == std::string_view::npos ? path : path.substr(pos + 1);
}

std::string ReadSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The names a process is known by: its executable's file name, the kernel's
// short name and the file name of argv[0]. Under Wine the executable is the
// loader, while the short name and argv[0] carry the Windows program's name.
bool ProcessHasName(const std::string& dir, std::string_view name) {
    char target[4096];
    ssize_t n = ::readlink((dir + "/exe").c_str(), target, sizeof target - 1);
    if (n > 0) {
        std::string_view exe(target, static_cast<std::size_t>(n));
        constexpr std::string_view kDeleted = " (deleted)";
        if (exe.size() > kDeleted.size() && exe.substr(exe.size() - kDeleted.size()) == kDeleted) {
            exe.remove_suffix(kDeleted.size());
        }
        if (EqualsIgnoringAsciiCase(FileNamePart(exe), name))
            return true;
    }
    // The short name keeps at most 15 bytes: a longer name may be cut, so it
    // would match every process whose name merely begins the same way.
    constexpr std::size_t kShortNameMax = 15;
    std::string comm = ReadSmallFile(dir + "/comm");
    if (!comm.empty() && comm.back() == '\n')
        comm.pop_back();
    if (name.size() < kShortNameMax && EqualsIgnoringAsciiCase(comm, name))
        return true;
    std::string cmdline = ReadSmallFile(dir + "/cmdline");
    std::string_view argv0(cmdline.c_str());
    return !argv0.empty() && EqualsIgnoringAsciiCase(FileNamePart(argv0), name);
}

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

class PidFd {
  public:
    // Raw system calls: glibc's declarations lack C linkage in some releases.
    explicit PidFd(pid_t pid) : fd_(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0))) {}
    ~PidFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    PidFd(const PidFd&) = delete;
    PidFd& operator=(const PidFd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Only the caller's own processes, as a user's TerminateProcess may only end
// the user's own: a launcher run by root must not end other users' games.
// The pidfd is taken before the checks, so the signal reaches the process
// that was checked even if its pid is reused meanwhile.
bool EndIfNamed(pid_t pid, std::string_view name) {
    const std::string dir = "/proc/" + std::to_string(pid);
    PidFd pidfd(pid);
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || st.st_uid != ::geteuid() || !ProcessHasName(dir, name))
        return false;
    if (pidfd.get() >= 0)
        return ::syscall(SYS_pidfd_send_signal, pidfd.get(), SIGKILL, nullptr, 0) == 0;
    return ::kill(pid, SIGKILL) == 0;  // kernels without pidfds
}

}  // namespace

std::vector<std::string> WineCommand() {
    std::vector<std::string> words = SplitWindowsCommandLine(GetEnv("KESTROW_WINE"));
    if (words.empty() || words[0].empty())
        return {"wine"};
    words[0] = Absolute(words[0]);
    return words;
}

bool StartProcess(const std::string& command_line, const std::string& working_directory) {
    std::vector<std::string> words = SplitWindowsCommandLine(command_line);
    if (words.empty() || words[0].empty())
        return false;
    words[0] = ClientProgram(words[0]);
    posix::SpawnRequest request;
    request.working_directory = working_directory;
    request.search_path = true;
    if (EndsWithIgnoringCase(words[0], ".exe")) {
        request.argv = WineCommand();
        request.argv.insert(request.argv.end(), words.begin(), words.end());
    } else {
        request.argv = std::move(words);
    }
    return posix::SpawnDetached(request);
}

int KillProcessesByName(const std::string& name) {
    if (name.empty())
        return 0;
    std::unique_ptr<DIR, DirCloser> proc(::opendir("/proc"));
    if (!proc)
        return 0;
    const pid_t self = ::getpid();
    int ended = 0;
    while (const dirent* entry = ::readdir(proc.get())) {
        std::string_view id(entry->d_name);
        if (id.empty() || id.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(std::string(id)));
        if (pid == self || pid <= 1)
            continue;
        if (EndIfNamed(pid, name))
            ++ended;
    }
    return ended;
}

}  // namespace kestrow::platform
