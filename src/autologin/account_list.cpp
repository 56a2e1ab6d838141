#include "autologin/account_list.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "archive/line_separator.h"
#include "autologin/autologin_texts.h"
#include "core/launcher_state.h"
#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/file_stream.h"
#include "shell/local_settings.h"

namespace kestrow::autologin {
namespace {

std::string WithoutSpaces(std::string text) {
    std::erase(text, ' ');
    return text;
}

std::string ReadWholeFile(const std::string& path) {
    platform::FileStream file(path, platform::OpenMode::Read, platform::ShareMode::DenyWrite);
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const std::int64_t n = file.Read(buffer, sizeof buffer);
        if (n <= 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

std::vector<std::string> SplitAccountLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return lines;
}

std::optional<ImportedEntry> ParseAccountLine(std::string_view line) {
    const std::vector<std::string> pieces = archive::SeparateLine(line, ";");
    if (pieces.size() != 3 ||
        std::any_of(pieces.begin(), pieces.end(), [](const std::string& p) { return p.empty(); })) {
        return std::nullopt;
    }
    ImportedEntry entry{WithoutSpaces(pieces[0]), WithoutSpaces(pieces[1]), pieces[2]};
    if (entry.login.empty())
        return std::nullopt;
    // The selector's parallel entry joins login and password with the field
    // separator: one inside either would hand out the wrong credentials.
    const auto holds_separator = [](const std::string& text) {
        return text.find(archive::kFieldSeparator) != std::string::npos;
    };
    if (holds_separator(entry.login) || holds_separator(entry.password))
        return std::nullopt;
    return entry;
}

std::string SelectorItem(const ImportedEntry& entry) {
    return entry.login + "; " + entry.comment;
}

std::string ValidAccountEntry(const ImportedEntry& entry) {
    return entry.login + std::string(archive::kFieldSeparator) + entry.password;
}

Credentials EntryCredentials(std::string_view valid_account) {
    const std::vector<std::string> pieces =
        archive::SeparateLine(valid_account, archive::kFieldSeparator);
    return {pieces[0], pieces.size() > 1 ? pieces[1] : std::string()};
}

bool HasTxtExtension(std::string_view path) {
    return path.size() >= 4 &&
           platform::EqualsIgnoringAsciiCase(path.substr(path.size() - 4), ".txt");
}

std::string ImportMessage(ImportResult result) {
    switch (result) {
        case ImportResult::NotTxt:
            return kMessageNotTxt;
        case ImportResult::Unreadable:
            return kMessageUnreadable;
        case ImportResult::Empty:
        case ImportResult::Loaded:
            break;
    }
    return {};
}

std::size_t ImportedAccounts::LoadAccountList(const std::string& path) {
    const std::string text = platform::TextFileToUtf8(ReadWholeFile(path));
    std::vector<std::string> items, valid;
    for (const std::string& line : SplitAccountLines(text)) {
        if (const std::optional<ImportedEntry> entry = ParseAccountLine(line)) {
            items.push_back(SelectorItem(*entry));
            valid.push_back(ValidAccountEntry(*entry));
        }
    }
    items_ = std::move(items);
    valid_accounts_ = std::move(valid);
    return items_.size();
}

Credentials ImportedAccounts::CredentialsOf(int i) const {
    if (i < 0 || static_cast<std::size_t>(i) >= valid_accounts_.size())
        return {};
    return EntryCredentials(valid_accounts_[static_cast<std::size_t>(i)]);
}

ImportResult ImportedAccounts::ImportChosenFile(const std::string& path) {
    core::LauncherState& state = core::Launcher();
    state.g_chosenDirectoryInfo = path;
    shell::WriteSettingText(shell::kSectionInformation, shell::kValueFolder, path);
    if (!HasTxtExtension(path)) {
        items_.clear();
        return ImportResult::NotTxt;
    }
    std::size_t count = 0;
    try {
        count = LoadAccountList(path);
    } catch (const std::exception&) {
        return ImportResult::Unreadable;
    }
    if (count == 0)
        return ImportResult::Empty;
    state.g_nDirSelectIndex = 0;
    return ImportResult::Loaded;
}

int ImportedAccounts::ReloadChosenFile() {
    const core::LauncherState& state = core::Launcher();
    try {
        LoadAccountList(state.g_chosenDirectoryInfo);
    } catch (const std::exception&) {
        items_.clear();
        valid_accounts_.clear();
    }
    const int index = state.g_nDirSelectIndex;
    return index >= 0 && static_cast<std::size_t>(index) < items_.size() ? index : -1;
}

bool SelectImportedEntry(int index) {
    if (index == -1)
        return false;
    core::Launcher().g_nDirSelectIndex = index;
    shell::WriteSettingInt(shell::kSectionInformation, shell::kValueDirBox, index);
    return true;
}

}  // namespace kestrow::autologin
