#include <sys/stat.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/isolated_env.h"
#include "platform/settings_store.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrow::platform {
namespace {

using test::IsolatedUser;

TEST(SettingsStore, LivesUnderTheConfigFolderOrTheHomeConfig) {
    {
        test::ScopedEnvVar xdg("XDG_CONFIG_HOME", "/cfg");
        EXPECT_EQ(SettingsStorePath(), "/cfg/kestrow/settings.store");
    }
    test::ScopedEnvVar xdg("XDG_CONFIG_HOME", std::nullopt), home("HOME", "/home/p");
    EXPECT_EQ(SettingsStorePath(), "/home/p/.config/kestrow/settings.store");
}

TEST(SettingsStore, ValuesKeepTheirTypeAndReadsOfTheOtherTypeFail) {
    IsolatedUser user;
    const SettingsKey key = SettingsKey::Create("Software\\KestrowUpdater\\Settings");
    key.WriteText("Language", "1");
    key.WriteDWord("Critical", 4294967295u);

    EXPECT_EQ(key.TypeOf("Language"), SettingType::Text);
    EXPECT_EQ(key.TypeOf("Critical"), SettingType::DWord);
    EXPECT_EQ(key.TypeOf("Missing"), std::nullopt);
    EXPECT_EQ(key.ReadText("Language"), "1");
    EXPECT_EQ(key.ReadDWord("Critical"), 4294967295u);
    EXPECT_THROW(key.ReadDWord("Language"), ESettingsError);
    EXPECT_THROW(key.ReadText("Critical"), ESettingsError);
    EXPECT_THROW(key.ReadText("Missing"), ESettingsError);
    EXPECT_THROW(key.ReadDWord("Missing"), ESettingsError);

    // A write of the other type replaces the value; names ignore letter case.
    key.WriteText("CRITICAL", "text now");
    EXPECT_EQ(key.TypeOf("critical"), SettingType::Text);
    EXPECT_EQ(key.ReadText("Critical"), "text now");
    key.WriteDWord("language", 0);
    EXPECT_EQ(key.ReadDWord("LANGUAGE"), 0u);
}

TEST(SettingsStore, TextsAndNamesSurviveTheFileAsWritten) {
    IsolatedUser user;
    const SettingsKey key = SettingsKey::Create("Software\\Microsoft\\Windows NT\\Layers");
    const std::vector<std::pair<std::string, std::string>> values = {
        {"", "default value"},
        {"/games/my client/system/l2.exe", "WINXPSP3 RUNASADMIN"},
        {"empty", ""},
        {"blanks", "  lead and trail  "},
        {"percent", "100% %41"},
        {"breaks", "line\nbreak\r\ttab"},
        {"cyrillic", "Новый патч IL"},
        {"folder", "C:\\"},
    };
    for (const auto& [name, text] : values)
        key.WriteText(name, text);
    for (const auto& [name, text] : values)
        EXPECT_EQ(key.ReadText(name), text) << name;
    // One line per value: no field of the file carries a raw line break.
    const std::string file = test::ReadFile(user.StoreFile());
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1 + 4 + 8);
}

TEST(SettingsStore, KeysHaveSubkeysAndOpenOnlyWhenTheyExist) {
    IsolatedUser user;
    EXPECT_EQ(SettingsKey::Open("Software\\KestrowUpdater"), std::nullopt);
    const SettingsKey leaf = SettingsKey::Create("\\Software\\\\KestrowUpdater\\Information\\");
    EXPECT_EQ(leaf.Path(), "Software\\KestrowUpdater\\Information");

    // Every key above a created one exists, under any letter case.
    std::optional<SettingsKey> store = SettingsKey::Open("software\\KESTROWUPDATER");
    ASSERT_TRUE(store);
    EXPECT_TRUE(SettingsKey::Open("Software"));
    EXPECT_TRUE(store->OpenSubKey("information"));
    EXPECT_FALSE(store->OpenSubKey("Settings"));
    EXPECT_THROW(SettingsKey::Create("\\\\"), ESettingsError);

    // Values belong to their own key only.
    store->CreateSubKey("Settings").WriteText("Language", "1");
    EXPECT_EQ(leaf.TypeOf("Language"), std::nullopt);
    EXPECT_EQ(store->TypeOf("Language"), std::nullopt);
    EXPECT_EQ(store->OpenSubKey("Settings")->ReadText("language"), "1");
}

