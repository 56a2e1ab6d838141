#pragma once
// One fetch of the change log: GET the address, decode the body, fix up the
// Cyrillic letters. Every failure ends as the text to show instead.

#include <chrono>
#include <cstdint>
#include <string>

#include "net/http_client.h"

namespace kestrow::changelog {

inline constexpr long kConnectTimeoutMs = 5000;
inline constexpr long kReadTimeoutMs = 10000;
// The address comes from the service, the text goes into a text box: a body
// past this size is refused rather than held in memory.
inline constexpr std::int64_t kMaxBodyBytes = 8 * 1024 * 1024;
// The read time-out ends silence only; a server that trickles must not hold
// the launcher back for long: the whole request, connection included, ends
// after this, with kTextTooSlow.
inline constexpr std::chrono::milliseconds kMaxFetchTime{20000};

// The launcher's User-Agent, the two time-outs, the cap on the whole fetch,
// the slow-transfer rule, no proxy, redirects not followed; everything else
// the client's defaults.
net::HttpSettings ChangeLogHttpSettings(std::chrono::milliseconds max_fetch_time = kMaxFetchTime);

enum class FetchOutcome {
    Loaded,      // text: the fixed-up body
    Redirected,  // a redirect is neither followed nor reported: text empty
    Failed,      // text: the failure's message
};

struct ChangeLogText {
    FetchOutcome outcome = FetchOutcome::Failed;
    std::u16string text;
};

// One GET of url with client, whose progress handlers it clears and whose body
// cap it sets to max_body_bytes. Does not throw for a failed request; client
// may be disconnected from another thread to end the fetch early. A body over
// max_body_bytes fails with kTextTooLarge, a request that outlasts the
// client's max_total_ms with kTextTooSlow.
ChangeLogText FetchChangeLog(net::HttpClient& client, const std::string& url,
                             std::int64_t max_body_bytes = kMaxBodyBytes);

// The same with a client of its own, made with ChangeLogHttpSettings().
ChangeLogText FetchChangeLog(const std::string& url);

}  // namespace kestrow::changelog
