#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/isolated_env.h"
#include "support/temp_dir.h"

namespace kestrow::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

constexpr char kDefault[] = "<default>";

unsigned Mode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class ScopedUmask {
  public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

  private:
    mode_t old_;
};

class PrivateProfileTest : public ::testing::Test {
  protected:
    test::TempDir dir_;
    std::string ini_ = dir_.File("option.ini");
    test::ScopedEnvVar locale_{"LC_ALL", "C.UTF-8"};
};

TEST_F(PrivateProfileTest, LookupIgnoresLetterCaseAndBlanksAndTakesTheFirstMatch) {
    WriteFile(ini_,
              "top=outside\r\n"
              "[Account]\r\n"
              "Account0=alice;main;pw\r\n"
              "  ACCOUNT1  =  bob;pw  \r\n"
              "Account2=\r\n"
              "Account3=\"quoted;value\"\r\n"
              "Account4='single'\r\n"
              "Account5=\"unbalanced\r\n"
              "Account6\r\n"
              "Account0=second\r\n"
              "Account8=a=b\r\n"
              "[Other]\r\n"
              "Account7=other\r\n"
              "[account]\r\n"
              "Account7=in a second section of the name\r\n"
              "[ Spaced ]\n"
              "key=line feeds only");
    struct Case {
        std::string section, key, expected;
    };
    const Case cases[] = {
        {"Account", "Account0", "alice;main;pw"},
        {"aCCOUNT", "account1", "bob;pw"},
        {"Account", "Account2", ""},
        {"Account", "Account3", "quoted;value"},
        {"Account", "Account4", "single"},
        {"Account", "Account5", "\"unbalanced"},
        {"Account", "Account6", ""},
        {"Account", "Account8", "a=b"},
        {"Account", "Account7", kDefault},
        {"OTHER", "Account7", "other"},
        {"Spaced", "KEY", "line feeds only"},
        {"Account", "top", kDefault},
        {"Missing", "Account0", kDefault},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadProfileString(c.section, c.key, kDefault, ini_), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadProfileString("Account", "Account0", kDefault, dir_.File("none.ini")), kDefault);
    EXPECT_EQ(ReadProfileString("Account", "Account0", kDefault, dir_.Path().string()), kDefault);
}

TEST_F(PrivateProfileTest, FilesAreReadByTheirByteOrderMarkElseInTheAnsiCodePage) {
    struct Case {
        std::string bytes;
        const char* locale;
        std::string expected;
    };
    const std::string utf16le("\xFF\xFE[\0A\0]\0\n\0k\0=\0\x16\x04:\0)\0", 20);
    const std::string utf16be("\xFE\xFF\0[\0A\0]\0\n\0k\0=\x04\x16\0:\0)", 20);
    const Case cases[] = {
        {utf16le, "C", "Ж:)"},
        {utf16be, "C", "Ж:)"},
        {"\xEF\xBB\xBF[A]\nk=Ж:)", "C", "Ж:)"},
        {"[A]\nk=Ж:)", "C.UTF-8", "Ж:)"},
        {"[A]\nk=\xC6:)", "C", "\uFFFD:)"},
    };
    for (const Case& c : cases) {
        test::ScopedEnvVar locale("LC_ALL", c.locale);
        WriteFile(ini_, c.bytes);
        EXPECT_EQ(ReadProfileString("A", "k", kDefault, ini_), c.expected) << c.locale;
    }
}

TEST_F(PrivateProfileTest, ValuesAreCutAt2047Utf16UnitsWithoutSplittingACharacter) {
    const std::string a2046(2046, 'a');
    struct Case {
        std::string value, expected;
    };
    const Case cases[] = {
        {a2046 + "b", a2046 + "b"},
        {a2046 + "bc", a2046 + "b"},
        {a2046 + "Жc", a2046 + "Ж"},
        {a2046 + "😀", a2046},  // a surrogate pair does not fit
        {std::string(5000, 'x'), std::string(2047, 'x')},
    };
    for (const Case& c : cases) {
        WriteFile(ini_, "[A]\nk=" + c.value + "\n");
        EXPECT_EQ(ReadProfileString("A", "k", kDefault, ini_), c.expected)
            << c.value.size() << " bytes";
    }
    EXPECT_EQ(ReadProfileString("A", "missing", std::string(3000, 'd'), ini_).size(), 2047u);
}