TEST(SettingsStore, FileIsPrivateAndReplacedWholeOnEveryWrite) {
    IsolatedUser user;
    const mode_t old_mask = ::umask(0);  // the mode must not depend on the umask
    const SettingsKey key = SettingsKey::Create("Software\\KestrowUpdater\\Settings");
    key.WriteText("Language", "0");
    ::umask(old_mask);

    struct stat before {};
    ASSERT_EQ(::stat(user.StoreFile().c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 07777, 0600u);
    const std::string old_content = test::ReadFile(user.StoreFile());

    // A reader that opened the old file keeps reading it whole: the new
    // content arrives as a new file put in its place.
    std::ifstream reader(user.StoreFile(), std::ios::binary);
    key.WriteText("Language", "1");
    std::string seen((std::istreambuf_iterator<char>(reader)), std::istreambuf_iterator<char>());
    EXPECT_EQ(seen, old_content);

    struct stat after {};
    ASSERT_EQ(::stat(user.StoreFile().c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(key.ReadText("Language"), "1");

    // Nothing but the store and its lock file is left behind.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(user.File("config/kestrow")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"settings.store", "settings.store.lock"}));
}

TEST(SettingsStore, ForeignOrDamagedFiles) {
    IsolatedUser user;
    // Not a store at all: reads and writes fail, the file is not overwritten.
    test::WriteFile(user.StoreFile(), "[Settings]\nLanguage=1\n");
    EXPECT_THROW(SettingsKey::Open("Software"), ESettingsError);
    EXPECT_THROW(SettingsKey::Create("Software"), ESettingsError);
    EXPECT_EQ(test::ReadFile(user.StoreFile()), "[Settings]\nLanguage=1\n");

    // A store with damaged lines keeps what still parses; a key written
    // without the keys above it still has them.
    test::WriteFile(user.StoreFile(),
                    "kestrow-settings 1\n"
                    "key Software\\KestrowUpdater\\Settings\n"
                    "sz Language 1\n"
                    "dword Critical 99999999999\n"
                    "sz Bad%zz x\n"
                    "garbage\n"
                    "dword Critical 3\n"
                    "key %5CBad\n"
                    "sz Orphan x\n");
    std::optional<SettingsKey> store = SettingsKey::Open("Software\\KestrowUpdater");
    ASSERT_TRUE(store);
    const SettingsKey settings = *store->OpenSubKey("Settings");
    EXPECT_EQ(settings.ReadText("Language"), "1");
    EXPECT_EQ(settings.ReadDWord("Critical"), 3u);
    EXPECT_EQ(settings.TypeOf("Bad%zz"), std::nullopt);
    EXPECT_EQ(settings.TypeOf("Orphan"), std::nullopt);
}

TEST(SettingsStore, TwoProcessesWritingAtOnceLoseNothing) {
    IsolatedUser user;
    constexpr int kCount = 120;
    const std::string count = std::to_string(kCount);
    test::ChildProcess a(KESTROW_TEST_HELPER, {"write-settings", "A", count});
    test::ChildProcess b(KESTROW_TEST_HELPER, {"write-settings", "B", count});
    // This process writes too, and reads the whole file between its writes.
    const SettingsKey key = SettingsKey::Create("Software\\KestrowTest\\Race");
    for (int i = 0; i < kCount; ++i) {
        key.WriteText("P_" + std::to_string(i), std::to_string(i));
        ASSERT_NO_THROW(SettingsKey::Open("Software\\KestrowTest\\Race")->TypeOf("A_0"));
    }
    EXPECT_EQ(a.Wait(), 0);
    EXPECT_EQ(b.Wait(), 0);
    for (const char* tag : {"A", "B", "P"}) {
        for (int i = 0; i < kCount; ++i) {
            const std::string name = std::string(tag) + "_" + std::to_string(i);
            ASSERT_EQ(key.ReadText(name), std::to_string(i)) << name;
        }
    }
}

}  // namespace
}  // namespace kestrow::platform
