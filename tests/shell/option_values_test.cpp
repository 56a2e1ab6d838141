#include <gtest/gtest.h>

#include "shell/option_values.h"

namespace kestrow::shell {
namespace {

TEST(ReadBooleanText, FirstLetterDecidesElseTheDefault) {
    struct Case {
        const char* text;
        bool if_default_false;
        bool if_default_true;
    };
    const Case cases[] = {
        {"yes", true, true},    {"True", true, true}, {"t", true, true},
        {"Y", true, true},      {"no", false, false}, {"False", false, false},
        {"nope", false, false}, {"F", false, false},  {"1", false, true},
        {"0", false, true},     {"", false, true},    {" yes", false, true},
        {"on", false, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadBooleanText(c.text, false), c.if_default_false) << '"' << c.text << '"';
        EXPECT_EQ(ReadBooleanText(c.text, true), c.if_default_true) << '"' << c.text << '"';
    }
}

TEST(ReadIntegerText, DecimalNumbersElseZero) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"7", 7},
        {"-3", -3},
        {"+12", 12},
        {" 42\n", 42},
        {"2147483647", 2147483647},
        {"2147483648", 0},
        {"-2147483648", -2147483647 - 1},
        {"", 0},
        {"abc", 0},
        {"12abc", 0},
        {"1.5", 0},
        {"0x10", 0},
        {"+", 0},
        {"+-1", 0},
        {"1 2", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadIntegerText(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace kestrow::shell
