#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/thread_priority.h"

namespace kestrow::platform {

#if defined(__linux__)
namespace {

// From linux/ioprio.h, which not every libc exposes.
constexpr int kIoprioWhoProcess = 1;
constexpr int kIoprioClassIdle = 3;
constexpr int kIoprioClassShift = 13;

}  // namespace
#endif

void LowerCurrentThreadPriority() noexcept {
#if defined(__linux__)
    // On Linux both values belong to the thread named by its id.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, 19);
#if defined(SYS_ioprio_set)
    (void)syscall(SYS_ioprio_set, kIoprioWhoProcess, static_cast<int>(tid),
                  kIoprioClassIdle << kIoprioClassShift);
#endif
#endif
    // Elsewhere a priority belongs to the whole process: leave it alone.
}

}  // namespace kestrow::platform
