#pragma once
// The service's options document: fetched from the primary address, else the
// fallback, and read into the launcher state.

#include <string>

#include "core/service_identity.h"
#include "net/http_client.h"
#include "shell/options_source.h"

namespace kestrow::shell {

using core::kUserAgent;

// The HTTP client (`http`) and the fetched text (`xmlString`) that exist only
// while the options document is loaded.
class OptionsSession {
  public:
    explicit OptionsSession(net::HttpSettings settings);

    // One GET of sSiteOption. sType "Normal": directly; "Proxy": through sIP:nPort,
    // kept for later requests; anything else: false without a request. On success
    // the body replaces xmlString; on any failure (also a redirect) the result is
    // false and xmlString stays as it was.
    bool ConnectProxy(const std::string& sType, const std::string& sIP, int nPort,
                      const std::string& sSiteOption);

    const std::string& xmlString() const { return xmlString_; }
    net::HttpClient& http() { return http_; }

  private:
    net::HttpClient http_;
    std::string xmlString_;
};

// The client settings of the options fetch: the launcher's User-Agent, no
// redirects, the source's time-outs and size cap, the slow-transfer rule.
net::HttpSettings OptionsHttpSettings(const OptionsSource& source);

// The options document as fetched: which address answered (g_ErrorConnect's
// value) and its text.
struct FetchedOptions {
    int error_connect = 2;
    std::string url;   // the address last asked, cache-buster included
    std::string text;  // empty when neither address answered
};

// The primary address, else the fallback. Touches no launcher state.
FetchedOptions FetchOptionsDocument(const OptionsSource& source);

// Reads fetched options into core::Launcher(): g_ErrorConnect, then the fields
// in a fixed order, each assigned as soon as it is read; the reading stops
// silently at the first failure, leaving the rest as they were.
void ApplyOptionsDocument(const FetchedOptions& fetched, const OptionsSource& source);

// Fetch and apply on the calling thread (the window's thread at start-up).
void LoadSettings(const OptionsSource& source);
void LoadSettings();  // DefaultOptionsSource()

// LoadSettings for another thread: fetched there, applied on the window's
// thread, since the window reads these fields without a lock.
void ReloadSettings(const OptionsSource& source);

}  // namespace kestrow::shell
