#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/isolated_env.h"

namespace kestrow::platform {
namespace {

using test::ScopedEnvVar;
using Env = std::optional<std::string>;

constexpr char kAscii[] = "ANSI_X3.4-1968";

TEST(AnsiCodePage, IsTheCharsetOfTheLocaleTheEnvironmentNames) {
    struct Case {
        Env lc_all, lc_ctype, lang;
        std::string expected;
    };
    const Case cases[] = {
        {"C", {}, {}, kAscii},
        {"C.UTF-8", {}, {}, "UTF-8"},
        {"C", "C.UTF-8", {}, kAscii},  // LC_ALL first
        {{}, "C.UTF-8", "C", "UTF-8"},
        {{}, {}, "C.UTF-8", "UTF-8"},
        {{}, {}, {}, kAscii},
        // Not installed: the charset its name carries, when there is one.
        {"xx_YY.KOI8-R", {}, {}, "KOI8-R"},
        {"xx_YY.KOI8-R@euro", {}, {}, "KOI8-R"},
        {"xx_YY.NO-SUCH-SET", {}, {}, kAscii},
        {"xx_YY", {}, {}, kAscii},
    };
    for (const Case& c : cases) {
        ScopedEnvVar lc_all("LC_ALL", c.lc_all), lc_ctype("LC_CTYPE", c.lc_ctype),
            lang("LANG", c.lang);
        EXPECT_EQ(AnsiCodePage(), c.expected)
            << c.lc_all.value_or("-") << " " << c.lc_ctype.value_or("-") << " "
            << c.lang.value_or("-");
    }
}

TEST(CodePage, CharactersOutsideTheTargetBecomeOneQuestionMarkEach) {
    struct Case {
        std::string utf8, code_page, expected;
    };
    const Case cases[] = {
        {"Привет", "CP1251", "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"Ж€", "CP1251", "\xC6\x88"},
        {"a中b", "CP1251", "a?b"},
        {"a😀b", "CP1251", "a?b"},            // four bytes, one character
        {"Привет;pw", kAscii, "??????;pw"},  // the C locale
        {"a\xFF\xFE"
         "b",
         "CP1251", "a??b"},               // malformed UTF-8
        {"a\xE2\x82", "CP1251", "a?"},    // cut off at the end
        {"\xED\xA0\x80", "CP1251", "?"},  // an encoded surrogate
        {"a中", "ISO-8859-1", "a?"},
        {"a\xFF", "UTF-16LE", std::string("a\0?\0", 4)},  // "?" in the target's bytes
        {"", "CP1251", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToCodePage(c.utf8, c.code_page), c.expected) << c.utf8 << " " << c.code_page;
}

TEST(CodePage, BytesOutsideTheSourceBecomeReplacementCharacters) {
    struct Case {
        std::string bytes, code_page, expected;
    };
    const Case cases[] = {
        {"\xCF\xF0\xE8\xE2\xE5\xF2", "CP1251", "Привет"},
        {"a\x98"
         "b",
         "CP1251",
         "a\uFFFD"
         "b"},  // unassigned in windows-1251
        {"a\xC6", kAscii, "a\uFFFD"},
        {"a\xFF"
         "b\xC3",
         "UTF-8",
         "a\uFFFD"
         "b\uFFFD"},
        {std::string("a\0\x16\x04", 4), "UTF-16LE", "aЖ"},
        {std::string("\0a\x04\x16", 4), "UTF-16BE", "aЖ"},
        {std::string("a\0b", 3), "UTF-16LE", "a\uFFFD"},  // odd byte at the end
        {std::string("\x00\xD8"
                     "a\0",
                     4),
         "UTF-16LE",
         "\uFFFD"
         "a"},  // lone surrogate
        {std::string("\x3D\xD8\x00\xDE", 4), "UTF-16LE", "😀"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CodePageToUtf8(c.bytes, c.code_page), c.expected) << c.code_page;
}

TEST(CodePage, UnknownCodePagesFailButTheAnsiPairAlwaysConverts) {
    EXPECT_THROW(Utf8ToCodePage("a", "NO-SUCH-SET"), ECodePageError);
    EXPECT_THROW(CodePageToUtf8("a", "NO-SUCH-SET"), ECodePageError);
    {
        ScopedEnvVar lc_all("LC_ALL", "C");
        EXPECT_EQ(Utf8ToAnsi("Жора"), "????");
        EXPECT_EQ(AnsiToUtf8("\xC6"), "\uFFFD");
    }
    ScopedEnvVar lc_all("LC_ALL", "C.UTF-8");
    EXPECT_EQ(Utf8ToAnsi("Жора"), "Жора");
    EXPECT_EQ(AnsiToUtf8("Жора"), "Жора");
}

}  // namespace
}  // namespace kestrow::platform
