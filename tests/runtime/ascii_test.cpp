// SPDX-License-Identifier: MIT
// The text passes: every form of each, run where this processor has what it
// needs (ctest runs these under qemu's model of one that does where it lacks
// it), against a plain model; and the forms chosen for the texts of a call.
#include <gtest/gtest.h>

#include <cstdlib>
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
#include "tests/support/cpu_forms.h"

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

// The scans look at whole aligned blocks: bytes before the text and after its
// terminator must not change what they find, whatever those bytes are.
void ExpectScansFind(const char* name, ScanTextRoutine scan, const char* text, size_t length, bool ascii,
                     const std::string& where)
{
    const TextScan found = scan(text);
    EXPECT_EQ(found.length, length) << name << ", " << where;
    EXPECT_EQ(found.ascii, ascii) << name << ", " << where;
}

}  // namespace

TEST(TextForms, ScanFindsTheTerminatorAndAnyHighByteAtEveryAlignment)
{
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    // Bytes above 0x7F fill the page, so the scans meet them before the text and after it.
    std::memset(page.pages, 0xC3, GuardedPage::Size);
    ForEachForm(ScanTextForms, [&](const CpuForm<ScanTextRoutine>& form) {
        for (size_t length = 0; length < 100; ++length) {
            // Ending at the page's end, the text starts at every alignment in turn.
            char* text = page.EndingAt(length + 1);
            for (size_t i = 0; i < length; ++i) text[i] = Printable(i);
            text[length] = 0;
            ExpectScansFind(form.name, form.routine, text, length, true, std::to_string(length) + " ASCII bytes");
            for (size_t at : {size_t{0}, length / 2, length - 1}) {
                if (at >= length) continue;
                text[at] = '\x80';
                ExpectScansFind(form.name, form.routine, text, length, false,
                                std::to_string(length) + " bytes, 0x80 at " + std::to_string(at));
                text[at] = Printable(at);
            }
            // The same text away from the page's end: high bytes follow its terminator in its block.
            char* early = page.EndingAt(length + 1 + 64);
            std::memmove(early, text, length + 1);
            ExpectScansFind(form.name, form.routine, early, length, true,
                            std::to_string(length) + " ASCII bytes before high ones");
            std::memset(early, 0xC3, length + 1);
        }
    });
}

TEST(TextForms, WidenAndNarrowConvertEveryLengthAndWriteNothingPastIt)
{
    ForEachForm(WidenAsciiForms, [&](const CpuForm<WidenRoutine>& form) {
        for (int32_t length = 0; length <= 200; ++length) {
            std::string bytes(static_cast<size_t>(length), ' ');
            Units expected(static_cast<size_t>(length), TextUnit{0});
            for (size_t i = 0; i < bytes.size(); ++i) expected[i] = static_cast<TextUnit>(bytes[i] = Printable(i));
            // One byte in, past the start of a block, so the unaligned loads count.
            const std::string shifted = "#" + bytes;
            Units out(static_cast<size_t>(length) + 8, TextUnit{0xBEEF});
            form.routine(shifted.data() + 1, length, out.data());
            EXPECT_EQ(out.substr(0, bytes.size()), expected) << form.name << ", " << length << " bytes";
            EXPECT_EQ(out.substr(bytes.size()), Units(8, TextUnit{0xBEEF})) << form.name << ", past " << length;
        }
    });
    ForEachForm(NarrowAsciiForms, [&](const CpuForm<NarrowRoutine>& form) {
        for (int32_t length = 0; length <= 200; ++length) {
            std::string expected(static_cast<size_t>(length), ' ');
            Units units(static_cast<size_t>(length) + 1, TextUnit{'#'});
            for (size_t i = 0; i < expected.size(); ++i)
                units[i + 1] = static_cast<TextUnit>(expected[i] = Printable(i));
            std::string out(static_cast<size_t>(length) + 8, '\x5A');
            form.routine(units.data() + 1, length, out.data());
            EXPECT_EQ(out.substr(0, expected.size()), expected) << form.name << ", " << length << " units";
            EXPECT_EQ(out.substr(expected.size()), std::string(8, '\x5A')) << form.name << ", past " << length;
        }
    });
}

#if defined(_WIN32)
TEST(TextForms, BytesBeforeZeroStopsAtTheTerminatorAndNeverCrossesAPage)
{
    GuardedPage page;
    ASSERT_NE(page.pages, nullptr);
    std::memset(page.pages, 'b', GuardedPage::Size);
    ForEachForm(BytesBeforeZeroForms, [&](const CpuForm<BytesBeforeZeroRoutine>& form) {
        for (size_t length = 0; length < 100; ++length) {
            char* text = page.EndingAt(length + 1);
            text[length] = 0;
            EXPECT_EQ(form.routine(text), length) << form.name << ", " << length << " bytes";
            text[length] = 'b';
        }
        // A zero right at the start of a block, with more text after it.
        char* bytes = page.EndingAt(64);
        for (size_t at : {0, 1, 15, 16, 17, 31, 32, 63}) {
            bytes[at] = 0;
            EXPECT_EQ(form.routine(bytes), at) << form.name << ", zero at " << at;
            bytes[at] = 'b';
        }
    });
}
#endif

TEST(TextForms, EachCallRunsTheFirstFormThisProcessorHas)
{
    ExpectChosen(ScanTextForms, "scan");
    ExpectChosen(WidenAsciiForms, "widen");
    ExpectChosen(NarrowAsciiForms, "narrow");
#if defined(_WIN32)
    ExpectChosen(BytesBeforeZeroForms, "bytes before zero");
#endif
    // And through a call's text steps: plain ASCII of every length around the steps.
    for (size_t length = 0; length <= 80; ++length) {
        std::string bytes(length, ' ');
        for (size_t i = 0; i < length; ++i) bytes[i] = Printable(i);
        TextUnit* text = ReadText(bytes.c_str());
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(TextContentOf(text), TextContent::Ascii) << length;
        EXPECT_EQ(Units(text, text + TextLength(text)), Units(bytes.begin(), bytes.end())) << length;
        std::string scratch(length + 1, '\x7f');
        EXPECT_EQ(WriteText(scratch.data(), text), static_cast<int32_t>(length));
        EXPECT_EQ(scratch, bytes + '\0') << length;
        EXPECT_EQ(MeasureMemoryText(scratch.c_str()), static_cast<int32_t>(length));
        ReleaseAllTexts();
    }
}

TEST(TextSteps, OneWesternLetterAnywhereTakesTheCodePage)
{
    for (size_t length = 1; length <= 40; ++length) {
        for (size_t at = 0; at <= length; ++at) {
            // at == length: the plain ASCII text, converted without the code page.
            std::string bytes(length, 'x');
            std::u16string expected(length, u'x');
            if (at < length) {
                bytes[at] = '\xe9';
                expected[at] = u'\u00e9';
            }
            TextUnit* text = ReadText(bytes.c_str());
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(std::u16string(text, text + TextLength(text)), expected) << length << " at " << at;
            EXPECT_EQ(TextContentOf(text), at < length ? TextContent::NeedsCodePage : TextContent::Ascii);
            EXPECT_EQ(EncodedByteLength(text), static_cast<int32_t>(length)) << length << " at " << at;
            std::string scratch(length + 1, '\x7f');
            WriteText(scratch.data(), text);
            char* block = NewAnsiBlock(text);
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(scratch, bytes + '\0') << length << " at " << at;
            EXPECT_EQ(std::string(block), bytes) << length << " at " << at;
            FreeBlock(block);
            ReleaseAllTexts();
        }
    }
}
