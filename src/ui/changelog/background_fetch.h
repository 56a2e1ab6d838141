#pragma once
// The change-log request takes up to 20 s (5 s to connect, 10 s per silent
// read, the whole capped). The user-interface thread must keep serving the
// update run's window calls meanwhile, so the request runs on a thread of its
// own while the caller's thread serves every event but user input.

#include <string>

#include "changelog/change_log_fetch.h"

namespace kestrow::ui {

// One fetch of url with a client made for it alone. Returns once it has
// ended; when the application quits meanwhile, the request is cut short.
changelog::ChangeLogText FetchServingEvents(const std::string& url);

}  // namespace kestrow::ui
