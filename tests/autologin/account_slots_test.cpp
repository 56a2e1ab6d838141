#include "autologin/account_slots.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "autologin/autologin_fixture.h"
#include "support/temp_dir.h"

namespace kestrow::autologin {
namespace {

using test::kAbsent;
using ::testing::ElementsAreArray;
using Events = std::vector<std::string>;

const char* FieldName(SlotField field) {
    return field == SlotField::Account    ? "account"
           : field == SlotField::Password ? "password"
                                          : "comment";
}

// Slots whose hooks note what the window would see, with option.ini's value
// for the slot at the moment a launch button changes.
class AccountSlotsTest : public test::AutoLoginTest {
  protected:
    AccountSlots MakeSlots() {
        AccountSlots::Hooks hooks;
        hooks.fieldAssigned = [this](int n, SlotField field, const std::string& text) {
            events_.push_back("assign " + std::to_string(n) + " " + FieldName(field) + " " + text);
        };
        hooks.startButtonEnabled = [this](int n, bool enabled) {
            events_.push_back("button " + std::to_string(n) + (enabled ? " on" : " off") +
                              ", option " + Option(n - 1));
        };
        return AccountSlots(hooks, Game());
    }
    Events TakeEvents() { return std::exchange(events_, {}); }
    SlotTexts InfoSlot(int n) const {
        return {Info(InfoValueName(SlotField::Account, n)),
                Info(InfoValueName(SlotField::Password, n)),
                Info(InfoValueName(SlotField::Comment, n))};
    }
    static void Store(int n, const SlotTexts& texts) {
        WriteInfoString(InfoValueName(SlotField::Account, n), texts.account);
        WriteInfoString(InfoValueName(SlotField::Password, n), texts.password);
        WriteInfoString(InfoValueName(SlotField::Comment, n), texts.comment);
    }

