#include "update/list_prep.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "update/text_lower.h"

namespace kestrow::update {
namespace {

// The written algorithms, literally: readers that split every time, the
// pairwise duplicate loop and the exchange sort.
std::vector<std::string> RefSplit(std::string text) {
    std::vector<std::string> pieces;
    for (;;) {
        const auto pos = text.find('\x06');
        if (pos == std::string::npos || pos == 0) {
            pieces.push_back(text);
            return pieces;
        }
        pieces.push_back(text.substr(0, pos));
        text.erase(0, pos + 1);
    }
}

std::int64_t RefSize(const std::string& line) {
    const auto f = RefSplit(line);
    return f.size() < 3 ? -1 : ParseSizeText(f[2]);
}
std::string RefKind(const std::string& line) {
    const auto f = RefSplit(line);
    return f.size() < 2 ? "" : f[1];
}
std::string RefKey(const std::string& line) {
    if (line.empty())
        return "";
    std::string name = RefSplit(line)[0];
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return LowerCaseUtf8(name);
}

int RefRemove(std::vector<std::string>& list) {
    int removed = 0;
    for (std::size_t i = 0; i + 1 < list.size(); ++i) {
        std::string key = RefKey(list[i]);
        std::size_t j = i + 1;
        while (j < list.size()) {
            if (key.empty() || RefKey(list[j]) != key) {
                ++j;
                continue;
            }
            if (RefKind(list[i]) == "1" && RefKind(list[j]) != "1")
                list[i] = list[j];
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(j));
            ++removed;
            key = RefKey(list[i]);
        }
    }
    return removed;
}

void RefSort(std::vector<std::string>& list) {
    for (std::size_t i = 0; i + 1 < list.size(); ++i)
        for (std::size_t j = i + 1; j < list.size(); ++j)
            if (RefSize(list[i]) < RefSize(list[j]))
                std::swap(list[i], list[j]);
}

std::string L(const std::string& name, const std::string& kind, const std::string& size) {
    return UpdateItem(name, kind, size);
}

TEST(ItemFieldsTest, Readers) {
    struct Case {
        std::string line;
        std::int64_t size;
        std::string kind;
        std::string key;
    };
    const Case cases[] = {
        {L("System\\A.INI", "1", "42"), 42, "1", "system\\a.ini"},
        {L("maps/x.unr", "2", ""), -1, "2", "maps\\x.unr"},
        {L("a", "2", "abc"), -1, "2", "a"},
        {L("a", "2", "-7"), -7, "2", "a"},
        {L("a", "2", "9223372036854775807"), INT64_MAX, "2", "a"},
        {L("a", "2", "9223372036854775808"), -1, "2", "a"},
        {L("a", "2", " 5"), -1, "2", "a"},
        {"a\x06"
         "2",
         -1, "2", "a"},
        {"a", -1, "", "a"},
        {"", -1, "", ""},
        // An empty kind stops the cutting: the rest is one piece.
        {"a\x06\x06"
         "5",
         -1,
         "\x06"
         "5",
         "a"},
        // An empty name: the whole line is the first piece.
        {"\x06"
         "1\x06"
         "5",
         -1, "",
         "\x06"
         "1\x06"
         "5"},
        {L("СИСТЕМА\\Ёлка.INI", "2", "1"), 1, "2", "система\\ёлка.ini"},
        {L("ÀÉÎÕÜÇ/ŒŸ", "2", "1"), 1, "2", "àéîõüç\\œÿ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ItemExpectedSize(c.line), c.size);
        EXPECT_EQ(ItemKind(c.line), c.kind);
        EXPECT_EQ(ItemNameKey(c.line), c.key);
    }
}

TEST(ItemFieldsTest, LowerCaseCoversUnicodeLetters) {
    const std::pair<std::string, std::string> cases[] = {
        {"ABCXYZ019_\\.", "abcxyz019_\\."},
        {"ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ", "àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ"},
        {"ĀĂĄĆČĎĐĒĘĚĞĦĲĹĽŁŃŇŊŌŐŒŔŘŚŞŠŢŤŦŨŪŮŰŲŴŶŸŹŻŽ", "āăąćčďđēęěğħĳĺľłńňŋōőœŕřśşšţťŧũūůűųŵŷÿźżž"},
        {"ƁƇƊƑƓƘƝƠƤƧƬƯƳƵǍǏǑǓǕǗǙǛ", "ɓƈɗƒɠƙɲơƥƨƭưƴƶǎǐǒǔǖǘǚǜ"},
        {"ΑΒΓΔΕΖΗΘΙΚΛΜΝΞΟΠΡΣΤΥΦΧΨΩΆΈΉΊΌΎΏ", "αβγδεζηθικλμνξοπρστυφχψωάέήίόύώ"},
        {"АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ", "абвгдежзийклмнопрстуфхцчшщъыьэюя"},
        {"ЀЁЂЃЄЅІЇЈЉЊЋЌЍЎЏ", "ѐёђѓєѕіїјљњћќѝўџ"},
        {"ԱԲԳՖ", "աբգֆ"},
        {"ႠႡჅ", "ⴀⴁⴥ"},
        {"ＡＢＺ", "ａｂｚ"},
        {"уже строчные ёж", "уже строчные ёж"},
        {"bad\xff\xc3("
         "X",
         "bad\xff\xc3("
         "x"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(LowerCaseUtf8(in), out) << in;
    EXPECT_EQ(LowerCaseAscii("ÀB СИ\\Z"), "Àb СИ\\z");
}

TEST(ItemFieldsTest, PatchOverridesClient) {
    EXPECT_TRUE(PatchOverridesClient(L("a", "2", "1"), L("a", "1", "1")));
    EXPECT_TRUE(PatchOverridesClient(L("a", "x", "1"), L("a", "1", "1")));
    EXPECT_FALSE(PatchOverridesClient(L("a", "1", "1"), L("a", "1", "1")));
    EXPECT_FALSE(PatchOverridesClient(L("a", "2", "1"), L("a", "2", "1")));
    EXPECT_FALSE(PatchOverridesClient(L("a", "1", "1"), L("a", "2", "1")));
}

TEST(ListPrepTest, RemoveDuplicateItemsCases) {
    struct Case {
        const char* name;
        std::vector<std::string> in, out;
        int removed;
    };
    const std::string c0 = L("system\\a.ini", "1", "10"), p5 = L("SYSTEM/A.INI", "2", "11");
    const std::vector<std::string> filler = {L("b", "1", "1"), L("c", "2", "2"), L("d", "1", "3"),
                                             L("e", "2", "4")};
    std::vector<std::string> six = {c0};
    six.insert(six.end(), filler.begin(), filler.end());
    six.push_back(p5);
    std::vector<std::string> six_out = {p5};
    six_out.insert(six_out.end(), filler.begin(), filler.end());
    const Case cases[] = {
        {"patch at 5 replaces client at 0", six, six_out, 1},
        {"two client lines", {L("a", "1", "1"), L("A", "1", "2")}, {L("a", "1", "1")}, 1},
        {"patch before client", {L("a", "2", "1"), L("a", "1", "2")}, {L("a", "2", "1")}, 1},
        {"client, patch, patch",
         {L("a", "1", "1"), L("x", "1", "9"), L("A", "2", "2"), L("a", "2", "3")},
         {L("A", "2", "2"), L("x", "1", "9")},
         2},
        {"empty list", {}, {}, 0},
        {"single line", {L("a", "1", "1")}, {L("a", "1", "1")}, 0},
        {"empty lines never merge", {"", "", L("a", "1", "1")}, {"", "", L("a", "1", "1")}, 0},
        {"cyrillic names merge",
         {L("Карта\\Ё", "1", "1"), L("карта/ё", "2", "2")},
         {L("карта/ё", "2", "2")},
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto list = c.in;
        EXPECT_EQ(RemoveDuplicateItems(list), c.removed);
        EXPECT_EQ(list, c.out);
    }
}

TEST(ListPrepTest, SortBySizeDescCases) {
    struct Case {
        std::vector<std::string> in, out;
    };
    const Case cases[] = {
        {{L("a", "2", "5"), L("b", "2", ""), L("c", "2", "10"), L("d", "2", "5")},
         {L("c", "2", "10"), L("a", "2", "5"), L("d", "2", "5"), L("b", "2", "")}},
        {{L("a", "2", "abc"), L("b", "2", "0")}, {L("b", "2", "0"), L("a", "2", "abc")}},
        {{}, {}},
        {{L("a", "2", "1")}, {L("a", "2", "1")}},
    };
    for (const auto& c : cases) {
        auto list = c.in;
        SortBySizeDesc(list);
        EXPECT_EQ(list, c.out);
    }
}

// Random lists with many equal sizes and names, against the written
// algorithms: the order among equal sizes must come out the same.
TEST(ListPrepTest, MatchesWrittenAlgorithmsOnRandomLists) {
    std::mt19937 rng(20261210);
    const char* names[] = {"a", "A", "b", "system\\x", "SYSTEM/X", "Ё", "ё", "", "c/d", "C\\D"};
    const char* kinds[] = {"1", "2", "", "3"};
    const char* sizes[] = {"0", "1", "1", "2", "5", "-1", "", "abc", "100", "7"};
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> list;
        const int n = static_cast<int>(rng() % (round % 10 == 0 ? 300 : 40));
        for (int k = 0; k < n; ++k) {
            const std::string kind = kinds[rng() % 4];
            if (rng() % 10 == 0) {
                list.push_back(std::string(names[rng() % 10]) + "\x06" + kind);
            } else {
                list.push_back(L(names[rng() % 10], kind, sizes[rng() % 10]));
            }
        }
        auto ours = list, ref = list;
        EXPECT_EQ(RemoveDuplicateItems(ours), RefRemove(ref));
        ASSERT_EQ(ours, ref);
        SortBySizeDesc(ours);
        RefSort(ref);
        ASSERT_EQ(ours, ref);
        auto unsorted = list;  // the sort on its own, with duplicates left in
        auto unsorted_ref = list;
        SortBySizeDesc(unsorted);
        RefSort(unsorted_ref);
        ASSERT_EQ(unsorted, unsorted_ref);
    }
}

}  // namespace
}  // namespace kestrow::update
