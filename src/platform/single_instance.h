#pragma once
// The named single-instance guard.
//
// Windows: CreateMutexW(name, initial owner) and WaitForSingleObject(0).
// POSIX: an exclusive flock (LOCK_NB) on "<name>.lock" in $XDG_RUNTIME_DIR, or
// "<name>.<uid>.lock" in the temp folder when that is unset (the temp folder
// is shared by all users; Windows mutex names are per session). The kernel
// releases the lock when the process ends, however it ends.

#include <string>

namespace kestrow::platform {

class SingleInstanceLock {
  public:
    // Tries to take the lock at once. An empty name is an unnamed mutex,
    // which is always acquired. Throws Error when the lock file cannot be
    // created or opened.
    explicit SingleInstanceLock(const std::string& name);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this object holds the lock; false: another holder has it.
    bool Acquired() const { return acquired_; }

  private:
    int fd_ = -1;
    bool acquired_ = false;
};

// The lock file of a name (POSIX); empty for an empty name.
std::string SingleInstanceLockPath(const std::string& name);

}  // namespace kestrow::platform
