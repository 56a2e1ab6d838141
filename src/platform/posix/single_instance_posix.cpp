#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "platform/env.h"
#include "platform/error.h"
#include "platform/single_instance.h"

namespace kestrow::platform {
namespace {

// A mutex name may hold any character but '\'; a file name may not hold '/'.
std::string FileNamePart(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '/' || c == '%') {
            out += c == '/' ? "%2F" : "%25";
        } else {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace

std::string SingleInstanceLockPath(const std::string& name) {
    if (name.empty())
        return {};
    std::string runtime = GetEnv("XDG_RUNTIME_DIR");
    if (!runtime.empty() && runtime.front() == '/')  // a relative one is ignored
        return JoinPath(runtime, FileNamePart(name) + ".lock");
    return TempPath() + FileNamePart(name) + "." + std::to_string(getuid()) + ".lock";
}

SingleInstanceLock::SingleInstanceLock(const std::string& name) {
    if (name.empty()) {
        acquired_ = true;
        return;
    }
    const std::string path = SingleInstanceLockPath(name);
    // Close-on-exec: a started game client must not keep the guard alive.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
        throw Error("Cannot open the instance lock \"" + path + "\": " + SystemErrorMessage(errno));
    }
    int rc;
    while ((rc = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0) {
        acquired_ = true;
    } else if (errno != EWOULDBLOCK) {
        int error = errno;
        ::close(fd_);
        fd_ = -1;
        throw Error("Cannot lock \"" + path + "\": " + SystemErrorMessage(error));
    }
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace kestrow::platform
