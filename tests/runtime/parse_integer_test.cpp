// SPDX-License-Identifier: MIT
// ParseInteger over its whole table of texts.
#include <gtest/gtest.h>

#include <string>

#include "runtime/parse_integer.h"
#include "runtime/text.h"

TEST(ParseInteger, ReadsTheLongestNumberAtTheStart)
{
    struct Row {
        std::u16string text;
        int64_t value;
    };
    const Row rows[] = {
        {u"", 0},
        {u"   ", 0},
        {u"12", 12},
        {u"  \t 42x", 42},
        {u"-17", -17},
        {u"+5", 5},
        {u"0256", 256},
        {u"256xyz", 256},
        {u"1 2", 1},
        {u"7-", 7},
        {u"- 5", 0},
        {u"+-5", 0},
        {u"--5", 0},
        {u"0x1F", 0},
        {u"$ff", 255},
        {u"$FF", 255},
        {u"$aBcD", 43981},
        {u"-$1F", -31},
        {u"+$10", 16},
        {u"$", 0},
        {u"$G", 0},
        {u"$ 10", 0},
        {u"$-5", 0},
        {u"%101", 5},
        {u"%0012", 1},
        {u"-%11", -3},
        {u"%2", 0},
        {u"%", 0},
        {u"9223372036854775807", INT64_MAX},
        {u"9223372036854775808", INT64_MIN},
        {u"18446744073709551615", -1},
        {u"18446744073709551616", 0},
        {u"99999999999999999999", 7766279631452241919},
        {u"$FFFFFFFFFFFFFFFFF", -1},
        {u"%" + std::u16string(65, u'1'), -1},
        {u"\n7", 0},
        {u"\u00A07", 0},
        {u"\uFF11\uFF12", 0},
        {u"4294967808", 4294967808},
        {u"abc", 0},
    };
    for (const Row& row : rows) {
        TextUnit* text = NewText(static_cast<int32_t>(row.text.size()), TextContent::NeedsCodePage);
        for (size_t i = 0; i < row.text.size(); ++i) text[i] = static_cast<TextUnit>(row.text[i]);
        EXPECT_EQ(ParseInteger(text), row.value) << std::string(row.text.begin(), row.text.end());
    }
    ReleaseAllTexts();
    EXPECT_EQ(ParseInteger(nullptr), 0);
}
