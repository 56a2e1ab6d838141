#include <sys/stat.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "platform/isolated_env.h"
#include "platform/posix/settings_file.h"
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

// What a reader sees of a value: "sz:<text>", "dword:<n>" or "missing".
std::string Seen(const SettingsKey& key, const std::string& name) {
    const std::optional<SettingType> type = key.TypeOf(name);
    if (!type)
        return "missing";
    return *type == SettingType::Text ? "sz:" + key.ReadText(name)
                                      : "dword:" + std::to_string(key.ReadDWord(name));
}

// "a\a\a..." of 301 bytes.
std::string LongKeyPath() {
    std::string path = "a";
    while (path.size() < 300)
        path += "\\a";
    return path;
}

TEST(SettingsStore, DamagedStoresAreReadAndNothingIsLostOnRewrite) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<std::pair<std::string, std::string>> seen;
        std::vector<std::string> kept;  // lines written back as they were
    };
    const std::string key = "key Software\\KestrowUpdater\\Settings";
    const Case cases[] = {
        {"byte-order mark",
         "\xEF\xBB\xBFkestrow-settings 1\n" + key + "\nsz Language 1\n",
         {{"Language", "sz:1"}},
         {}},
        {"CR LF",
         "kestrow-settings 1\r\n" + key + "\r\nsz Language 1\r\ndword Critical 3\r\n",
         {{"Language", "sz:1"}, {"Critical", "dword:3"}},
         {}},
        {"blanks around lines",
         "\n  kestrow-settings 1 \t\n" + key + " \nsz Language 1  \n\tdword Critical 3\t\n",
         {{"Language", "sz:1"}, {"Critical", "dword:3"}},
         {}},
        // Blanks that are fields of their own still count: the empty default value.
        {"empty name and text",
         "kestrow-settings 1\n" + key + "\nsz  \nsz Empty \n",
         {{"", "sz:"}, {"Empty", "sz:"}},
         {}},
        {"hand-edited literal spaces",
         "kestrow-settings 1\n" + key + "\nsz Language 1\nsz folder D:\\My Games\\list.txt\n",
         {{"Language", "sz:1"}, {"folder", "missing"}},
         {"sz folder D:\\My Games\\list.txt"}},
        // Keys above a key written without them still exist; the lines under a
        // damaged key line belong to no key.
        {"damaged lines",
         "kestrow-settings 1\nstray line first\n" + key +
             "\nsz Language 1\ndword Critical 99999999999\nsz Bad%zz x\ngarbage\n"
             "dword Critical 3\nkey %5CBad\nsz Orphan x\n",
         {{"Language", "sz:1"},
          {"Critical", "dword:3"},
          {"Bad%zz", "missing"},
          {"Orphan", "missing"}},
         {"stray line first", "dword Critical 99999999999", "sz Bad%zz x", "garbage", "key %5CBad",
          "sz Orphan x"}},
        // A kept line ending in CR (it came with CR CR LF) reads back as it was.
        {"kept line ending in CR",
         "kestrow-settings 1\n" + key + "\nsz Language 1\ngarbage\r\r\n",
         {{"Language", "sz:1"}},
         {"garbage\r\r"}},
        // A key path longer than the registry allows is no key: one long line of
        // short parts must not turn into thousands of keys.
        {"key path too long",
         "kestrow-settings 1\n" + key + "\nsz Language 1\nkey " + LongKeyPath() + "\nsz Deep x\n",
         {{"Language", "sz:1"}, {"Deep", "missing"}},
         {"key " + LongKeyPath(), "sz Deep x"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IsolatedUser user;
        test::WriteFile(user.StoreFile(), c.file);
        std::optional<SettingsKey> store = SettingsKey::Open("Software\\KestrowUpdater");
        ASSERT_TRUE(store);
        const SettingsKey settings = *store->OpenSubKey("Settings");
        for (const auto& [name, seen] : c.seen)
            EXPECT_EQ(Seen(settings, name), seen) << name;

        settings.WriteText("Written", "yes");
        const std::string rewritten = test::ReadFile(user.StoreFile());
        EXPECT_TRUE(rewritten.starts_with("kestrow-settings 1\n")) << rewritten;
        for (const std::string& line : c.kept)
            EXPECT_NE(rewritten.find("\n" + line + "\n"), std::string::npos) << line;
        // What this process remembers of its write is what the file says.
        const std::optional<settings_file::Content> reparsed = settings_file::Parse(rewritten);
        ASSERT_TRUE(reparsed);
        EXPECT_EQ(settings_file::Serialize(*reparsed), rewritten);
        for (const auto& [name, seen] : c.seen)
            EXPECT_EQ(Seen(settings, name), seen) << name;
        EXPECT_EQ(Seen(settings, "Written"), "sz:yes");
    }
}

std::mutex g_warnings_mutex;
std::vector<std::string> g_warnings;

void RecordWarning(std::string_view message) noexcept {
    std::lock_guard lock(g_warnings_mutex);
    g_warnings.emplace_back(message);
}

TEST(SettingsStore, AFileThatIsNoStoreIsMovedAsideAndAFreshOneStarts) {
    IsolatedUser user;
    SetSettingsWarningSink(&RecordWarning);
    struct Unset {
        ~Unset() { SetSettingsWarningSink(nullptr); }
    } unset;
    const std::string dir = user.File("config/kestrow");
    const std::string foreign[] = {"[Settings]\nLanguage=1\n", std::string("\x7F"
                                                                           "ELF\0\1",
                                                                           6)};
    for (std::size_t i = 0; i < std::size(foreign); ++i) {
        SCOPED_TRACE(i);
        test::WriteFile(user.StoreFile(), foreign[i]);
        // Reads find nothing; the file is kept beside the store, named apart
        // from an earlier one of the same second.
        EXPECT_EQ(SettingsKey::Open("Software"), std::nullopt);
        std::vector<std::string> aside;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().filename().string().starts_with("settings.store.damaged-"))
                aside.push_back(entry.path().string());
        }
        ASSERT_EQ(aside.size(), i + 1);
        std::sort(aside.begin(), aside.end(), [](const std::string& a, const std::string& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        EXPECT_EQ(test::ReadFile(aside.back()), foreign[i]);
        {
            std::lock_guard lock(g_warnings_mutex);
            ASSERT_EQ(g_warnings.size(), i + 1);
            EXPECT_EQ(g_warnings.back(), "Settings store not readable, moved aside: file=\"" +
                                             user.StoreFile() + "\", moved_to=\"" + aside.back() +
                                             "\"");
        }

        const SettingsKey key = SettingsKey::Create("Software\\KestrowUpdater\\Settings");
        key.WriteText("Language", "1");
        EXPECT_EQ(key.ReadText("Language"), "1");
        EXPECT_EQ(test::ReadFile(user.StoreFile()),
                  "kestrow-settings 1\nkey Software\nkey Software\\KestrowUpdater\n"
                  "key Software\\KestrowUpdater\\Settings\nsz Language 1\n");
    }
    std::lock_guard lock(g_warnings_mutex);
    g_warnings.clear();
}

TEST(SettingsStore, ALargeStoreIsParsedOnceAndKeptWhole) {
    IsolatedUser user;
    constexpr int kValues = 20000;
    std::string file = "kestrow-settings 1\nkey Software\nkey Software\\KestrowTest\n";
    for (int i = 0; i < kValues; ++i)
        file += "sz V" + std::to_string(i) + " " + std::to_string(i) + "\n";
    test::WriteFile(user.StoreFile(), file);
    const std::uint64_t lines = kValues + 3;

    // Every read checks the file for changes, but parses it only once.
    const std::uint64_t before = settings_file::ParsedLineCount();
    const SettingsKey key = *SettingsKey::Open("Software\\KestrowTest");
    for (int i = 0; i < kValues; ++i)
        ASSERT_EQ(key.ReadText("V" + std::to_string(i)), std::to_string(i)) << i;
    EXPECT_EQ(settings_file::ParsedLineCount() - before, lines);

    // A write keeps every line and is not parsed again by its writer.
    key.WriteText("V20000", "new");
    EXPECT_EQ(test::ReadFile(user.StoreFile()), file + "sz V20000 new\n");
    EXPECT_EQ(key.ReadText("V19999"), "19999");
    EXPECT_EQ(settings_file::ParsedLineCount() - before, lines);

    // Another process's write (a new file put in place) is seen at once.
    test::WriteFile(user.File("other"), file + "sz V20000 other\n");
    std::filesystem::rename(user.File("other"), user.StoreFile());
    EXPECT_EQ(key.ReadText("V20000"), "other");
    EXPECT_EQ(settings_file::ParsedLineCount() - before, 2 * lines + 1);
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
