#pragma once
// The process-wide daily line logger: "yyyy-mm-dd hh:nn:ss.zzz [LEVEL] message"
// + CR LF, UTF-8 without a byte-order mark, into logs/updater_yyyymmdd.log below
// the data directory. Thread-safe; none of these functions ever raises, and
// a line that cannot be written is lost without notice. With LoggingEnabled off
// (the default build) every function returns at once and nothing is created.

#include <cstddef>
#include <exception>
#include <string_view>

#include "log/logging_switch.h"

namespace kestrow::log {

// First thing at program start; a failed initialisation is retried by the next line.
void InitLogger() noexcept;
// Once at shutdown: writes "Logger finalized" and returns to uninitialised.
void FinalizeLogger() noexcept;

void LogInfo(std::string_view message) noexcept;
void LogWarn(std::string_view message) noexcept;
void LogError(std::string_view message) noexcept;

// ERROR line: context + ": " + class name + ": " + message; with no exception
// (nullptr) context + ": unknown exception".
void LogException(std::string_view context, const std::exception* e) noexcept;
// The same for a caught exception of any type, e.g. in catch (...) with
// std::current_exception(); a non-std exception or a null pointer counts as unknown.
void LogException(std::string_view context, std::exception_ptr e) noexcept;
// LogException(context, nullptr) picks neither of the two above.
void LogException(std::string_view context, std::nullptr_t) noexcept;

}  // namespace kestrow::log
