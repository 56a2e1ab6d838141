#pragma once
// The HTTP client settings that the catalogue client and the download workers share.

#include <cstdint>

#include "core/service_identity.h"
#include "net/http_client.h"

namespace kestrow::update {

inline constexpr long kConnectTimeoutMs = 10000;
inline constexpr long kReadTimeoutMs = 60000;
// A catalogue body is held in memory: larger ones fail the catalogue stage.
inline constexpr std::int64_t kMaxCatalogueBytes = std::int64_t{256} << 20;
using core::kUserAgent;

// Redirects followed, the two time-outs, the slow-transfer rule, the User-Agent, "Connection:
// keep-alive" and "Accept: */*".
net::HttpSettings UpdateHttpSettings();

}  // namespace kestrow::update
