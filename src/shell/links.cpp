#include "shell/links.h"

#include <mutex>

#include "platform/shell_open.h"
#include "shell/text_trim.h"

namespace kestrow::shell {
namespace {

std::mutex g_opener_mutex;
LinkOpener g_opener;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

}  // namespace

std::string NormalizeLink(std::string_view text) {
    std::string link = TrimBlanks(text);
    if (link.empty() || link.find("://") != std::string::npos)
        return link;
    for (std::string_view scheme : {"mailto:", "file:", "steam:", "discord:"}) {
        if (StartsWithIgnoringCase(link, scheme))
            return link;
    }
    return "https://" + link;
}

void SetLinkOpener(LinkOpener opener) {
    std::lock_guard lock(g_opener_mutex);
    g_opener = std::move(opener);
}

void OpenLink(std::string_view text) {
    const std::string link = TrimBlanks(text);
    if (link.empty())
        return;
    LinkOpener opener;
    {
        std::lock_guard lock(g_opener_mutex);
        opener = g_opener;
    }
    if (opener) {
        opener(link);
    } else {
        (void)platform::ShellOpen(link);
    }
}

void OpenButtonLink(std::string_view field) {
    OpenLink(NormalizeLink(field));
}
void OpenURL(const std::string& s) {
    OpenLink(s);
}
void OpenOther(const std::string& s) {
    OpenLink(s);
}

}  // namespace kestrow::shell
