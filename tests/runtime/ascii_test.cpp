// SPDX-License-Identifier: MIT
// The ASCII fast paths of the text conversions: the unrolled measuring, and the
// fall-back to the code page when a single other character is anywhere in a text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "runtime/ascii.h"
#include "runtime/heaps.h"
#include "runtime/text.h"

namespace {

// Code units of the platform's own type, so the passes take them without a cast.
using Units = std::basic_string<TextUnit>;

// Through the export's steps: read in, measure, write back, hand out a block.
std::string RoundTrip(const std::string& bytes, std::u16string* units, int32_t* encodedLength)
{
    TextUnit* text = ReadText(bytes.c_str());
    *units = std::u16string(text, text + TextLength(text));
    *encodedLength = EncodedByteLength(text);
    std::string scratch(bytes.size() + 1, '\x7f');
    WriteText(scratch.data(), text);
    char* block = NewAnsiBlock(text);
    const std::string handedOut = block;
    FreeBlock(block);
    FreeText(text);
    EXPECT_EQ(scratch, handedOut + '\0') << "WriteText and NewAnsiBlock disagree";
    return handedOut;
}

}  // namespace

TEST(AsciiFastPath, MeasuresEveryLengthAroundTheUnrolledSteps)
{
    for (int32_t length = 0; length < 20; ++length) {
        const std::string bytes(static_cast<size_t>(length), 'a');
        const Units units(static_cast<size_t>(length), TextUnit{'a'});
        EXPECT_EQ(BytesBeforeZero(bytes.c_str()), static_cast<size_t>(length)) << length;
        EXPECT_EQ(UnitsBeforeZero(units.c_str()), length) << length;
        EXPECT_EQ(MeasureMemoryText(bytes.c_str()), length) << length;
    }
}

TEST(AsciiFastPath, OneWesternLetterAnywhereTakesTheCodePage)
{
    for (size_t length = 1; length <= 20; ++length) {
        for (size_t at = 0; at <= length; ++at) {
            // at == length: the plain ASCII text, converted without the code page.
            std::string bytes(length, 'x');
            std::u16string expected(length, u'x');
            if (at < length) {
                bytes[at] = '\xe9';
                expected[at] = u'\u00e9';
            }
            std::u16string units;
            int32_t encodedLength = -1;
            EXPECT_EQ(RoundTrip(bytes, &units, &encodedLength), bytes) << length << " at " << at;
            EXPECT_EQ(units, expected) << length << " at " << at;
            EXPECT_EQ(encodedLength, static_cast<int32_t>(length)) << length << " at " << at;
        }
    }
}

