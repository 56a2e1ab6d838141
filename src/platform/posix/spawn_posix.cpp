#include "platform/posix/spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

extern char** environ;

namespace kestrow::platform::posix {
namespace {

// Children we started and have not reaped yet; nobody waits for them, so
// they would stay zombies for the launcher's life.
std::mutex g_children_mutex;
std::vector<pid_t> g_children;

void ReapEndedChildren() {
    std::erase_if(g_children, [](pid_t pid) {
        pid_t rc = ::waitpid(pid, nullptr, WNOHANG);
        return rc == pid || (rc < 0 && errno == ECHILD);
    });
}

class FileActions {
  public:
    FileActions() { ::posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { ::posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

  private:
    posix_spawn_file_actions_t actions_;
};

class Attributes {
  public:
    Attributes() { ::posix_spawnattr_init(&attr_); }
    ~Attributes() { ::posix_spawnattr_destroy(&attr_); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;
    posix_spawnattr_t* get() { return &attr_; }

  private:
    posix_spawnattr_t attr_;
};

}  // namespace

bool SpawnDetached(const SpawnRequest& request) {
    if (request.argv.empty() || request.argv[0].empty())
        return false;

    FileActions actions;
    if (request.quiet) {
        ::posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        ::posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_adddup2(actions.get(), STDOUT_FILENO, STDERR_FILENO);
    }
    if (!request.working_directory.empty()) {
        ::posix_spawn_file_actions_addchdir_np(actions.get(), request.working_directory.c_str());
    }
    // Handles are not inherited, whatever another library left open.
    ::posix_spawn_file_actions_addclosefrom_np(actions.get(), STDERR_FILENO + 1);

    Attributes attr;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(attr.get(), &none);
    ::posix_spawnattr_setsigdefault(attr.get(), &all);
    ::posix_spawnattr_setflags(attr.get(),
                               POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.reserve(request.argv.size() + 1);
    for (const std::string& a : request.argv)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    std::lock_guard lock(g_children_mutex);
    ReapEndedChildren();
    pid_t pid = -1;
    int rc = request.search_path
                 ? ::posix_spawnp(&pid, argv[0], actions.get(), attr.get(), argv.data(), environ)
                 : ::posix_spawn(&pid, argv[0], actions.get(), attr.get(), argv.data(), environ);
    if (rc != 0)
        return false;
    g_children.push_back(pid);
    return true;
}

}  // namespace kestrow::platform::posix
