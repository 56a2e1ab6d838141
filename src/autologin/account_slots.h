#pragma once
// The twenty account slots of the auto-login window and the three places
// behind them: the settings store (section Information, the normal source,
// receiving every change), AccountList.ini in the game directory (read only;
// while it exists the slots load from it) and option.ini in the user's
// temporary folder (a mirror of the usable slots, never read).
//
// Slot n is 1 to 20; its store values carry n in two digits (Account_01), its
// INI key is "Account" + (n - 1). Passwords are plain text everywhere.

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace kestrow::autologin {

inline constexpr int kSlotCount = 20;

inline constexpr char kAccountListFile[] = "AccountList.ini";
inline constexpr char kOptionIniFile[] = "option.ini";
inline constexpr char kAccountSection[] = "Account";

enum class SlotField { Account, Password, Comment };

// The texts of one slot's three edit fields.
struct SlotTexts {
    std::string account, password, comment;
    bool operator==(const SlotTexts&) const = default;
};

// Account and password both non-empty: the launch button may be used and
// option.ini mirrors the slot.
bool IsUsable(const SlotTexts& slot);

// "account;comment;password", or "account;password" when the comment is
// empty; nothing quoted or escaped.
std::string SlotRecord(const SlotTexts& slot);

// An AccountList.ini value cut by SeparateLine at ";": three pieces are
// account, comment, password; two are account, password; anything else (and
// an empty value) is an empty slot.
SlotTexts ParseSlotRecord(std::string_view value);

// "Account_01", "Password_20", "Comment_07": the store value of a slot field.
std::string InfoValueName(SlotField field, int n);
// "Account0" to "Account19": the INI key for K = n - 1.
std::string ProfileKey(int k);

// g_UserTemp + "option.ini" (the temporary path when g_UserTemp is unset).
std::string OptionIniPath();

// Key AccountK of section Account in option.ini := record; ClearOptionAccount
// writes an empty value, the key stays. Failures are ignored.
void WriteOptionAccount(int k, const std::string& record);
void ClearOptionAccount(int k);

// Section Information of the settings store (RegistreU): name := value.
void WriteInfoString(const std::string& name, const std::string& value);

// The slots as the window's edit fields hold them, with each field's change
// handling. The window forwards every change of an edit field's text to
// SetField and shows what the hooks report. An assignment made here (loading)
// that changes a field reaches the window through fieldAssigned first; its
// change handling runs once, whether the window forwards the change back or not.
class AccountSlots {
  public:
    struct Hooks {
        // LoadAccount assigns a new text to an edit field; the field's change
        // handling follows.
        std::function<void(int n, SlotField field, const std::string& text)> fieldAssigned;
        // Button_StartNN enabled (true) or disabled by the change handling.
        std::function<void(int n, bool enabled)> startButtonEnabled;
    };

    // game_directory holds AccountList.ini; empty: the current directory,
    // looked up at every load.
    explicit AccountSlots(Hooks hooks = {}, std::string game_directory = {});

    const SlotTexts& Slot(int n) const;
    bool Usable(int n) const { return IsUsable(Slot(n)); }

    // A field's text after a change, typed or assigned. When it differs from
    // the text held, the field's change handling (E_AccountNNChangeTracking,
    // E_PasswordNNChangeTracking, E_CommentNNChangeTracking) runs on the
    // slot's new texts and the result is true; an unchanged text runs nothing.
    bool SetField(int n, SlotField field, const std::string& text);

    // LoadAccount: slot n's texts from AccountList.ini while that file
    // exists, else from the store; assigned account, password, comment in
    // that order, each through SetField.
    void LoadAccount(int n);

    // Every showing: LoadAccount for slots 1 to 20 in order, each followed by
    // its launch button set to the slot's usability.
    void LoadAccounts();

    // Where slot n loads from now, without assigning anything.
    SlotTexts StoredSlot(int n) const;

  private:
    void AccountChangeTracking(int n);
    void PasswordChangeTracking(int n);
    void CommentChangeTracking(int n);
    void EnableStartButton(int n, bool enabled) const;
    std::string AccountListPath() const;

    Hooks hooks_;
    std::string game_directory_;
    std::array<SlotTexts, kSlotCount> slots_;
};

}  // namespace kestrow::autologin