namespace {

// Each pass in both of its forms: the one this processor picks, and the word
// form that processors without SSE2 run.
struct Form {
    const char* name;
    size_t (*bytesBeforeZero)(const char*);
    int32_t (*unitsBeforeZero)(const TextUnit*);
    bool (*widen)(const char*, int32_t, TextUnit*);
    bool (*narrow)(const TextUnit*, int32_t, char*);
    int32_t (*widenLatin1)(const char*, int32_t, TextUnit*);
    int32_t (*narrowLatin1)(const TextUnit*, int32_t, char*);
};
const Form Forms[] = {
    {"chosen", BytesBeforeZero, UnitsBeforeZero, WidenAscii, NarrowAscii, WidenLatin1, NarrowLatin1},
    {"words", BytesBeforeZeroWords, UnitsBeforeZeroWords, WidenAsciiWords, NarrowAsciiWords, WidenLatin1Words,
     NarrowLatin1Words},
};

// Two pages, the second made inaccessible: a text that ends on the last byte of
// the first page faults if a scan reads one block too far.
class GuardedPage {
public:
    GuardedPage()
    {
#if defined(_WIN32)
        pages = VirtualAlloc(nullptr, 2 * Size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old = 0;
        if (pages) VirtualProtect(EndingAt<char>(0), Size, PAGE_NOACCESS, &old);
#else
        void* mapped = mmap(nullptr, 2 * Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        pages = mapped == MAP_FAILED ? nullptr : mapped;
        if (pages) mprotect(EndingAt<char>(0), Size, PROT_NONE);
#endif
    }
    ~GuardedPage()
    {
#if defined(_WIN32)
        if (pages) VirtualFree(pages, 0, MEM_RELEASE);
#else
        if (pages) munmap(pages, 2 * Size);
#endif
    }
    GuardedPage(const GuardedPage&) = delete;
    GuardedPage& operator=(const GuardedPage&) = delete;
    // Where count units of type Unit, the terminator included, end on the first page's last byte.
    template <typename Unit>
    Unit* EndingAt(size_t count) const
    {
        return static_cast<Unit*>(pages) + Size / sizeof(Unit) - count;
    }

    static constexpr size_t Size = 4096;
    void* pages;
};

}  // namespace

TEST(TextPasses, ScansStopAtTheTerminatorAtEveryAlignmentAndNeverCrossAPage)
{
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    for (const Form& form : Forms) {
        for (size_t length = 0; length < 100; ++length) {
            // Bytes ending at the page's end: the text starts at every alignment in turn.
            char* bytes = page.EndingAt<char>(length + 1);
            std::memset(bytes, 'a', length);
            bytes[length] = 0;
            EXPECT_EQ(form.bytesBeforeZero(bytes), length) << form.name << ", " << length << " bytes";
            // Units likewise, at every even address.
            if (2 * (length + 1) <= GuardedPage::Size) {
                TextUnit* units = page.EndingAt<TextUnit>(length + 1);
                for (size_t i = 0; i < length; ++i) units[i] = static_cast<TextUnit>(0x100 + i);  // zero low bytes too
                units[length] = 0;
                EXPECT_EQ(form.unitsBeforeZero(units), static_cast<int32_t>(length))
                    << form.name << ", " << length << " units";
            }
        }
        // A zero right at the start of a block, and bytes after it that are not zero.
        char* bytes = page.EndingAt<char>(64);
        std::memset(bytes, 'b', 64);
        for (size_t at : {0, 1, 15, 16, 17, 31, 32, 63}) {
            bytes[at] = 0;
            EXPECT_EQ(form.bytesBeforeZero(bytes), at) << form.name << ", zero at " << at;
            bytes[at] = 'b';
        }
    }
}

TEST(TextPasses, WidenAndNarrowNoticeOneCharacterBeyondAsciiAnywhere)
{
    struct Row {
        const char* why;
        TextUnit unit;
        bool ascii;
    };
    const Row rows[] = {
        {"highest ASCII", 0x7F, true}, {"lowest beyond", 0x80, false},
        {"Latin-1", 0xE9, false},      {"only the high byte set", 0x0100, false},
        {"euro sign", 0x20AC, false},  {"top unit", 0xFFFF, false},
    };
    for (const Form& form : Forms) {
        for (const Row& row : rows) {
            for (int32_t length : {1, 3, 4, 15, 16, 17, 31, 32, 33, 47}) {
                for (int32_t at = 0; at < length; ++at) {
                    Units units(static_cast<size_t>(length), TextUnit{'q'});
                    units[static_cast<size_t>(at)] = row.unit;
                    std::string narrowed(static_cast<size_t>(length), '\0');
                    const bool ascii = form.narrow(units.data(), length, narrowed.data());
                    EXPECT_EQ(ascii, row.ascii)
                        << form.name << " narrow, " << row.why << " at " << at << " of " << length;
                    if (row.unit > 0xFF) continue;
                    std::string bytes(static_cast<size_t>(length), 'q');
                    bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                    Units widened(static_cast<size_t>(length), TextUnit{0});
                    EXPECT_EQ(form.widen(bytes.data(), length, widened.data()), row.ascii)
                        << form.name << " widen, " << row.why << " at " << at << " of " << length;
                    // Output beyond ASCII is thrown away by the callers, so only ASCII output is checked.
                    if (row.ascii) {
                        EXPECT_EQ(widened, units) << form.name << " widen, " << at << " of " << length;
                        EXPECT_EQ(narrowed, bytes) << form.name << " narrow, " << at << " of " << length;
                    }
                }
            }
        }
    }
}

TEST(TextPasses, Latin1RunsStopWhereASingleByteCodePageDeparts)
{
    struct Row {
        const char* why;
        TextUnit unit;
        bool stops;
    };
    const Row rows[] = {
        {"ASCII", 0x7F, false},           {"no-break space", 0xA0, false}, {"e acute", 0xE9, false},
        {"y diaeresis", 0xFF, false},     {"first C1 byte", 0x80, true},   {"last C1 byte", 0x9F, true},
        {"beyond Latin-1", 0x0100, true}, {"euro sign", 0x20AC, true},
    };
    for (const Form& form : Forms) {
        for (const Row& row : rows) {
            for (int32_t length : {1, 15, 16, 17, 33, 47}) {
                for (int32_t at = 0; at < length; ++at) {
                    const std::string where = std::string(form.name) + ", " + row.why + " at " + std::to_string(at) +
                                              " of " + std::to_string(length);
                    const int32_t expected = row.stops ? at : length;
                    Units units(static_cast<size_t>(length), TextUnit{0xE8});
                    units[static_cast<size_t>(at)] = row.unit;
                    std::string narrowed(static_cast<size_t>(length), '\0');
                    const int32_t narrowedCount = form.narrowLatin1(units.data(), length, narrowed.data());
                    EXPECT_EQ(narrowedCount, expected) << where;
                    std::string bytes(static_cast<size_t>(length), '\xE8');
                    bytes[static_cast<size_t>(at)] = static_cast<char>(row.unit);
                    EXPECT_EQ(narrowed.substr(0, static_cast<size_t>(expected)),
                              bytes.substr(0, static_cast<size_t>(expected)))
                        << where;
                    if (row.unit > 0xFF) continue;
                    Units widened(static_cast<size_t>(length), TextUnit{0});
                    EXPECT_EQ(form.widenLatin1(bytes.data(), length, widened.data()), expected) << where;
                    EXPECT_EQ(widened.substr(0, static_cast<size_t>(expected)),
                              units.substr(0, static_cast<size_t>(expected)))
                        << where;
                }
            }
        }
    }
}
