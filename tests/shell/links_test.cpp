#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/links.h"

namespace kestrow::shell {
namespace {

TEST(NormalizeLink, SchemeKeptOrHttpsAdded) {
    struct Case {
        const char* text;
        const char* link;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"example.org", "https://example.org"},
        {"  example.org/forum  ", "https://example.org/forum"},
        {"http://example.org", "http://example.org"},
        {"HTTPS://example.org", "HTTPS://example.org"},
        {"ftp://files.example.org", "ftp://files.example.org"},
        {"mailto:support@example.org", "mailto:support@example.org"},
        {"MAILTO:support@example.org", "MAILTO:support@example.org"},
        {"file:///C:/Games", "file:///C:/Games"},
        {"steam://run/1", "steam://run/1"},
        {"steam:run", "steam:run"},
        {"Discord:invite", "Discord:invite"},
        {"javascript:alert(1)", "https://javascript:alert(1)"},
        {"www.example.org:8080", "https://www.example.org:8080"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NormalizeLink(c.text), c.link) << "[" << c.text << "]";
}

TEST(OpenLink, TrimmedLinksReachTheOpenerAndBlankOnesDoNot) {
    std::vector<std::string> opened;
    SetLinkOpener([&](const std::string& link) { opened.push_back(link); });
    OpenLink("  http://example.org  ");
    OpenLink(" \t ");
    OpenButtonLink(" forum.example.org ");
    OpenButtonLink("");
    OpenURL("example.org/register");  // as it is, not normalised
    OpenOther(" C:\\Games\\readme.txt ");
    SetLinkOpener({});
    EXPECT_EQ(opened, (std::vector<std::string>{"http://example.org", "https://forum.example.org",
                                                "example.org/register", "C:\\Games\\readme.txt"}));
}

}  // namespace
}  // namespace kestrow::shell
