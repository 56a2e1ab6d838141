#include "log/app_logger.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

#include "log/log_clock.h"
#include "log/updater_paths.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/settings_store.h"

namespace kestrow::log {
namespace {

// The logger's own texts.
constexpr std::string_view kLevelInfo = "INFO";
constexpr std::string_view kLevelWarn = "WARN";
constexpr std::string_view kLevelError = "ERROR";
constexpr std::string_view kInitialized = "Logger initialized";
constexpr std::string_view kLogDirectory = "Log directory: ";
constexpr std::string_view kDataDirectory = "Data directory: ";
constexpr std::string_view kCacheFilePath = "Cache file path: ";
constexpr std::string_view kFinalized = "Logger finalized";
constexpr std::string_view kUnknownException = ": unknown exception";
constexpr std::string_view kFilePrefix = "updater_";
constexpr std::string_view kFileSuffix = ".log";

// The write lock serialises appends. Initialisation has a lock of its own, so a
// retry from a worker thread never races another retry or the shutdown; it
// nests outside the write lock, never inside it.
std::mutex g_write_mutex;
std::mutex g_init_mutex;
std::atomic<bool> g_initialised{false};
std::string g_log_dir;  // guarded by g_write_mutex

std::string TwoDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", value);
    return buf;
}

std::string FormatLine(const platform::LocalDateTime& t, std::string_view level,
                       std::string_view message) {
    const std::string sep = platform::LocalTimeSeparator();
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d ", t.year, t.month, t.day);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d", t.millisecond);
    std::string line;
    line.reserve(40 + message.size());
    line += date;
    line += TwoDigits(t.hour) + sep + TwoDigits(t.minute) + sep + TwoDigits(t.second);
    line += millis;
    line += " [";
    line += level;
    line += "] ";
    line += message;
    line += "\r\n";
    return line;
}

std::string DailyFileName(const platform::LocalDateTime& t) {
    char date[16];
    std::snprintf(date, sizeof date, "%04d%02d%02d", t.year, t.month, t.day);
    return std::string(kFilePrefix) + date + std::string(kFileSuffix);
}

void AppendLine(const std::string& path, const std::string& line) {
    platform::FileStream file(path, platform::OpenMode::OpenOrCreate,
                              platform::ShareMode::DenyWrite);
    file.Seek(0, platform::SeekOrigin::End);
    file.Write(line.data(), static_cast<std::int64_t>(line.size()));
}

void WriteLogLine(std::string_view level, std::string_view message) noexcept;

// Step 2 of the initialisation; the caller holds g_init_mutex.
void InitializeLocked() noexcept {
    try {
        const std::string log_dir = GetUpdaterLogDir();
        if (!platform::CreateDirectoryChain(log_dir)) {
            g_initialised = false;
            return;
        }
        {
            std::lock_guard lock(g_write_mutex);
            g_log_dir = log_dir;
        }
        g_initialised = true;
        WriteLogLine(kLevelInfo, kInitialized);
        WriteLogLine(kLevelInfo, std::string(kLogDirectory) + log_dir);
        WriteLogLine(kLevelInfo, std::string(kDataDirectory) + GetUpdaterDataDir());
        WriteLogLine(kLevelInfo, std::string(kCacheFilePath) + GetUpdaterCacheFilePath());
    } catch (...) {
        g_initialised = false;
    }
}

void EnsureInitialized() noexcept {
    try {
        std::lock_guard lock(g_init_mutex);
        if (!g_initialised)
            InitializeLocked();
    } catch (...) {
    }
}

void WriteLogLine(std::string_view level, std::string_view message) noexcept {
    if (!LoggingEnabled)
        return;
    if (!g_initialised)
        EnsureInitialized();
    if (!g_initialised)
        return;
    try {
        std::lock_guard lock(g_write_mutex);
        const platform::LocalDateTime now = LogClockNow();
        AppendLine(g_log_dir + DailyFileName(now), FormatLine(now, level, message));
    } catch (...) {
        // Locked, full or missing: the line is lost.
    }
}

}  // namespace

void InitLogger() noexcept {
    // The settings store sits below the log and cannot call it itself.
    platform::SetSettingsWarningSink(&LogWarn);
    if (!LoggingEnabled)
        return;
    try {
        std::lock_guard lock(g_init_mutex);
        InitializeLocked();
    } catch (...) {
    }
}

void FinalizeLogger() noexcept {
    if (!LoggingEnabled)
        return;
    try {
        std::lock_guard lock(g_init_mutex);
        if (g_initialised)
            WriteLogLine(kLevelInfo, kFinalized);
        g_initialised = false;
    } catch (...) {
    }
}

void LogInfo(std::string_view message) noexcept {
    WriteLogLine(kLevelInfo, message);
}
void LogWarn(std::string_view message) noexcept {
    WriteLogLine(kLevelWarn, message);
}
void LogError(std::string_view message) noexcept {
    WriteLogLine(kLevelError, message);
}

void LogException(std::string_view context, const std::exception* e) noexcept {
    if (!LoggingEnabled)
        return;
    try {
        std::string text(context);
        if (e) {
            text += ": ";
            text += platform::ExceptionClassName(*e);
            text += ": ";
            text += e->what();
        } else {
            text += kUnknownException;
        }
        LogError(text);
    } catch (...) {
    }
}

void LogException(std::string_view context, std::exception_ptr e) noexcept {
    if (!LoggingEnabled)
        return;
    if (!e) {
        LogException(context, nullptr);
        return;
    }
    try {
        std::rethrow_exception(e);
    } catch (const std::exception& caught) {
        LogException(context, &caught);
    } catch (...) {
        LogException(context, nullptr);
    }
}

void LogException(std::string_view context, std::nullptr_t) noexcept {
    LogException(context, static_cast<const std::exception*>(nullptr));
}

}  // namespace kestrow::log
