// SPDX-License-Identifier: MIT
// The text passes: every form of each against a plain model (tests/helpers/form_run.sh runs
// those this processor lacks under qemu), and the forms chosen for a call's texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include "runtime/ascii.h"
#include "runtime/heaps.h"
#include "runtime/text.h"
#include "runtime/utf8.h"
#include "tests/support/forms.h"
#include "tests/support/unicode_texts.h"

namespace {

// Code units of the platform's own type, so the passes take them without a cast.
using Units = std::basic_string<TextUnit>;

// Two pages, the second made inaccessible: a text that ends on the last byte of
// the first page faults if a scan reads one block too far.
class GuardedPage {
public:
    GuardedPage()
    {
#if defined(_WIN32)
        pages = VirtualAlloc(nullptr, 2 * Size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        DWORD old = 0;
        if (pages) VirtualProtect(static_cast<char*>(pages) + Size, Size, PAGE_NOACCESS, &old);
#else
        void* mapped = mmap(nullptr, 2 * Size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        pages = mapped == MAP_FAILED ? nullptr : mapped;
        if (pages) mprotect(static_cast<char*>(pages) + Size, Size, PROT_NONE);
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
    // Where count bytes, the terminator included, end on the first page's last byte.
    char* EndingAt(size_t count) const { return static_cast<char*>(pages) + Size - count; }

    static constexpr size_t Size = 4096;
    void* pages;
};

// Bytes 0x20 to 0x7E, varied so that a unit out of place shows.
char Printable(size_t i) { return static_cast<char>(0x20 + (i * 37 + 11) % 95); }

// Texts of 0 to 99 printable bytes, each ending on the guarded page's last byte,
// and so starting at every alignment in turn: plain ASCII, then with 0x80 at its
// start, middle and end; then away from the page's end, with high bytes after
// its terminator in its block. Bytes above 0x7F fill the page, so the passes meet
// them before the text and after it: the scans and copies look at whole aligned
// blocks, and what lies around the text must not change what they find.
// check(text, length, firstHigh, where): firstHigh is the first 0x80's place, or
// length when the text is plain ASCII.
template <typename Check>
void ForEachGuardedText(Check check)
{
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    std::memset(page.pages, 0xC3, GuardedPage::Size);
    for (size_t length = 0; length < 100; ++length) {
        char* text = page.EndingAt(length + 1);
        for (size_t i = 0; i < length; ++i) text[i] = Printable(i);
        text[length] = 0;
        check(text, length, length, std::to_string(length) + " ASCII bytes");
        for (size_t at : {size_t{0}, length / 2, length - 1}) {
            if (at >= length) continue;
            text[at] = '\x80';
            check(text, length, at, std::to_string(length) + " bytes, 0x80 at " + std::to_string(at));
            text[at] = Printable(at);
        }
        char* early = page.EndingAt(length + 1 + 64);
        std::memmove(early, text, length + 1);
        check(early, length, length, std::to_string(length) + " ASCII bytes before high ones");
        std::memset(early, 0xC3, length + 1);
    }
}

// The text at text, encoded whole in pieces of capacity bytes by one routine;
// each piece must stop where the routine's contract says.
std::string EncodeInPieces(const CpuForm<EncodeUtf8Routine>& form, const TextUnit* text, size_t length,
                           uint32_t capacity, const std::string& where)
{
    std::string encoded;
    std::string piece(capacity, '\0');
    for (const TextUnit* at = text;;) {
        const Utf8Piece step = form.routine(at, piece.data(), capacity);
        EXPECT_LE(step.bytes, capacity) << form.name << ", " << where;
        encoded.append(piece, 0, std::min<size_t>(step.bytes, capacity));
        if (step.ended) {
            EXPECT_EQ(step.rest, text + length) << form.name << ", " << where;
            return encoded;
        }
        EXPECT_LT(capacity - step.bytes, Utf8Room) << form.name << ", " << where;
        if (step.rest == at && step.bytes == 0) return encoded + "<stuck>";
        at = step.rest;
    }
}

// What the vector forms add: each row's units stand at every place of a text of
// its filler, so that they meet every lane, the middle of a vector and the ends
// of blocks and pieces, a lone high surrogate last before the terminator among
// them. The unit form, checked against Python's codecs above, is the reference.
struct VectorCase {
    const char* name;
    std::u16string units;
    char16_t filler;
};

const VectorCase VectorCases[] = {
    {"a pair among ASCII", u"\U0001F600", u'a'},
    {"a pair among Chinese", u"\U0001F600", u'\u65E5'},
    {"U+10000 and U+10FFFF among Cyrillic", u"\U00010000\U0010FFFF", u'\u0416'},
    {"a lone high surrogate, then ASCII", {0xD83D, u'x'}, u'\u0416'},
    {"a lone high surrogate among ASCII", {0xDBFF}, u'a'},
    {"a lone low surrogate among Chinese", {0xDC00}, u'\u65E5'},
    {"two high surrogates, then a low one", {0xD800, 0xDBFF, 0xDFFF}, u'a'},
    {"a low surrogate, then a high one", {0xDFFF, 0xD800}, u'\u00E9'},
    {"a pair, then a lone low surrogate", {0xD83D, 0xDE00, 0xDE00}, u'\uFFFD'},
    {"each length's first and last character",
     {0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xE000, 0xFFFD, 0xFFFF, 0x01, 0xFFFE},
     u'\u07FF'},
};

using ScanForms = EachForm;
using CopyForms = EachForm;
using WidenForms = EachForm;
using NarrowForms = EachForm;
using Utf8Forms = EachForm;

}  // namespace

TEST_P(ScanForms, FindTheTerminatorAndAnyHighByteAtEveryAlignment)
{
    const CpuForm<ScanTextRoutine>& tested = ScanTextForms[GetParam().index];
    ForEachGuardedText([&](const char* text, size_t length, size_t firstHigh, const std::string& where) {
        const TextScan found = LeavingYmmClean(tested.name, [&] { return tested.routine(text); });
        EXPECT_EQ(found.length, length) << tested.name << ", " << where;
        EXPECT_EQ(found.ascii, firstHigh == length) << tested.name << ", " << where;
    });
}

// Every room from none to more than the text needs: an ASCII text that fits is
// copied with its zero byte; one that does not, or a text with a high byte, stops
// with a correct ASCII prefix copied (a copy may find the room too small before it
// meets the high byte). Nothing is written at or past the room.
TEST_P(CopyForms, CopyAsciiTextsThatFitAndStopAtHighBytesOrTheRoomsEnd)
{
    const CpuForm<CopyAsciiRoutine>& tested = CopyAsciiForms[GetParam().index];
    ForEachGuardedText([&](const char* text, size_t length, size_t firstHigh, const std::string& where) {
        for (size_t room : {size_t{0}, length / 2, length, length + 1, length + 40}) {
            std::string out(room + 8, '\x5A');
            const TextCopy copy = LeavingYmmClean(tested.name, [&] { return tested.routine(text, out.data(), room); });
            const std::string what = std::string(tested.name) + ", " + where + ", room " + std::to_string(room);
            if (firstHigh == length && room > length) {
                EXPECT_EQ(copy.stop, CopyStop::Copied) << what;
                EXPECT_EQ(copy.length, length) << what;
                EXPECT_EQ(out.substr(0, length + 1), std::string(text, length + 1)) << what;
            } else {
                EXPECT_NE(copy.stop, CopyStop::Copied) << what;
                if (copy.stop == CopyStop::Room) {
                    EXPECT_LE(copy.length, std::min(firstHigh, room)) << what;
                    EXPECT_EQ(out.substr(0, copy.length), std::string(text, copy.length)) << what;
                }
            }
            EXPECT_EQ(out.substr(room), std::string(8, '\x5A')) << what << ": written past the room";
        }
    });
}

TEST_P(WidenForms, ConvertEveryLengthAndWriteNothingPastIt)
{
    const CpuForm<WidenRoutine>& tested = WidenAsciiForms[GetParam().index];
    for (int32_t length = 0; length <= 200; ++length) {
        std::string bytes(static_cast<size_t>(length), ' ');
        Units expected(static_cast<size_t>(length), TextUnit{0});
        for (size_t i = 0; i < bytes.size(); ++i) expected[i] = static_cast<TextUnit>(bytes[i] = Printable(i));
        // One byte in, past the start of a block, so the unaligned loads count.
        const std::string shifted = "#" + bytes;
        Units out(static_cast<size_t>(length) + 8, TextUnit{0xBEEF});
        LeavingYmmClean(tested.name, [&] { tested.routine(shifted.data() + 1, length, out.data()); });
        EXPECT_EQ(out.substr(0, bytes.size()), expected) << tested.name << ", " << length << " bytes";
        EXPECT_EQ(out.substr(bytes.size()), Units(8, TextUnit{0xBEEF})) << tested.name << ", past " << length;
    }
}

TEST_P(NarrowForms, ConvertEveryLengthAndWriteNothingPastIt)
{
    const CpuForm<NarrowRoutine>& tested = NarrowAsciiForms[GetParam().index];
    for (int32_t length = 0; length <= 200; ++length) {
        std::string expected(static_cast<size_t>(length), ' ');
        Units units(static_cast<size_t>(length) + 1, TextUnit{'#'});
        for (size_t i = 0; i < expected.size(); ++i) units[i + 1] = static_cast<TextUnit>(expected[i] = Printable(i));
        std::string out(static_cast<size_t>(length) + 8, '\x5A');
        LeavingYmmClean(tested.name, [&] { tested.routine(units.data() + 1, length, out.data()); });
        EXPECT_EQ(out.substr(0, expected.size()), expected) << tested.name << ", " << length << " units";
        EXPECT_EQ(out.substr(expected.size()), std::string(8, '\x5A')) << tested.name << ", past " << length;
    }
}

// Each text ending right before an inaccessible page, its start at every
// alignment, encoded in pieces of every size from the smallest an encoder takes;
// the pieces put together are the text's UTF-8 form from Python's codecs.
TEST_P(Utf8Forms, EncodeEveryTextInPiecesOfAnySizeAtEveryAlignment)
{
    const CpuForm<EncodeUtf8Routine>& tested = EncodeUtf8Forms[GetParam().index];
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    for (const UnicodeText& row : UnicodeTexts) {
        const std::u16string units = UnitsOf(row);
        const std::string expected = Utf8Of(row);
        const bool onPage = (units.size() + 1) * sizeof(TextUnit) <= GuardedPage::Size;
        Units copy(units.begin(), units.end());
        for (size_t shift = 0; shift < (onPage ? 32 : 1); ++shift) {
            TextUnit* text = copy.data();
            if (onPage) {
                // High surrogates past the terminator, which must not pair with the text's last unit.
                std::fill_n(static_cast<TextUnit*>(page.pages), GuardedPage::Size / sizeof(TextUnit), 0xDBFF);
                text = reinterpret_cast<TextUnit*>(page.EndingAt((units.size() + 1 + shift) * sizeof(TextUnit)));
                std::copy(units.begin(), units.end(), text);
                text[units.size()] = 0;
            }
            for (uint32_t capacity : {Utf8Room, Utf8Room + 1, Utf8Room + 3, 33u, 64u, 4096u})
                EXPECT_EQ(EncodeInPieces(tested, text, units.size(), capacity, row.name), expected)
                    << tested.name << ", " << row.name << ", shifted " << shift << " units, pieces of " << capacity;
        }
    }
}

TEST_P(Utf8Forms, MatchTheUnitFormWhereverSurrogatesAndLengthsFall)
{
    const CpuForm<EncodeUtf8Routine>& tested = EncodeUtf8Forms[GetParam().index];
    const CpuForm<EncodeUtf8Routine>& units = EncodeUtf8Forms[std::size(EncodeUtf8Forms) - 1];
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    // Past two AVX2 blocks, and on past the next one's first vector.
    constexpr size_t Places = 80;
    for (const VectorCase& row : VectorCases) {
        for (size_t place = 0; place <= Places; ++place) {
            Units text(Places, TextUnit{row.filler});
            text.insert(place, Units(row.units.begin(), row.units.end()));
            for (size_t shift = 0; shift < 32; ++shift) {
                // High surrogates past the terminator, which must not pair with the text's last unit.
                std::fill_n(static_cast<TextUnit*>(page.pages), GuardedPage::Size / sizeof(TextUnit), 0xDBFF);
                TextUnit* at = reinterpret_cast<TextUnit*>(page.EndingAt((text.size() + 1 + shift) * sizeof(TextUnit)));
                std::copy(text.begin(), text.end(), at);
                at[text.size()] = 0;
                const std::string where = std::string(row.name) + " at " + std::to_string(place) + ", shifted " +
                                          std::to_string(shift) + " units";
                const std::string expected = EncodeInPieces(units, at, text.size(), 4096, where);
                // Pieces that end anywhere in a block, the most the vectors need among them.
                for (uint32_t capacity : {60u, 61u, 64u, 108u, 113u, 127u, 150u, 4096u})
                    EXPECT_EQ(EncodeInPieces(tested, at, text.size(), capacity, where), expected)
                        << tested.name << ", " << where << ", pieces of " << capacity;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Each, ScanForms, testing::ValuesIn(TestFormsOf("scan")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, CopyForms, testing::ValuesIn(TestFormsOf("copy")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, WidenForms, testing::ValuesIn(TestFormsOf("widen")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, NarrowForms, testing::ValuesIn(TestFormsOf("narrow")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, Utf8Forms, testing::ValuesIn(TestFormsOf("utf8")), TestFormKey);

// A call's text steps on printable ASCII of every length around the passes'
// steps, alone and, up to 40 bytes, with one Western letter at each place, which
// takes the code page; then each pass holds the first form of its table this
// processor runs.
TEST(TextPassChoice, EachCallRunsTheFirstFormThisProcessorHas)
{
    for (size_t length = 0; length <= 80; ++length) {
        for (size_t at = length <= 40 ? 0 : length; at <= length; ++at) {
            // at == length: the plain ASCII text, converted without the code page.
            std::string bytes(length, ' ');
            Units expected(length, TextUnit{' '});
            for (size_t i = 0; i < length; ++i) expected[i] = static_cast<TextUnit>(bytes[i] = Printable(i));
            if (at < length) {
                bytes[at] = '\xe9';
                expected[at] = TextUnit{0xE9};
            }
            const std::string where =
                std::to_string(length) + " bytes" + (at < length ? ", \\xe9 at " + std::to_string(at) : "");
            TextUnit* text = ReadText(bytes.c_str());
            ASSERT_NE(text, nullptr) << where;
            EXPECT_EQ(Units(text, text + TextLength(text)), expected) << where;
            EXPECT_EQ(TextContentOf(text), at < length ? TextContent::NeedsCodePage : TextContent::Ascii) << where;
            EXPECT_EQ(EncodedByteLength(text), static_cast<int32_t>(length)) << where;
            std::string scratch(length + 1, '\x7f');
            EXPECT_EQ(WriteText(scratch.data(), text), static_cast<int32_t>(length)) << where;
            EXPECT_EQ(scratch, bytes + '\0') << where;
            EXPECT_EQ(MeasureMemoryText(scratch.c_str()), static_cast<int32_t>(length)) << where;
            const ScratchText copied = ReadTextIntoScratch(bytes.c_str());
            ASSERT_NE(copied.bytes, nullptr) << where;
            EXPECT_EQ(copied.length, static_cast<int32_t>(length)) << where;
            EXPECT_EQ(std::string(copied.bytes, length + 1), bytes + '\0') << where;
            GiveBackScratch(copied.bytes);
            char* block = NewAnsiBlock(text);
            ASSERT_NE(block, nullptr) << where;
            EXPECT_EQ(std::string(block), bytes) << where;
            FreeBlock(block);
            ReleaseAllTexts();
        }
    }
    ExpectChosen("scan", ScanTextForms, textPasses.scan);
    ExpectChosen("copy", CopyAsciiForms, textPasses.copy);
    ExpectChosen("widen", WidenAsciiForms, textPasses.widen);
    ExpectChosen("narrow", NarrowAsciiForms, textPasses.narrow);
    const TextUnit accented[] = {0xE9, 0};
    char piece[8];
    EXPECT_EQ(EncodeUtf8(accented, piece, sizeof piece).bytes, 2u);
    ExpectChosen("utf8", EncodeUtf8Forms, utf8Passes.encode);
}

// The count of an ANSI text's bytes (on Windows the chosen scan) stops at the
// terminator at every alignment, whatever lies around it, and never reads past
// its page; a zero anywhere in a block ends the count there.
TEST(TextPassChoice, MeasureEveryTextToItsTerminator)
{
    ForEachGuardedText([&](const char* text, size_t length, size_t, const std::string& where) {
        EXPECT_EQ(LeavingYmmClean(where, [&] { return MeasureMemoryText(text); }), static_cast<int32_t>(length))
            << where;
    });
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    std::memset(page.pages, 'b', GuardedPage::Size);
    char* bytes = page.EndingAt(64);
    for (size_t at : {0, 1, 15, 16, 17, 31, 32, 63}) {
        bytes[at] = 0;
        EXPECT_EQ(MeasureMemoryText(bytes), static_cast<int32_t>(at)) << "zero at " << at;
        bytes[at] = 'b';
    }
}
