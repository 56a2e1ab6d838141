#include "shell/options_document.h"

#include <pugixml.hpp>

#include <exception>
#include <string_view>
#include <utility>

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "platform/env.h"
#include "shell/cache_buster.h"
#include "shell/exe_version.h"
#include "shell/option_values.h"

namespace kestrow::shell {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The text of the root's first child element of that name (letter case ignored);
// empty when there is none.
std::string ElementText(const pugi::xml_node& root, std::string_view name) {
    for (const pugi::xml_node& child : root.children()) {
        if (child.type() == pugi::node_element && EqualsIgnoringCase(child.name(), name)) {
            return child.text().get();
        }
    }
    return {};
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of(std::string("/") + platform::kPathSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Reads the document into the state in the fixed order; false when the text is
// not an XML document with a root element. Exceptions pass through and end the
// reading where they happen.
bool ReadOptionsDocument(const std::string& xml, const OptionsSource& source,
                         core::LauncherState& state) {
    pugi::xml_document doc;
    const pugi::xml_parse_result parsed =
        doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        return false;
    const pugi::xml_node root = doc.document_element();
    if (!root)
        return false;

    std::string buster = "?";
    buster += std::to_string(state.UnixTime);
    state.g_PatchURL = ElementText(root, "patchlist_new") + buster;
    state.g_ClientURL = ElementText(root, "clientlist_new") + buster;
    state.g_UpdaterFileURL = ElementText(root, "updater_new") + buster;
    state.g_URL = ElementText(root, "site");
    state.g_F_URL = ElementText(root, "forum");
    state.g_INFO_URL = ElementText(root, "info");
    state.g_REG_URL = ElementText(root, "register");
    state.g_Version = ElementText(root, "version");
    state.g_Critical_Version = ReadIntegerText(ElementText(root, "critical_version"));

    const std::string exe_path =
        source.executable_path ? source.executable_path() : platform::ExecutablePath();
    state.g_NameExeFile = FileNamePart(exe_path);
    state.g_CurrentVersion = GetVersionEXE(exe_path);
    state.g_DirUSERPROFILE = platform::UserProfileFolder();

    state.g_ChangeLogs = ElementText(root, "changelogs") + buster;
    state.g_IsBlock = ReadBooleanText(ElementText(root, "block_update"), false);
    state.g_PatchURL_Folder = ElementText(root, "patchlist_new_folder");
    state.g_ClientURL_Folder = ElementText(root, "clientlist_new_folder");
    return true;
}

std::string SettingsLoadedLine(const std::string& url, const core::LauncherState& state) {
    std::string line = "Settings loaded: options_url=\"";
    line.append(url)
        .append("\", updater_current_version=")
        .append(state.g_CurrentVersion)
        .append(", updater_remote_version=")
        .append(state.g_Version)
        .append(", updater_exe_name=\"")
        .append(state.g_NameExeFile)
        .append("\", updater_new_url=\"")
        .append(state.g_UpdaterFileURL)
        .append("\"");
    return line;
}

}  // namespace

OptionsSession::OptionsSession(net::HttpSettings settings) : http_(std::move(settings)) {}

bool OptionsSession::ConnectProxy(const std::string& sType, const std::string& sIP, int nPort,
                                  const std::string& sSiteOption) {
    if (sType == "Proxy") {
        http_.Settings().proxy_host = sIP;
        http_.Settings().proxy_port = nPort;
    } else if (sType != "Normal") {
        return false;
    }
    try {
        std::string body = http_.Get(sSiteOption);
        xmlString_ = std::move(body);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

net::HttpSettings OptionsHttpSettings(const OptionsSource& source) {
    net::HttpSettings settings;
    settings.user_agent = kUserAgent;
    settings.follow_redirects = false;
    settings.connect_timeout_ms = source.connect_timeout_ms;
    settings.read_timeout_ms = source.read_timeout_ms;
    settings.max_total_ms = source.max_fetch_ms;
    settings.low_speed_bytes = net::kSlowTransferBytes;
    settings.low_speed_time_ms = net::kSlowTransferWindowMs;
    settings.max_body_bytes = source.max_bytes;
    return settings;
}

FetchedOptions FetchOptionsDocument(const OptionsSource& source) {
    OptionsSession session(OptionsHttpSettings(source));
    FetchedOptions fetched;
    fetched.error_connect = 0;
    fetched.url = AddCacheBuster(source.primary_url);
    if (!session.ConnectProxy("Normal", "", 0, fetched.url)) {
        fetched.error_connect = 1;
        fetched.url = AddCacheBuster(source.fallback_url);
        if (!session.ConnectProxy("Normal", "", 0, fetched.url))
            fetched.error_connect = 2;
    }
    fetched.text = session.xmlString();
    return fetched;
}

void ApplyOptionsDocument(const FetchedOptions& fetched, const OptionsSource& source) {
    core::LauncherState& state = core::Launcher();
    state.g_ErrorConnect = fetched.error_connect;
    const std::string& url = fetched.url;
    try {
        if (!ReadOptionsDocument(fetched.text, source, state))
            return;
        const std::string line = SettingsLoadedLine(url, state);
        if (source.log_info) {
            source.log_info(line);
        } else {
            log::LogInfo(line);
        }
    } catch (const std::exception&) {
        // The fields not yet read keep their values; nothing is reported.
    }
}

void LoadSettings(const OptionsSource& source) {
    ApplyOptionsDocument(FetchOptionsDocument(source), source);
}

void LoadSettings() {
    LoadSettings(DefaultOptionsSource());
}

void ReloadSettings(const OptionsSource& source) {
    const FetchedOptions fetched = FetchOptionsDocument(source);
    core::Window().RunOnWindowThread([&] { ApplyOptionsDocument(fetched, source); });
}

}  // namespace kestrow::shell
