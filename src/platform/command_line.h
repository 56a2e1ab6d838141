#pragma once
// Command lines as Windows splits them.

#include <string>
#include <string_view>
#include <vector>

namespace kestrow::platform {

// CommandLineToArgvW's splitting. The first word is the program: up to the
// next double quote when it begins with one, else up to the first blank or
// tab, with no escapes. In the other words, blanks and tabs outside quotes
// separate; 2n backslashes before a quote give n backslashes and the quote
// opens or closes a quoted part, 2n+1 give n backslashes and a literal quote;
// other backslashes are literal; within a run of quotes every third one is a
// literal quote. An empty or blank line gives no words.
std::vector<std::string> SplitWindowsCommandLine(std::string_view command_line);

// The running program's arguments, the program itself first (argv).
std::vector<std::string> ProcessArguments();

}  // namespace kestrow::platform
