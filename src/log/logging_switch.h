#pragma once
// The build-time switch of the log writer (CMake option KESTROW_LOGGING_ENABLED,
// off by default). Off: every log call is still made and returns at once.

#ifndef KESTROW_LOGGING_ENABLED
#define KESTROW_LOGGING_ENABLED 0
#endif

namespace kestrow::log {

inline constexpr bool LoggingEnabled = KESTROW_LOGGING_ENABLED != 0;

}  // namespace kestrow::log
