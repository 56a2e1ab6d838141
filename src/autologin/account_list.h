#pragma once
// The imported account list: a text file the user picks, one account
// "login;password;comment" per line, shown in the selector DirSelectBox01 as
// login + "; " + comment, with the parallel list ValidAccounts holding
// login + U+0006 + password for the launch.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrow::autologin {

struct ImportedEntry {
    std::string login, password, comment;
};

struct Credentials {
    std::string login, password;
};

// Lines split at CR LF, LF or CR (of a file read with platform::TextFileToUtf8).
std::vector<std::string> SplitAccountLines(std::string_view text);

// A line is accepted when SeparateLine at ";" gives exactly three non-empty
// pieces; login and password then lose every space (U+0020), the comment is
// kept as written. A login of spaces only is rejected: its entry could not be
// launched.
std::optional<ImportedEntry> ParseAccountLine(std::string_view line);

std::string SelectorItem(const ImportedEntry& entry);       // login + "; " + comment
std::string ValidAccountEntry(const ImportedEntry& entry);  // login + U+0006 + password

// SeparateLine of a ValidAccounts entry at U+0006: login = piece 1,
// password = piece 2 (empty when there is none).
Credentials EntryCredentials(std::string_view valid_account);

// The last four characters are ".txt", letter case aside (A to Z).
bool HasTxtExtension(std::string_view path);

// What DirSelectClick does after the dialog, for the window to show.
enum class ImportResult {
    NotTxt,      // Button_DirSelect disabled, the selector emptied, "Укажите txt файл."
    Unreadable,  // "Не удалось прочитать txt файл.", the lists as they were
    Empty,       // Button_DirSelect disabled, nothing selected
    Loaded,      // Button_DirSelect enabled, entry 0 selected
};

// The Russian message of an import result, empty when there is none.
std::string ImportMessage(ImportResult result);

// The selector's items and ValidAccounts, kept parallel: item i and entry i
// are the same account. Lives as long as the window.
class ImportedAccounts {
  public:
    const std::vector<std::string>& Items() const { return items_; }
    const std::vector<std::string>& ValidAccounts() const { return valid_accounts_; }

    // LoadAccountList: reads the file and refills both lists with its
    // accepted entries, in file order, duplicates kept; returns their number.
    // Throws platform::EFOpenError or EReadError when the file cannot be read,
    // leaving the lists as they were.
    std::size_t LoadAccountList(const std::string& path);

    // The login and password of entry i; empty for an index outside the list.
    Credentials CredentialsOf(int i) const;

    // DirSelectClick after the dialog returned path: g_chosenDirectoryInfo
    // and Information\folder := path before any check; then the extension
    // check (failing, the selector items go and ValidAccounts stays), the
    // read, and on entries g_nDirSelectIndex := 0. The window shows path in
    // DirSelect02 and acts on the result.
    ImportResult ImportChosenFile(const std::string& path);

    // The silent reload at every showing, of g_chosenDirectoryInfo: an
    // unreadable file counts as an empty one; no extension check. Returns
    // the entry to select: g_nDirSelectIndex when it lies in the list, else
    // -1. With entries the window shows the path in DirSelect02; without
    // (Items() empty) it disables Button_DirSelect.
    int ReloadChosenFile();

  private:
    std::vector<std::string> items_;
    std::vector<std::string> valid_accounts_;
};

// DirSelectBox01Change: for an index other than -1, g_nDirSelectIndex and
// Information\DirBox := index, and true (the window enables
// Button_DirSelect); -1 changes nothing.
bool SelectImportedEntry(int index);

}  // namespace kestrow::autologin
