// Any bytes as a player's imported account list: decoding never fails, and an
// accepted line yields a login that is not empty, a login and a password
// without spaces, both coming back whole from the selector's parallel entry.

#include <cstdint>
#include <string>
#include <string_view>

#include "autologin/account_list.h"
#include "platform/code_page.h"

namespace {

using namespace kestrow::autologin;

void Require(bool condition) {
    if (!condition)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text =
        kestrow::platform::TextFileToUtf8({reinterpret_cast<const char*>(data), size});
    for (const std::string& line : SplitAccountLines(text)) {
        const auto entry = ParseAccountLine(line);
        if (!entry)
            continue;
        Require(!entry->login.empty());
        Require(entry->login.find(' ') == std::string::npos);
        Require(entry->password.find(' ') == std::string::npos);
        (void)SelectorItem(*entry);
        const Credentials credentials = EntryCredentials(ValidAccountEntry(*entry));
        Require(credentials.login == entry->login && credentials.password == entry->password);
    }
    return 0;
}
