#include "log/log_clock.h"

#include <mutex>
#include <utility>

namespace kestrow::log {
namespace {

std::mutex& ClockMutex() {
    static std::mutex mutex;
    return mutex;
}

LogClock& CurrentClock() {
    static LogClock clock;
    return clock;
}

}  // namespace

void SetLogClock(LogClock clock) {
    std::lock_guard lock(ClockMutex());
    CurrentClock() = std::move(clock);
}

platform::LocalDateTime LogClockNow() {
    std::lock_guard lock(ClockMutex());
    const LogClock& clock = CurrentClock();
    return clock ? clock() : platform::LocalNow();
}

}  // namespace kestrow::log