    Events events_;
};

TEST_F(AccountSlotsTest, EveryEditWritesTheStoreAndMirrorsUsableSlots) {
    struct Edit {
        SlotField field;
        std::string text;
        std::string option;          // Account3 of option.ini afterwards
        std::optional<bool> button;  // the launch button's change, if any
        std::string stored_account, stored_password, stored_comment;
    };
    using enum SlotField;
    const Edit edits[] = {
        {Account, "alice", "", false, "alice", kAbsent, kAbsent},  // not usable: emptied
        {Password, "pw", "alice;pw", true, "alice", "pw", kAbsent},
        {Comment, "main", "alice;main;pw", std::nullopt, "alice", "pw", "main"},
        {Comment, "", "alice;pw", std::nullopt, "alice", "pw", ""},
        {Password, "", "alice;pw", false, "alice", "", ""},  // the record stays
        {Comment, "alt", "alice;pw", std::nullopt, "alice", "", "alt"},
        {Password, "p w", "alice;alt;p w", true, "alice", "p w", "alt"},
        {Account, "", "", false, "", "p w", "alt"},
        {Password, "x", "", false, "", "x", "alt"},
        {Account, "Жора", "Жора;alt;x", true, "Жора", "x", "alt"},
    };
    AccountSlots slots = MakeSlots();
    EXPECT_EQ(Option(3), kAbsent);
    int row = 0;
    for (const Edit& e : edits) {
        SCOPED_TRACE(row++);
        EXPECT_TRUE(slots.SetField(4, e.field, e.text));
        EXPECT_EQ(Option(3), e.option);
        const Events expected_events =
            e.button ? Events{std::string("button 4 ") + (*e.button ? "on" : "off") + ", option " +
                              e.option}
                     : Events{};
        EXPECT_EQ(TakeEvents(), expected_events);
        EXPECT_EQ(InfoSlot(4), (SlotTexts{e.stored_account, e.stored_password, e.stored_comment}));
    }
    // An unchanged text runs nothing: no button, no write.
    WriteInfoString("Account_04", "changed behind");
    EXPECT_FALSE(slots.SetField(4, SlotField::Account, "Жора"));
    EXPECT_TRUE(TakeEvents().empty());
    EXPECT_EQ(Info("Account_04"), "changed behind");
    // Other slots were never touched.
    EXPECT_EQ(Option(2), kAbsent);
    EXPECT_EQ(Option(4), kAbsent);
}

TEST_F(AccountSlotsTest, LoadingAssignsAccountPasswordCommentEachWithItsHandling) {
    struct Case {
        SlotTexts stored;
        Events events;
        std::string option;
    };
    const Case cases[] = {
        {{"bob", "pw", "c"},
         {"assign 1 account bob", "button 1 off, option ", "assign 1 password pw",
          "button 1 on, option bob;pw", "assign 1 comment c"},
         "bob;c;pw"},
        {{"bob", "pw", ""},
         {"assign 2 account bob", "button 2 off, option ", "assign 2 password pw",
          "button 2 on, option bob;pw"},
         "bob;pw"},
        {{"bob", "", "c"},
         {"assign 3 account bob", "button 3 off, option ", "assign 3 comment c"},
         ""},
        {{"", "pw", ""},
         {"assign 4 password pw", std::string("button 4 off, option ") + kAbsent},
         kAbsent},
        {{"", "", ""}, {}, kAbsent},
    };
    for (int n = 1; n <= 5; ++n)
        Store(n, cases[n - 1].stored);
    AccountSlots slots = MakeSlots();
    for (int n = 1; n <= 5; ++n) {
        SCOPED_TRACE(n);
        slots.LoadAccount(n);
        EXPECT_THAT(TakeEvents(), ElementsAreArray(cases[n - 1].events));
        EXPECT_EQ(Option(n - 1), cases[n - 1].option);
        EXPECT_EQ(slots.Slot(n), cases[n - 1].stored);
    }
    // The next showing loads the same texts: only the buttons are set.
    slots.LoadAccounts();
    const Events events = TakeEvents();
    ASSERT_EQ(events.size(), static_cast<std::size_t>(kSlotCount));
    EXPECT_EQ(events[0], "button 1 on, option bob;c;pw");
    EXPECT_EQ(events[2], "button 3 off, option ");
    EXPECT_EQ(events[19], std::string("button 20 off, option ") + kAbsent);
}

TEST_F(AccountSlotsTest, AccountListIniReplacesTheStoreForEverySlotWhileItExists) {
    struct Case {
        int n;
        std::optional<std::string> value;  // Account<n-1> in the file
        SlotTexts slot;
    };
    const Case cases[] = {
        {1, "acc;pass", {"acc", "pass", ""}},
        {2, "acc;com;pass", {"acc", "pass", "com"}},
        {3, "a;b;c;d", {}},
        {4, "acc;;pass", {"acc", ";pass", ""}},
        {5, "", {}},
        {6, "solo", {}},
        {7, "acc;", {"acc", "", ""}},
        {8, std::nullopt, {}},  // the store's slot 8 is not consulted
        {9, " acc ; pass ", {"acc ", " pass", ""}},
        {20, "last;pw", {"last", "pw", ""}},
    };
    std::string file = "[ACCOUNT]\r\n";
    for (const Case& c : cases) {
        if (c.value)
            file += "account" + std::to_string(c.n - 1) + "=" + *c.value + "\r\n";
    }
    kestrow::test::WriteFile(Game() + "/AccountList.ini", file);
    Store(8, {"kept", "in", "store"});

    AccountSlots slots = MakeSlots();
    slots.LoadAccounts();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(slots.Slot(c.n), c.slot);
        if (c.n != 8) {
            // Copied into the store field by field as the texts changed.
            const std::string none = kAbsent;
            EXPECT_EQ(InfoSlot(c.n), (SlotTexts{c.slot.account.empty() ? none : c.slot.account,
                                                c.slot.password.empty() ? none : c.slot.password,
                                                c.slot.comment.empty() ? none : c.slot.comment}));
        }
    }
    EXPECT_EQ(InfoSlot(8), (SlotTexts{"kept", "in", "store"}));
    EXPECT_EQ(Option(1), "acc;com;pass");
    EXPECT_EQ(Option(19), "last;pw");

    // Without the file the store is the source again, and holds the copies.
    std::filesystem::remove(Game() + "/AccountList.ini");
    TakeEvents();
    slots.LoadAccounts();
    EXPECT_EQ(slots.Slot(8), (SlotTexts{"kept", "in", "store"}));
    EXPECT_EQ(slots.Slot(2), (SlotTexts{"acc", "pass", "com"}));
    EXPECT_THAT(TakeEvents(), ::testing::Contains("assign 8 account kept"));
}

TEST_F(AccountSlotsTest, TheMirrorIsTheOwnersAloneAndInTheAnsiCodePage) {
    kestrow::test::ScopedEnvVar ascii("LC_ALL", "C");
    AccountSlots slots = MakeSlots();
    slots.SetField(1, SlotField::Account, "Жора");
    slots.SetField(1, SlotField::Password, "pw");
    EXPECT_EQ(kestrow::test::ReadFile(OptionIniPath()), "[Account]\r\nAccount0=????;pw\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(OptionIniPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // The store keeps the text itself.
    EXPECT_EQ(Info("Account_01"), "Жора");
}

TEST(SlotNames, StoreValuesCarryTwoDigitsAndKeysTheZeroBasedNumber) {
    EXPECT_EQ(InfoValueName(SlotField::Account, 1), "Account_01");
    EXPECT_EQ(InfoValueName(SlotField::Comment, 7), "Comment_07");
    EXPECT_EQ(InfoValueName(SlotField::Password, 20), "Password_20");
    EXPECT_EQ(ProfileKey(19), "Account19");
}

}  // namespace
}  // namespace kestrow::autologin
