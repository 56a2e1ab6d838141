#pragma once
// The links of the window's buttons.

#include <functional>
#include <string>
#include <string_view>

namespace kestrow::shell {

// Trimmed; empty stays empty; kept when it contains "://" or begins (letter
// case ignored) with "mailto:", "file:", "steam:" or "discord:"; otherwise
// "https://" in front.
std::string NormalizeLink(std::string_view text);

// What opens a link; the default is platform::ShellOpen. The Qt window may
// install QDesktopServices. An empty function restores the default.
using LinkOpener = std::function<void(const std::string&)>;
void SetLinkOpener(LinkOpener opener);

// Trimmed; when not empty handed to the opener; failure is ignored.
void OpenLink(std::string_view text);
// The site, forum, registration and information buttons: OpenLink(NormalizeLink(field)).
void OpenButtonLink(std::string_view field);
// As they are, not normalised (the auto-login window).
void OpenURL(const std::string& s);
void OpenOther(const std::string& s);

}  // namespace kestrow::shell
