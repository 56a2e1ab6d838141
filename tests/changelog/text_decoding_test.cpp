#include "changelog/text_decoding.h"

#include <gtest/gtest.h>

#include <string>

#include "changelog/text_fixup.h"

namespace kestrow::changelog {
namespace {

TEST(TextFixUp, MovesOnly192To255) {
    struct Case {
        char16_t in, out;
    };
    const Case cases[] = {
        {u'A', u'A'},   {0x00BF, 0x00BF}, {0x00C0, u'А'},   {0x00DF, u'Я'},   {0x00E0, u'а'},
        {0x00FF, u'я'}, {0x00A8, 0x00A8}, {0x00B8, 0x00B8}, {0x0100, 0x0100}, {u'А', u'А'},
        {u'я', u'я'},   {0x0000, 0x0000}, {0xFFFF, 0xFFFF},
    };
    std::u16string in, expected;
    for (const Case& c : cases) {
        EXPECT_EQ(FixedUpCyrillic(std::u16string(1, c.in)), std::u16string(1, c.out))
            << std::hex << static_cast<int>(c.in);
        in += c.in;
        expected += c.out;
    }
    const std::u16string out = FixedUpCyrillic(in);
    EXPECT_EQ(out.size(), in.size());
    EXPECT_EQ(out, expected);
}

// Windows-1251 decoded byte for byte and fixed up gives the same letters as a
// real Windows-1251 decoder for А..я; Ё and ё stay Latin-1.
TEST(TextFixUp, RepairsWindows1251ReadAsLatin1) {
    std::string bytes;
    for (int b = 0xC0; b <= 0xFF; ++b)
        bytes.push_back(static_cast<char>(b));
    const std::u16string fixed = FixedUpCyrillic(DecodeText(bytes, ""));
    EXPECT_EQ(fixed, DecodeText(bytes, "windows-1251"));
    EXPECT_EQ(fixed.front(), u'А');
    EXPECT_EQ(fixed.back(), u'я');

    EXPECT_EQ(FixedUpCyrillic(DecodeText("\xA8\xB8", "")), u"\u00A8\u00B8");
    EXPECT_EQ(DecodeText("\xA8\xB8", "windows-1251"), u"Ёё");
}

TEST(CharsetOf, ReadsTheParameter) {
    struct Case {
        const char* content_type;
        const char* charset;
    };
    const Case cases[] = {
        {"", ""},
        {"text/plain", ""},
        {"text/plain; charset=UTF-8", "UTF-8"},
        {"text/plain;charset=windows-1251", "windows-1251"},
        {"text/plain; charset=\"koi8-r\"", "koi8-r"},
        {"text/html; format=flowed; Charset = utf-8 ", "utf-8"},
        {"text/plain; note=\"a;charset=x\"; charset=utf-8", "utf-8"},
        {"text/plain; flag; charset=utf-8", "utf-8"},
        {"text/plain; charset=", ""},
        {"text/plain; charset", ""},
        {"text/plain; xcharset=utf-8", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharsetOf(c.content_type), c.charset) << c.content_type;
}

TEST(DecodeBody, UsesTheDeclaredCharsetElseLatin1) {
    struct Case {
        std::string body;
        const char* content_type;
        std::u16string text;
    };
    const Case cases[] = {
        {"plain", "text/plain", u"plain"},
        {"\xC0\xFF\x80", "text/plain", u"\u00C0\u00FF\u0080"},
        {"\xC0\xFF", "", u"\u00C0\u00FF"},
        {"\xC0\xFF", "application/octet-stream", u"\u00C0\u00FF"},
        {"caf\xC3\xA9 \xD0\x81", "text/plain; charset=utf-8", u"café Ё"},
        {"\xCF\xF0\xE8", "text/plain; charset=windows-1251", u"При"},
        {"\xF0\xD2\xC9", "text/plain; charset=KOI8-R", u"При"},
        {"\x80", "text/plain; charset=ISO-8859-1", u"\u0080"},
        {"a\xFF", "text/plain; charset=utf-8", u"a\uFFFD"},
        {std::string("a\0b", 3), "text/plain", std::u16string(u"a\0b", 3)},
        // Unknown names, and names the converter must not be handed, read as Latin-1.
        {"\xE9", "text/plain; charset=x-no-such-set", u"\u00E9"},
        {"\xE9", "text/plain; charset=\"../../tmp/evil\"", u"\u00E9"},
        {"\xE9", "text/plain; charset=\"utf-8,version=1\"", u"\u00E9"},
        {"", "text/plain; charset=utf-8", u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeBody(c.body, c.content_type), c.text) << c.content_type;
}

TEST(DecodeBody, KeepsLongBodiesWhole) {
    std::string body;
    for (int i = 0; i < 20000; ++i)
        body += "\xD0\x96";  // Ж in UTF-8, across many converter buffers
    const std::u16string text = DecodeBody(body, "text/plain; charset=utf-8");
    EXPECT_EQ(text, std::u16string(20000, u'Ж'));
}

}  // namespace
}  // namespace kestrow::changelog
