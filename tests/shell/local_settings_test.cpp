#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/settings_store.h"
#include "shell/local_settings.h"
#include "shell/store_fixture.h"

namespace kestrow::shell {
namespace {

using LocalSettingsTest = test::StoreTest;
using Stored = std::variant<std::monostate, std::string, std::uint32_t>;  // none, REG_SZ, REG_DWORD

void Put(const platform::SettingsKey& key, const std::string& name, const Stored& value) {
    if (const auto* text = std::get_if<std::string>(&value))
        key.WriteText(name, *text);
    if (const auto* dword = std::get_if<std::uint32_t>(&value))
        key.WriteDWord(name, *dword);
}

TEST_F(LocalSettingsTest, FirstStartGivesTheDefaultsAndCreatesTheStoreKey) {
    OpenSettingsStore();
    EXPECT_TRUE(SettingsStoreOpen());
    EXPECT_TRUE(platform::SettingsKey::Open("Software\\KestrowUpdater"));
    const LocalSettings s = LoadLocalSettings();
    EXPECT_EQ(s.language, 0);
    EXPECT_EQ(s.g_nDirSelectIndex, 0);
    EXPECT_EQ(s.g_nShowType, 0);
    EXPECT_EQ(s.g_chosenDirectoryInfo, "C:\\");
    EXPECT_EQ(StoredPatchIndex(), 0);
    EXPECT_EQ(state_->g_chosenDirectoryInfo, "C:\\");
}

TEST_F(LocalSettingsTest, StartUpReadsTheStoredValuesIntoTheState) {
    Section("Settings").WriteText("Language", "1");
    const platform::SettingsKey info = Section("Information");
    info.WriteText("DirBox", "3");
    info.WriteText("ShowType", "2");
    info.WriteText("folder", "D:\\Accounts\\list.txt");
    OpenSettingsStore();
    const LocalSettings s = LoadLocalSettings();
    EXPECT_EQ(s.language, 1);
    EXPECT_EQ(state_->g_nDirSelectIndex, 3);
    EXPECT_EQ(state_->g_nShowType, 2);
    EXPECT_EQ(state_->g_chosenDirectoryInfo, "D:\\Accounts\\list.txt");
}

TEST_F(LocalSettingsTest, IntegersAreDecimalTextAndAnythingElseReadsAsTheDefault) {
    struct Case {
        Stored stored;
        int expected;
    };
    const Case cases[] = {
        {std::monostate{}, 9},
        {std::string("1"), 1},
        {std::string(" 42 "), 42},
        {std::string("-7"), -7},
        {std::string("+5"), 5},
        {std::string("2147483647"), 2147483647},
        {std::string("-2147483648"), -2147483647 - 1},
        {std::string(""), 9},
        {std::string("x"), 9},
        {std::string("1x"), 9},
        {std::string("1 2"), 9},
        {std::string("+-1"), 9},
        {std::string("2147483648"), 9},
        {std::uint32_t{1}, 9},  // a REG_DWORD where text is expected
    };
    OpenSettingsStore();
    const platform::SettingsKey settings = Section("Settings");
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "V" + std::to_string(i);
        Put(settings, name, cases[i].stored);
        EXPECT_EQ(ReadSettingInt("Settings", name, 9), cases[i].expected) << name;
    }
    EXPECT_EQ(ReadSettingInt("NoSuchSection", "V1", 9), 9);
}

TEST_F(LocalSettingsTest, TextsAndBooleans) {
    OpenSettingsStore();
    const platform::SettingsKey info = Section("Information");
    info.WriteText("Empty", "");
    info.WriteDWord("Number", 5);
    EXPECT_EQ(ReadSettingText("Information", "Empty", "def"), "");
    EXPECT_EQ(ReadSettingText("Information", "Number", "def"), "def");
    EXPECT_EQ(ReadSettingText("Information", "Missing", "def"), "def");

    struct Case {
        Stored stored;
        bool default_value, expected;
    };
    const Case cases[] = {
        {std::string("0"), true, false}, {std::string("1"), false, true},
        {std::string("2"), false, true}, {std::string("-1"), false, true},
        {std::string("x"), true, true},  {std::monostate{}, false, false},
        {std::monostate{}, true, true},  {std::uint32_t{1}, false, false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const std::string name = "B" + std::to_string(i);
        Put(info, name, cases[i].stored);
        EXPECT_EQ(ReadSettingBool("Information", name, cases[i].default_value), cases[i].expected)
            << name;
    }
}

TEST_F(LocalSettingsTest, WritesAreDecimalTextInSectionsCreatedOnDemand) {
    OpenSettingsStore();
    WriteSettingInt("Information", "DirBox", -12);
    WriteSettingBool("Information", "EnterLobby", true);
    WriteSettingText("Information", "Account_01", "player one");
    const platform::SettingsKey info = Section("Information");
    EXPECT_EQ(info.ReadText("DirBox"), "-12");
    EXPECT_EQ(info.ReadText("EnterLobby"), "1");
    EXPECT_EQ(info.ReadText("Account_01"), "player one");
    // A REG_DWORD is replaced by the text write.
    info.WriteDWord("ShowType", 2);
    WriteSettingInt("Information", "ShowType", 1);
    EXPECT_EQ(info.ReadText("ShowType"), "1");
}

TEST_F(LocalSettingsTest, PatchVariantIsZeroUnlessZeroOrOne) {
    OpenSettingsStore();
    struct Case {
        const char* stored;
        int index;
    };
    for (const Case& c : {Case{"1", 1}, Case{"0", 0}, Case{"5", 0}, Case{"-1", 0}, Case{"x", 0}}) {
        Section("Settings").WriteText("SelectPatch", c.stored);
        EXPECT_EQ(StoredPatchIndex(), c.index) << c.stored;
    }
    for (const Case& c : {Case{"1", 1}, Case{"0", 0}, Case{"7", 0}, Case{"-1", 0}}) {
        SaveSelectedPatch(std::stoi(c.stored));
        EXPECT_EQ(Section("Settings").ReadText("SelectPatch"), std::to_string(c.index));
    }
}

TEST_F(LocalSettingsTest, WithoutAStoreReadsGiveDefaultsAndWritesAreLost) {
    Section("Settings").WriteText("Language", "1");
    // Closed: the values are there, but RegistreU is absent.
    EXPECT_EQ(ReadSettingInt("Settings", "Language", 0), 0);
    WriteSettingInt("Settings", "Language", 2);
    EXPECT_EQ(Section("Settings").ReadText("Language"), "1");

    // A store that cannot be opened at all: its folder lies below a file.
    kestrow::test::WriteFile(user_.File("file"), "x");
    kestrow::test::ScopedEnvVar config("XDG_CONFIG_HOME", user_.File("file/config"));
    OpenSettingsStore();
    EXPECT_FALSE(SettingsStoreOpen());
    EXPECT_EQ(LoadLocalSettings().g_chosenDirectoryInfo, "C:\\");
    WriteSettingInt("Settings", "Language", 1);
    EXPECT_EQ(ReadSettingInt("Settings", "Language", 0), 0);
}

TEST_F(LocalSettingsTest, AStoreFileReplacedByAnotherFileStartsAfresh) {
    OpenSettingsStore();
    WriteSettingInt("Settings", "Language", 1);
    kestrow::test::WriteFile(user_.StoreFile(), "not a store\n");
    EXPECT_EQ(ReadSettingInt("Settings", "Language", 0), 0);
    EXPECT_EQ(ReadSettingText("Information", "folder", "C:\\"), "C:\\");
    // The other file was moved aside; writes go to a fresh store again.
    WriteSettingInt("Settings", "Language", 1);
    EXPECT_EQ(ReadSettingInt("Settings", "Language", 0), 1);
}

}  // namespace
}  // namespace kestrow::shell
