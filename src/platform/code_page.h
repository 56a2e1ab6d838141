#pragma once
// Code-page conversion: the system's ANSI code page and the byte encodings of
// text files, to and from the UTF-8 the launcher keeps its texts in.
//
// Code pages are named as iconv and the IANA registry name them ("UTF-8",
// "UTF-16LE", "UTF-16BE", "CP1251", "KOI8-R"). POSIX converts with the C
// library's iconv: the ANSI code page comes from nl_langinfo, whose names
// iconv knows by construction, and the platform layer needs no further library.

#include <string>
#include <string_view>

#include "platform/error.h"

namespace kestrow::platform {

// A code page the converter does not know.
KESTROW_DECLARE_ERROR(ECodePageError, Error);

// GetACP. POSIX: the character set (nl_langinfo(CODESET)) of the locale the
// environment names (LC_ALL, else LC_CTYPE, else LANG), read at each call and
// independent of the process's own setlocale; that of the "C" locale
// ("ANSI_X3.4-1968", i.e. ASCII) when the named locale is not installed.
std::string AnsiCodePage();

// WideCharToMultiByte with the default character: every character the code
// page cannot hold, and every malformed UTF-8 sequence, becomes one "?".
// Throws ECodePageError for an unknown code page.
std::string Utf8ToCodePage(std::string_view utf8, const std::string& code_page);

// MultiByteToWideChar: each byte (each code unit of UTF-16) that does not form
// a character of the code page, a cut-off one at the end included, becomes
// U+FFFD. Throws ECodePageError for an unknown code page.
std::string CodePageToUtf8(std::string_view bytes, const std::string& code_page);

// The two conversions with AnsiCodePage(); a locale character set the
// converter does not know is taken as UTF-8. Never throw ECodePageError.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view bytes);

// A text file's bytes as UTF-8, as Windows programs read them: by a UTF-8,
// UTF-16 LE or UTF-16 BE byte-order mark (dropped), else in the ANSI code page.
std::string TextFileToUtf8(std::string_view bytes);

}  // namespace kestrow::platform
