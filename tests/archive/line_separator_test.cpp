#include "archive/line_separator.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kestrow::archive {
namespace {

using ::testing::ElementsAreArray;

struct SplitCase {
    std::string text;
    std::string separator;
    std::vector<std::string> pieces;
};

TEST(SeparateLine, SplitsUntilTheFirstEmptyField) {
    const std::string f(kFieldSeparator);
    const SplitCase cases[] = {
        {"a;b;c", ";", {"a", "b", "c"}},
        {"a;", ";", {"a", ""}},
        {"a;;b", ";", {"a", ";b"}},
        {";b", ";", {";b"}},
        {"", ";", {""}},
        {"abc", ";", {"abc"}},
        {"a;b;;c;d", ";", {"a", "b", ";c;d"}},
        {"a::b::::c", "::", {"a", "b", "::c"}},
        {"a:b", "::", {"a:b"}},
        {"abc", "", {"abc"}},
        {"system\\l2.ini" + f + "0000ABCD" + f + "1" + f + "4096",
         f,
         {"system\\l2.ini", "0000ABCD", "1", "4096"}},
        {"system\\l2.ini" + f + f + "1" + f + "4096", f, {"system\\l2.ini", f + "1" + f + "4096"}},
        {"login;secret" + f + "x", ";", {"login", "secret" + f + "x"}},
    };
    for (const auto& c : cases) {
        EXPECT_THAT(SeparateLine(c.text, c.separator), ElementsAreArray(c.pieces))
            << "text \"" << c.text << "\" separator \"" << c.separator << "\"";
    }
}

TEST(SeparateLine, FieldSeparatorIsUnicode0006) {
    EXPECT_EQ(kFieldSeparator.size(), 1u);
    EXPECT_EQ(kFieldSeparator[0], '\x06');
}

}  // namespace
}  // namespace kestrow::archive
