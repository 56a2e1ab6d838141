#include "update/http_tuning.h"

namespace kestrow::update {

net::HttpSettings UpdateHttpSettings() {
    net::HttpSettings settings;
    settings.follow_redirects = true;
    settings.connect_timeout_ms = kConnectTimeoutMs;
    settings.read_timeout_ms = kReadTimeoutMs;
    settings.low_speed_bytes = net::kSlowTransferBytes;
    settings.low_speed_time_ms = net::kSlowTransferWindowMs;
    settings.user_agent = kUserAgent;
    settings.extra_headers = {"Connection: keep-alive"};
    settings.accept = "*/*";
    return settings;
}

}  // namespace kestrow::update