TEST_F(PrivateProfileTest, WritesChangeOneLineAndKeepTheRest) {
    struct Case {
        std::optional<std::string> before;
        std::string section, key, value, after;
    };
    const Case cases[] = {
        {std::nullopt, "Account", "Account0", "a;pw", "[Account]\r\nAccount0=a;pw\r\n"},
        {"; kept\r\n[account]\r\n ACCOUNT0 = old \r\nAccount1=keep\r\n", "Account", "account0",
         "new", "; kept\r\n[account]\r\nACCOUNT0=new\r\nAccount1=keep\r\n"},
        {"[Account]\r\nAccount0=a\r\n\r\n[Other]\r\nx=1\r\n", "Account", "Account5", "b",
         "[Account]\r\nAccount0=a\r\nAccount5=b\r\n\r\n[Other]\r\nx=1\r\n"},
        {"[Other]\r\nx=1", "Account", "Account0", "a",
         "[Other]\r\nx=1\r\n\r\n[Account]\r\nAccount0=a\r\n"},
        {"[Account]\r\nAccount0=a\r\n", "Account", "Account0", "", "[Account]\r\nAccount0=\r\n"},
        {"[Account]\nAccount0=a\nAccount1=b\n", "Account", "Account1", "c",
         "[Account]\nAccount0=a\nAccount1=c\n"},
        {"[Account]\nAccount0=a", "Account", "Account1", "b",
         "[Account]\nAccount0=a\r\nAccount1=b\r\n"},
        {"", "Account", "Account0", "a", "[Account]\r\nAccount0=a\r\n"},
    };
    for (const Case& c : cases) {
        fs::remove(ini_);
        if (c.before)
            WriteFile(ini_, *c.before);
        EXPECT_TRUE(WriteProfileStringAnsi(c.section, c.key, c.value, ini_));
        EXPECT_EQ(ReadFile(ini_), c.after) << c.before.value_or("(no file)");
    }
}

TEST_F(PrivateProfileTest, WritesGoInTheAnsiCodePageWithQuestionMarksForTheRest) {
    struct Case {
        const char* locale;
        std::string file;
    };
    const Case cases[] = {
        {"C.UTF-8", "[Счёт]\r\nКлюч=Жора;pw\r\n"},
        {"C",
         "[????]\r\n????"
         "=????;pw\r\n"},  // split: no trigraph
    };
    for (const Case& c : cases) {
        test::ScopedEnvVar locale("LC_ALL", c.locale);
        fs::remove(ini_);
        ASSERT_TRUE(WriteProfileStringAnsi("Счёт", "Ключ", "Жора;pw", ini_));
        EXPECT_EQ(ReadFile(ini_), c.file) << c.locale;
    }
    EXPECT_EQ(ReadProfileString("Счёт", "Ключ", kDefault, ini_), kDefault);  // "?" stays "?"
    EXPECT_EQ(ReadProfileString("????", "????", kDefault, ini_), "????;pw");
}

TEST_F(PrivateProfileTest, WrittenFilesAreTheOwnersAloneAndLinksAreNotFollowed) {
    const ScopedUmask open_umask(0);
    ASSERT_TRUE(WriteProfileStringAnsi("Account", "Account0", "a;pw", ini_));
    EXPECT_EQ(Mode(ini_), 0600u);

    WriteFile(ini_, "[Account]\r\n");
    ASSERT_EQ(::chmod(ini_.c_str(), 0644), 0);
    ASSERT_TRUE(WriteProfileStringAnsi("Account", "Account0", "a;pw", ini_));
    EXPECT_EQ(Mode(ini_), 0600u);

    const std::string target = dir_.File("elsewhere.ini");
    const std::string link = dir_.File("link.ini");
    WriteFile(target, "[Account]\r\n");
    fs::create_symlink(target, link);
    EXPECT_FALSE(WriteProfileStringAnsi("Account", "Account0", "a;pw", link));
    EXPECT_EQ(ReadFile(target), "[Account]\r\n");

    EXPECT_FALSE(WriteProfileStringAnsi("Account", "Account0", "a;pw", dir_.File("no/such.ini")));
    fs::create_directory(dir_.File("folder.ini"));
    EXPECT_FALSE(WriteProfileStringAnsi("Account", "Account0", "a;pw", dir_.File("folder.ini")));
    // No temporary file is left behind by a failed or a good write.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir_.Path()))
        files += entry.path().filename().string().starts_with("option.ini.") ? 1 : 0;
    EXPECT_EQ(files, 0);
}

}  // namespace
}  // namespace kestrow::platform
