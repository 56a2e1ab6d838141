#pragma once
// Where the options document comes from and how long its fetch may take.

#include <functional>
#include <string>
#include <string_view>

namespace kestrow::shell {

// A service that accepts the connection and never answers must not keep the
// window from appearing: the fetch gives up after these.
inline constexpr long kOptionsConnectTimeoutMs = 10'000;
inline constexpr long kOptionsReadTimeoutMs = 30'000;  // without any data

struct OptionsSource {
    std::string primary_url;
    std::string fallback_url;
    long connect_timeout_ms = kOptionsConnectTimeoutMs;
    long read_timeout_ms = kOptionsReadTimeoutMs;
    // Full path of the running launcher executable; empty: the real one.
    std::function<std::string()> executable_path;
    // Receives the "Settings loaded" line; empty: the application log.
    std::function<void(std::string_view)> log_info;
};

// The two addresses built into the launcher (KESTROW_OPTIONS_URL and
// KESTROW_OPTIONS_FALLBACK_URL), each replaced by the environment variable of
// the same name when that is set and not empty; the standard time-outs.
OptionsSource DefaultOptionsSource();

}  // namespace kestrow::shell
