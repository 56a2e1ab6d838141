#include "autologin/account_slots.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "archive/line_separator.h"
#include "core/launcher_state.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/private_profile.h"
#include "shell/local_settings.h"

namespace kestrow::autologin {
namespace {

template <typename Texts>
auto& FieldText(Texts& slot, SlotField field) {
    return field == SlotField::Account    ? slot.account
           : field == SlotField::Password ? slot.password
                                          : slot.comment;
}

}  // namespace

bool IsUsable(const SlotTexts& slot) {
    return !slot.account.empty() && !slot.password.empty();
}

std::string SlotRecord(const SlotTexts& slot) {
    if (slot.comment.empty())
        return slot.account + ";" + slot.password;
    return slot.account + ";" + slot.comment + ";" + slot.password;
}

SlotTexts ParseSlotRecord(std::string_view value) {
    if (value.empty())
        return {};
    const std::vector<std::string> pieces = archive::SeparateLine(value, ";");
    if (pieces.size() == 3)
        return {pieces[0], pieces[2], pieces[1]};
    if (pieces.size() == 2)
        return {pieces[0], pieces[1], {}};
    return {};
}

std::string InfoValueName(SlotField field, int n) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d", n);
    switch (field) {
        case SlotField::Account:
            return std::string("Account_") + number;
        case SlotField::Password:
            return std::string("Password_") + number;
        case SlotField::Comment:
            break;
    }
    return std::string("Comment_") + number;
}

std::string ProfileKey(int k) {
    return "Account" + std::to_string(k);
}

std::string OptionIniPath() {
    const std::string& temp = core::Launcher().g_UserTemp;
    // Never beside the game files: the mirror holds passwords.
    return (temp.empty() ? platform::TempPath() : temp) + kOptionIniFile;
}

void WriteOptionAccount(int k, const std::string& record) {
    (void)platform::WriteProfileStringAnsi(kAccountSection, ProfileKey(k), record, OptionIniPath());
}

void ClearOptionAccount(int k) {
    WriteOptionAccount(k, {});
}

void WriteInfoString(const std::string& name, const std::string& value) {
    shell::WriteSettingText(shell::kSectionInformation, name, value);
}

AccountSlots::AccountSlots(Hooks hooks, std::string game_directory)
    : hooks_(std::move(hooks)), game_directory_(std::move(game_directory)) {}

const SlotTexts& AccountSlots::Slot(int n) const {
    return slots_.at(static_cast<std::size_t>(n - 1));
}

bool AccountSlots::SetField(int n, SlotField field, const std::string& text) {
    std::string& held = FieldText(slots_.at(static_cast<std::size_t>(n - 1)), field);
    if (held == text)
        return false;
    held = text;
    switch (field) {
        case SlotField::Account:
            AccountChangeTracking(n);
            break;
        case SlotField::Password:
            PasswordChangeTracking(n);
            break;
        case SlotField::Comment:
            CommentChangeTracking(n);
            break;
    }
    return true;
}

void AccountSlots::AccountChangeTracking(int n) {
    const SlotTexts& slot = Slot(n);
    if (IsUsable(slot)) {
        WriteOptionAccount(n - 1, SlotRecord(slot));
        EnableStartButton(n, true);
    } else {
        ClearOptionAccount(n - 1);
        EnableStartButton(n, false);
    }
    WriteInfoString(InfoValueName(SlotField::Account, n), slot.account);
}

void AccountSlots::PasswordChangeTracking(int n) {
    const SlotTexts& slot = Slot(n);
    if (IsUsable(slot)) {
        WriteOptionAccount(n - 1, SlotRecord(slot));
        EnableStartButton(n, true);
    } else {
        // The last record stays in option.ini.
        EnableStartButton(n, false);
    }
    WriteInfoString(InfoValueName(SlotField::Password, n), slot.password);
}

void AccountSlots::CommentChangeTracking(int n) {
    const SlotTexts& slot = Slot(n);
    if (IsUsable(slot))
        WriteOptionAccount(n - 1, SlotRecord(slot));
    WriteInfoString(InfoValueName(SlotField::Comment, n), slot.comment);
}

void AccountSlots::EnableStartButton(int n, bool enabled) const {
    if (hooks_.startButtonEnabled)
        hooks_.startButtonEnabled(n, enabled);
}

std::string AccountSlots::AccountListPath() const {
    if (game_directory_.empty())
        return kAccountListFile;  // relative: the current directory
    return platform::JoinPath(game_directory_, kAccountListFile);
}

SlotTexts AccountSlots::StoredSlot(int n) const {
    (void)Slot(n);  // range check
    const std::string list = AccountListPath();
    if (platform::FileExists(list)) {
        // The store is not consulted while the file exists, for any slot.
        return ParseSlotRecord(
            platform::ReadProfileString(kAccountSection, ProfileKey(n - 1), "", list));
    }
    const auto read = [n](SlotField field) {
        return shell::ReadSettingText(shell::kSectionInformation, InfoValueName(field, n), "");
    };
    return {read(SlotField::Account), read(SlotField::Password), read(SlotField::Comment)};
}

void AccountSlots::LoadAccount(int n) {
    const SlotTexts loaded = StoredSlot(n);
    const std::pair<SlotField, const std::string*> order[] = {
        {SlotField::Account, &loaded.account},
        {SlotField::Password, &loaded.password},
        {SlotField::Comment, &loaded.comment},
    };
    for (const auto& [field, text] : order) {
        if (FieldText(Slot(n), field) == *text)
            continue;  // an assignment that changes nothing raises no change
        if (hooks_.fieldAssigned)
            hooks_.fieldAssigned(n, field, *text);
        SetField(n, field, *text);  // nothing more if the window forwarded it already
    }
}

void AccountSlots::LoadAccounts() {
    for (int n = 1; n <= kSlotCount; ++n) {
        LoadAccount(n);
        EnableStartButton(n, Usable(n));
    }
}

}  // namespace kestrow::autologin
