#pragma once
// The HTTP client settings that the catalogue client and the download workers share.

#include "core/service_identity.h"
#include "net/http_client.h"

namespace kestrow::update {

inline constexpr long kConnectTimeoutMs = 10000;
inline constexpr long kReadTimeoutMs = 60000;
using core::kUserAgent;

// Redirects followed, the two time-outs, the User-Agent, "Connection:
// keep-alive" and "Accept: */*".
net::HttpSettings UpdateHttpSettings();

}  // namespace kestrow::update
