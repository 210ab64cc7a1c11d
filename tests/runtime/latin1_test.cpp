// SPDX-License-Identifier: MIT
// The Linux code page's Latin-1 runs, every form: each stops where Windows-1252
// departs from Latin-1 and converts everything before.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <string>

#include "runtime/heaps.h"
#include "runtime/latin1.h"
#include "runtime/text.h"
#include "tests/support/forms.h"

namespace {

struct Row {
    const char* why;
    char16_t unit;
    bool stops;
};
constexpr Row Rows[] = {
    {"ASCII", 0x7F, false},           {"no-break space", 0xA0, false}, {"e acute", 0xE9, false},
    {"y diaeresis", 0xFF, false},     {"first C1 byte", 0x80, true},   {"last C1 byte", 0x9F, true},
    {"beyond Latin-1", 0x0100, true}, {"euro sign", 0x20AC, true},     {"C1 in the high byte", 0x8041, true},
};
constexpr int32_t Lengths[] = {1, 15, 16, 17, 31, 32, 33, 47, 64, 65};

using Latin1Narrowing = EachForm;
using Latin1Widening = EachForm;

}  // namespace

TEST_P(Latin1Narrowing, RunsStopWhereTheCodePageDeparts)
{
    const CpuForm<NarrowLatin1Routine>& tested = NarrowLatin1Forms[GetParam().index];
    for (const Row& row : Rows) {
        for (int32_t length : Lengths) {
            for (int32_t at = 0; at < length; ++at) {
                const int32_t expected = row.stops ? at : length;
                std::u16string units(static_cast<size_t>(length), u'\u00E8');
                units[static_cast<size_t>(at)] = row.unit;
                std::string narrowed(static_cast<size_t>(length), '\0');
                EXPECT_EQ(
                    LeavingYmmClean(tested.name, [&] { return tested.routine(units.data(), length, narrowed.data()); }),
                    expected)
                    << tested.name << ", " << row.why << " at " << at << " of " << length;
                std::string bytes(static_cast<size_t>(length), '\xE8');
                bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                EXPECT_EQ(narrowed.substr(0, static_cast<size_t>(expected)),
                          bytes.substr(0, static_cast<size_t>(expected)))
                    << tested.name << ", " << row.why << " at " << at << " of " << length;
            }
        }
    }
}

TEST_P(Latin1Widening, RunsStopWhereTheCodePageDeparts)
{
    const CpuForm<WidenLatin1Routine>& tested = WidenLatin1Forms[GetParam().index];
    for (const Row& row : Rows) {
        if (row.unit > 0xFF) continue;
        for (int32_t length : Lengths) {
            for (int32_t at = 0; at < length; ++at) {
                const int32_t expected = row.stops ? at : length;
                std::string bytes(static_cast<size_t>(length), '\xE8');
                bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                std::u16string widened(static_cast<size_t>(length), u'\0');
                EXPECT_EQ(
                    LeavingYmmClean(tested.name, [&] { return tested.routine(bytes.data(), length, widened.data()); }),
                    expected)
                    << tested.name << ", " << row.why << " at " << at << " of " << length;
                std::u16string units(static_cast<size_t>(length), u'\u00E8');
                units[static_cast<size_t>(at)] = row.unit;
                EXPECT_EQ(widened.substr(0, static_cast<size_t>(expected)),
                          units.substr(0, static_cast<size_t>(expected)))
                    << tested.name << ", " << row.why << " at " << at << " of " << length;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Each, Latin1Narrowing, testing::ValuesIn(TestFormsOf("narrow_latin1")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, Latin1Widening, testing::ValuesIn(TestFormsOf("widen_latin1")), TestFormKey);

// A text with accents takes both runs; then each holds the first form this processor runs.
TEST(Latin1PassChoice, EachCallRunsTheFirstFormThisProcessorHas)
{
    TextUnit* text = ReadText("caf\xe9 cr\xe8me");
    ASSERT_NE(text, nullptr);
    char* bytes = NewAnsiBlock(text);
    ASSERT_NE(bytes, nullptr);
    EXPECT_STREQ(bytes, "caf\xe9 cr\xe8me");
    FreeBlock(bytes);
    ReleaseAllTexts();
    ExpectChosen("widen Latin-1", WidenLatin1Forms, latin1Passes.widen);
    ExpectChosen("narrow Latin-1", NarrowLatin1Forms, latin1Passes.narrow);
}
#endif
