// SPDX-License-Identifier: MIT
// The Linux code page's Latin-1 runs, every form: each stops where Windows-1252
// departs from Latin-1 and converts everything before.
#if !defined(_WIN32)
#include <gtest/gtest.h>

#include <string>

#include "runtime/latin1.h"
#include "tests/support/cpu_forms.h"

TEST(Latin1Forms, RunsStopWhereTheCodePageDeparts)
{
    struct Row {
        const char* why;
        char16_t unit;
        bool stops;
    };
    const Row rows[] = {
        {"ASCII", 0x7F, false},           {"no-break space", 0xA0, false}, {"e acute", 0xE9, false},
        {"y diaeresis", 0xFF, false},     {"first C1 byte", 0x80, true},   {"last C1 byte", 0x9F, true},
        {"beyond Latin-1", 0x0100, true}, {"euro sign", 0x20AC, true},     {"C1 in the high byte", 0x8041, true},
    };
    const int32_t lengths[] = {1, 15, 16, 17, 31, 32, 33, 47, 64, 65};
    ForEachForm(NarrowLatin1Forms, [&](const CpuForm<NarrowLatin1Routine>& form) {
        for (const Row& row : rows) {
            for (int32_t length : lengths) {
                for (int32_t at = 0; at < length; ++at) {
                    const int32_t expected = row.stops ? at : length;
                    std::u16string units(static_cast<size_t>(length), u'\u00E8');
                    units[static_cast<size_t>(at)] = row.unit;
                    std::string narrowed(static_cast<size_t>(length), '\0');
                    EXPECT_EQ(form.routine(units.data(), length, narrowed.data()), expected)
                        << form.name << ", " << row.why << " at " << at << " of " << length;
                    std::string bytes(static_cast<size_t>(length), '\xE8');
                    bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                    EXPECT_EQ(narrowed.substr(0, static_cast<size_t>(expected)),
                              bytes.substr(0, static_cast<size_t>(expected)))
                        << form.name << ", " << row.why << " at " << at << " of " << length;
                }
            }
        }
    });
    ForEachForm(WidenLatin1Forms, [&](const CpuForm<WidenLatin1Routine>& form) {
        for (const Row& row : rows) {
            if (row.unit > 0xFF) continue;
            for (int32_t length : lengths) {
                for (int32_t at = 0; at < length; ++at) {
                    const int32_t expected = row.stops ? at : length;
                    std::string bytes(static_cast<size_t>(length), '\xE8');
                    bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                    std::u16string widened(static_cast<size_t>(length), u'\0');
                    EXPECT_EQ(form.routine(bytes.data(), length, widened.data()), expected)
                        << form.name << ", " << row.why << " at " << at << " of " << length;
                    std::u16string units(static_cast<size_t>(length), u'\u00E8');
                    units[static_cast<size_t>(at)] = row.unit;
                    EXPECT_EQ(widened.substr(0, static_cast<size_t>(expected)),
                              units.substr(0, static_cast<size_t>(expected)))
                        << form.name << ", " << row.why << " at " << at << " of " << length;
                }
            }
        }
    });
}

TEST(Latin1Forms, EachCallRunsTheFirstFormThisProcessorHas)
{
    ExpectChosen(WidenLatin1Forms, "widen Latin-1");
    ExpectChosen(NarrowLatin1Forms, "narrow Latin-1");
}
#endif
