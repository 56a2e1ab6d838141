#pragma once
// Status message ids 0..15 and their texts in the two interface languages, and
// the status and language fields of the launcher state.

#include <optional>
#include <string>

namespace kestrow::core {

inline constexpr int kLanguageRussian = 0;
inline constexpr int kLanguageEnglish = 1;

inline constexpr int kFirstStatusId = 0;
inline constexpr int kLastStatusId = 15;

// The text of a status id in a language. Id 7 in Russian carries the read-only
// count in brackets when it is not 0. Empty when the id is outside 0..15 or the
// language is neither Russian nor English.
std::optional<std::string> StatusText(int id, int language, int filesOnlyRead);

// messageId := msg; nothing is shown. Any thread.
void setStatus(int msg);

// g_msg := the text of messageId in the current language (with
// g_nFilesOnlyRead for id 7); unchanged for an unknown id or language.
// User-interface thread (or whoever owns g_msg).
void getStatus();

// The current interface language (0 Russian, 1 English). Any thread.
int getLanguage();

}  // namespace kestrow::core
