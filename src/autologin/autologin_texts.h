#pragma once
// Texts of the account import and the log-in launch, to the character. The
// messages exist in Russian only and are shown whatever the language.

namespace kestrow::autologin {

// The import dialog (DirSelectClick): title by language, filter, extension.
inline constexpr char kImportTitleRussian[] = "Выберите txt файл с аккаунтами";
inline constexpr char kImportTitleEnglish[] =
    "Choose txt file with accounts";  // any other language
inline constexpr char kImportFilter[] = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
inline constexpr char kImportDefaultExtension[] = "txt";

inline constexpr char kMessageNotTxt[] = "Укажите txt файл.";
inline constexpr char kMessageUnreadable[] = "Не удалось прочитать txt файл.";

// StartAccount's failure: followed by the client's relative path.
inline constexpr char kMessageCannotFind[] = "Невозможно найти: ";

// The import dialog's title for a language (0 Russian, anything else English).
constexpr const char* ImportDialogTitle(int language) {
    return language == 0 ? kImportTitleRussian : kImportTitleEnglish;
}

}  // namespace kestrow::autologin
