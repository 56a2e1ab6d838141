#pragma once
// The clock the log writer reads for each line. Tests replace it to step over
// midnight; everything else leaves the local clock in place.

#include <functional>

#include "platform/local_time.h"

namespace kestrow::log {

using LogClock = std::function<platform::LocalDateTime()>;

// Replaces the clock; an empty function restores the local clock. Safe while
// other threads log.
void SetLogClock(LogClock clock);

// The time for the next line, from the clock in place. Called under the writer's lock.
platform::LocalDateTime LogClockNow();

}  // namespace kestrow::log
