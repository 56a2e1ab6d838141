#include "autologin/account_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "autologin/autologin_fixture.h"
#include "platform/code_page.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace kestrow::autologin {
namespace {

using test::kAbsent;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

// UTF-16 bytes of a UTF-16 text.
std::string Utf16Bytes(std::u16string_view text, bool big_endian) {
    std::string bytes;
    for (char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += big_endian ? high : low;
        bytes += big_endian ? low : high;
    }
    return bytes;
}

TEST(ImportedLine, ThreeNonEmptyPiecesWithSpacesRemovedFromLoginAndPassword) {
    struct Case {
        std::string line;
        std::optional<Lines> entry;  // login, password, comment
        std::string item;
    };
    const Case cases[] = {
        {"alice;secret;main", Lines{"alice", "secret", "main"}, "alice; main"},
        {" a l ice ; se cret ;  my main  ", Lines{"alice", "secret", "  my main  "},
         "alice;   my main  "},
        {"a\tb;p\tw;c", Lines{"a\tb", "p\tw", "c"}, "a\tb; c"},
        {"alice;   ;c", Lines{"alice", "", "c"}, "alice; c"},  // launched without credentials
        {"Жора;пароль;основной", Lines{"Жора", "пароль", "основной"}, "Жора; основной"},
        {"alice;pw;  ", Lines{"alice", "pw", "  "}, "alice;   "},
        {"   ;pw;c", std::nullopt, ""},  // a login of spaces cannot be launched
        {"alice;pw", std::nullopt, ""},
        {"alice;pw;c;d", std::nullopt, ""},
        {"alice;p\x06w;c", std::nullopt, ""},  // the separator of the parallel entry
        {"al\x06ice;pw;c", std::nullopt, ""},
        {"alice;;c", std::nullopt, ""},
        {";pw;c", std::nullopt, ""},
        {"alice;pw;", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::optional<ImportedEntry> entry = ParseAccountLine(c.line);
        ASSERT_EQ(entry.has_value(), c.entry.has_value());
        if (!entry)
            continue;
        EXPECT_EQ((Lines{entry->login, entry->password, entry->comment}), *c.entry);
        EXPECT_EQ(SelectorItem(*entry), c.item);
        const Credentials credentials = EntryCredentials(ValidAccountEntry(*entry));
        EXPECT_EQ(credentials.login, entry->login);
        EXPECT_EQ(credentials.password, entry->password);
    }
}

TEST(ImportedFile, ByteOrderMarkElseTheAnsiCodePageAndAnyLineBreak) {
    struct Case {
        std::string bytes;
        const char* locale;
        Lines lines;
    };
    const std::u16string text = u"Жора;p;c\r\nb;p;c";
    const Case cases[] = {
        {"\xEF\xBB\xBFЖора;p;c\r\nb;p;c", "C", {"Жора;p;c", "b;p;c"}},
        {"\xFF\xFE" + Utf16Bytes(text, false), "C", {"Жора;p;c", "b;p;c"}},
        {"\xFE\xFF" + Utf16Bytes(text, true), "C", {"Жора;p;c", "b;p;c"}},
        {"Жора;p;c\r\nb;p;c", "C.UTF-8", {"Жора;p;c", "b;p;c"}},
        {"\xC6;p;c", "C", {"\uFFFD;p;c"}},
        {"a\nb\rc\r\n\r\nd\n", "C", {"a", "b", "c", "", "d"}},
        {"", "C", {}},
    };
    for (const Case& c : cases) {
        kestrow::test::ScopedEnvVar locale("LC_ALL", c.locale);
        EXPECT_THAT(SplitAccountLines(platform::TextFileToUtf8(c.bytes)), ElementsAreArray(c.lines))
            << c.locale;
    }
}

TEST(ImportedFile, TheTxtExtensionIgnoresLetterCase) {
    for (const char* path : {"/a/list.txt", "/a/LIST.TXT", "x.Txt", ".txt"})
        EXPECT_TRUE(HasTxtExtension(path)) << path;
    for (const char* path : {"/a/list.txt.bak", "/a/list", "/a/list.tx", "txt", "C:\\"})
        EXPECT_FALSE(HasTxtExtension(path)) << path;
}

class ImportedAccountsTest : public test::AutoLoginTest {
  protected:
    std::string List(const std::string& name, const std::string& bytes) {
        const std::string path = user_.File("lists/" + name);
        kestrow::test::WriteFile(path, bytes);
        return path;
    }
    ImportedAccounts accounts_;
};

TEST_F(ImportedAccountsTest, SelectorItemsAndValidAccountsStayParallel) {
    const std::string path = List("accounts.txt",
                                  "alice;pw1;main\n"
                                  "broken line\n"
                                  "\n"
                                  "bob ; p w ; alt\r\n"
                                  "alice;pw1;main\n"
                                  "carol;  ;no password\n");
    EXPECT_EQ(accounts_.LoadAccountList(path), 4u);
    EXPECT_THAT(accounts_.Items(),
                ElementsAre("alice; main", "bob;  alt", "alice; main", "carol; no password"));
    EXPECT_THAT(accounts_.ValidAccounts(),
                ElementsAre("alice\x06pw1", "bob\x06pw", "alice\x06pw1", "carol\x06"));
    EXPECT_EQ(accounts_.CredentialsOf(1).login, "bob");
    EXPECT_EQ(accounts_.CredentialsOf(1).password, "pw");
    EXPECT_EQ(accounts_.CredentialsOf(3).password, "");
    EXPECT_EQ(accounts_.CredentialsOf(4).login, "");
    EXPECT_EQ(accounts_.CredentialsOf(-1).login, "");

    EXPECT_THROW(accounts_.LoadAccountList(user_.File("lists/missing.txt")), platform::Error);
    EXPECT_THROW(accounts_.LoadAccountList(user_.File("lists")), platform::Error);
    EXPECT_EQ(accounts_.Items().size(), 4u);  // a failed read changes nothing
}

TEST_F(ImportedAccountsTest, ImportStoresThePathFirstThenChecksReadsAndSelects) {
    struct Case {
        std::string name;
        std::optional<std::string> bytes;  // nullopt: no such file
        ImportResult result;
        Lines items, valid;
        int index;  // g_nDirSelectIndex afterwards
    };
    const Lines old_items{"old; one"}, old_valid{"old\x06pw"};
    const Case cases[] = {
        {"new.TXT",
         "a;1;x\nb;2;y\n",
         ImportResult::Loaded,
         {"a; x", "b; y"},
         {"a\x06"
          "1",
          "b\x06"
          "2"},
         0},
        {"new.txt.bak", "a;1;x\n", ImportResult::NotTxt, {}, old_valid, 5},
        {"noext", "a;1;x\n", ImportResult::NotTxt, {}, old_valid, 5},
        {"missing.txt", std::nullopt, ImportResult::Unreadable, old_items, old_valid, 5},
        {"rejected.txt", "a;1\n;b;c\n", ImportResult::Empty, {}, {}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.bytes ? List(c.name, *c.bytes) : user_.File("lists/" + c.name);
        accounts_.LoadAccountList(List("old.txt", "old;pw;one\n"));
        state_->g_nDirSelectIndex = 5;
        EXPECT_EQ(accounts_.ImportChosenFile(path), c.result);
        EXPECT_EQ(accounts_.Items(), c.items);
        EXPECT_EQ(accounts_.ValidAccounts(), c.valid);
        EXPECT_EQ(state_->g_nDirSelectIndex, c.index);
        EXPECT_EQ(state_->g_chosenDirectoryInfo, path);
        EXPECT_EQ(Info("folder"), path);
    }
    EXPECT_EQ(ImportMessage(ImportResult::NotTxt), "Укажите txt файл.");
    EXPECT_EQ(ImportMessage(ImportResult::Unreadable), "Не удалось прочитать txt файл.");
    EXPECT_EQ(ImportMessage(ImportResult::Empty), "");
}

TEST_F(ImportedAccountsTest, SilentReloadSelectsTheStoredEntryWhenItExists) {
    struct Case {
        std::string path;
        int stored_index, selection;
        std::size_t entries;
    };
    const std::string three = List("three.txt", "a;1;x\nb;2;y\nc;3;z\n");
    const Case cases[] = {
        {"C:\\", 0, -1, 0},  // the fresh profile's folder
        {three, 2, 2, 3},
        {three, 3, -1, 3},
        {three, -1, -1, 3},
        {List("accounts.dat", "a;1;x\n"), 0, 0, 1},  // no extension check here
        {user_.File("lists"), 0, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        accounts_.LoadAccountList(three);
        state_->g_chosenDirectoryInfo = c.path;
        state_->g_nDirSelectIndex = c.stored_index;
        EXPECT_EQ(accounts_.ReloadChosenFile(), c.selection);
        EXPECT_EQ(accounts_.Items().size(), c.entries);
        EXPECT_EQ(accounts_.ValidAccounts().size(), c.entries);
    }
    EXPECT_EQ(Info("folder"), kAbsent);  // a reload stores nothing
}

TEST_F(ImportedAccountsTest, ChoosingAnEntryStoresItsIndexAndNoneChangesNothing) {
    state_->g_nDirSelectIndex = 4;
    EXPECT_FALSE(SelectImportedEntry(-1));
    EXPECT_EQ(state_->g_nDirSelectIndex, 4);
    EXPECT_EQ(Info("DirBox"), kAbsent);
    EXPECT_TRUE(SelectImportedEntry(2));
    EXPECT_EQ(state_->g_nDirSelectIndex, 2);
    EXPECT_EQ(Info("DirBox"), "2");
}

}  // namespace
}  // namespace kestrow::autologin
