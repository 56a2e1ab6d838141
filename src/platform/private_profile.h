#pragma once
// Private-profile (INI) files: the stand-ins for GetPrivateProfileStringW and
// WritePrivateProfileStringA.
//
//   [Section]
//   Key=Value
//
// Section and key names compare without letter case (A to Z). Only the first
// section of a name is looked at, and in it the first key of a name; the
// names and the value are taken without the blanks around them. A line
// without "=" is a key with an empty value.
//
// POSIX reads a file with a UTF-16 (LE or BE) or UTF-8 byte-order mark in
// that encoding, any other in the ANSI code page (platform/code_page.h).
// Writes go in the ANSI code page; since the only files written hold
// passwords, every file written is replaced atomically (temporary file beside
// it, then rename) and has mode 0600 afterwards.

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrow::platform {

// The longest value a read returns, in UTF-16 code units: a buffer of 2048
// less its terminating null. A longer value is cut there, never inside a
// character.
inline constexpr std::size_t kProfileValueMax = 2047;

// GetPrivateProfileStringW(section, key, default_value, 2048-unit buffer,
// path), texts in UTF-8. A value enclosed in a matching pair of double or
// single quotes loses them. The default when the file, the section or the key
// is missing or the file cannot be read.
std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view default_value, const std::string& path);

// WritePrivateProfileStringA(section, key, value, path) from UTF-8 texts:
// section, key and value are converted to the ANSI code page, a character
// outside it becomes "?". The file is created by the first write; the key's
// line is replaced in place (keeping the key's spelling in the file), a new
// key goes after the last line of its section, a new section at the end; all
// other lines stay as they were. Keys are never deleted: an empty value
// leaves "Key=". False when the file cannot be written; a path that is a
// symbolic link or no regular file is never written through. The path itself
// is used as given (POSIX file names are bytes).
bool WriteProfileStringAnsi(std::string_view section, std::string_view key, std::string_view value,
                            const std::string& path);

}  // namespace kestrow::platform
