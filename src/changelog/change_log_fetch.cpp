#include "changelog/change_log_fetch.h"

#include <exception>

#include "changelog/change_log_texts.h"
#include "changelog/text_decoding.h"
#include "changelog/text_fixup.h"
#include "core/service_identity.h"

namespace kestrow::changelog {
namespace {

// 304 is a cache answer, not a redirect; the client does not tell whether a
// Location header came with the others, so every other 3xx counts as one.
bool IsRedirect(int code) {
    return code >= 300 && code <= 399 && code != 304;
}

ChangeLogText Failure(const char* message) {
    return {FetchOutcome::Failed, DecodeText(message, "UTF-8")};
}

}  // namespace

net::HttpSettings ChangeLogHttpSettings(std::chrono::milliseconds max_fetch_time) {
    net::HttpSettings settings;
    settings.user_agent = core::kUserAgent;
    settings.connect_timeout_ms = kConnectTimeoutMs;
    settings.read_timeout_ms = kReadTimeoutMs;
    settings.max_total_ms = static_cast<long>(max_fetch_time.count());
    settings.low_speed_bytes = net::kSlowTransferBytes;
    settings.low_speed_time_ms = net::kSlowTransferWindowMs;
    settings.follow_redirects = false;
    return settings;
}

ChangeLogText FetchChangeLog(net::HttpClient& client, const std::string& url,
                             std::int64_t max_body_bytes) {
    client.SetProgressHandlers({});
    client.Settings().max_body_bytes = max_body_bytes;
    const auto started = std::chrono::steady_clock::now();
    try {
        const std::string body = client.Get(url);
        return {FetchOutcome::Loaded, FixedUpCyrillic(DecodeBody(body, client.ContentType()))};
    } catch (const net::EIdHTTPProtocolException& e) {
        if (IsRedirect(e.Code()))
            return {FetchOutcome::Redirected, {}};
        return Failure(e.what());
    } catch (const net::EResponseTooLarge&) {
        return Failure(kTextTooLarge);
    } catch (const net::EIdSocketError& e) {
        // Past the cap, whichever limit fired, the answer came too slowly.
        const long cap = client.Settings().max_total_ms;
        if (cap > 0 && std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(cap))
            return Failure(kTextTooSlow);
        return Failure(e.what());
    } catch (const std::exception& e) {
        return Failure(e.what());
    }
}

ChangeLogText FetchChangeLog(const std::string& url) {
    net::HttpClient client(ChangeLogHttpSettings());
    return FetchChangeLog(client, url);
}

}  // namespace kestrow::changelog
