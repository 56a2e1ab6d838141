#include "update/catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrow::update {
namespace {

TEST(CatalogueTest, ElementsAtAnyDepthInDocumentOrderWithoutLetterCase) {
    pugi::xml_document doc;
    ParseCatalogue(doc, R"(<archive filename="root-not-examined">
  <Archive FileName="a" ORIGINAL="1" size="5"/>
  <group><ARCHIVE filename="b"><archive filename="c"/></ARCHIVE></group>
  <archives filename="not-an-archive"/>
  <archive filename="d" filename="second"/>
</archive>)");
    std::vector<std::string> names;
    for (const auto& e : FindElements(doc, "archive"))
        names.push_back(AttributeText(e, "filename"));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c", "d"}));
    const auto first = FindElements(doc, "archive").front();
    EXPECT_EQ(AttributeText(first, "original"), "1");
    EXPECT_EQ(AttributeText(first, "missing"), "");
    EXPECT_TRUE(FindElements(doc, "CritFiles").empty());
}

TEST(CatalogueTest, ParseFailures) {
    for (const char* text : {"", "   \r\n", "<list><archive></list>", "no xml at all"}) {
        pugi::xml_document doc;
        EXPECT_THROW(ParseCatalogue(doc, text), EDOMParseError) << text;
    }
}

TEST(CatalogueTest, LinesJoinedWithCrLf) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a", "a\r\n"},
        {"a\nb\r\nc\rd\n", "a\r\nb\r\nc\r\nd\r\n"},
        {"a\n\nb", "a\r\n\r\nb\r\n"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(JoinCatalogueLines(in), out);
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("Ёж"), 2u);
    EXPECT_EQ(Utf16Length("\xF0\x9F\x98\x80"), 2u);  // outside the BMP: a surrogate pair
    EXPECT_EQ(Utf16Length("\xff"
                          "a"),
              2u);
}

TEST(CatalogueTest, UnsafeNames) {
    const std::pair<const char*, bool> cases[] = {
        {"system\\l2.exe", false},
        {"maps/x.unr", false},
        {"a..b\\c", false},
        {"..hidden\\x", false},
        {".\\x", false},
        {"Текстуры\\ё.utx", false},
        {"", true},
        {"..\\x", true},
        {"system\\..\\..\\x", true},
        {"system/../x", true},
        {"x\\..", true},
        {"\\windows\\x", true},
        {"/etc/passwd", true},
        {"C:\\x", true},
        {"c:x", true},
        {"file.txt:stream", true},
        {"system\\.. \\x", true},
        {"system\\...\\x", true},
        {"\\\\server\\share\\x", true},
    };
    for (const auto& [name, unsafe] : cases)
        EXPECT_EQ(IsUnsafeCatalogueName(name), unsafe) << name;
}

}  // namespace
}  // namespace kestrow::update
