// SPDX-License-Identifier: MIT
// What an internal text's header knows, the string heap's working storage that a
// call's texts are carved from and released with at once, and the kept scratch block.
#include <gtest/gtest.h>

#include <string>

#include "boundary/entry.h"
#include "runtime/heap_handles.h"
#include "runtime/text.h"

namespace {

// The storage block itself is the one busy block the string heap keeps.
int32_t StringBlocks() { return PlatformHeapLiveBlocks(StringHeap()); }

std::string Letters(size_t count) { return std::string(count, 'x'); }

}  // namespace

TEST(TextHeader, KnowsLengthEncodedLengthAndContentFromTheRead)
{
    struct Row {
        const char* why;
        const char* bytes;
        int32_t length;
        int32_t encoded;
        TextContent content;
    };
    const Row rows[] = {
        {"plain ASCII", "Hello", 5, 5, TextContent::Ascii},
        {"empty", "", 0, 0, TextContent::Ascii},
        {"null is empty", nullptr, 0, 0, TextContent::Ascii},
        {"an accent needs the code page", "caf\xE9", 4, 4, TextContent::NeedsCodePage},
        {"so does the euro sign, two bytes from the end", "price 5\x80!", 9, 9, TextContent::NeedsCodePage},
    };
    for (const Row& row : rows) {
        TextUnit* text = ReadText(row.bytes);
        ASSERT_NE(text, nullptr) << row.why;
        EXPECT_EQ(TextLength(text), row.length) << row.why;
        EXPECT_EQ(text[TextLength(text)], 0) << row.why << ": the terminator follows the units";
        EXPECT_EQ(EncodedByteLength(text), row.encoded) << row.why;
        EXPECT_EQ(TextContentOf(text), row.content) << row.why;
    }
    ReleaseAllTexts();
}

TEST(TextHeader, TheContentAnOwnerGivesDecidesTheWayOut)
{
    struct Row {
        const char* why;
        std::u16string units;
        TextContent content;
        std::string bytes;
    };
    const Row rows[] = {
        {"ASCII, narrowed without the code page", u"digits 0123", TextContent::Ascii, "digits 0123"},
        {"ASCII through the code page comes out the same", u"digits 0123", TextContent::NeedsCodePage, "digits 0123"},
        {"a unit beyond ASCII", u"na\u00EFve", TextContent::NeedsCodePage, "na\xEFve"},
        {"a character the code page lacks", u"\u4E2D", TextContent::NeedsCodePage, "?"},
    };
    for (const Row& row : rows) {
        TextUnit* text = NewText(static_cast<int32_t>(row.units.size()), row.content);
        for (size_t i = 0; i < row.units.size(); ++i) text[i] = static_cast<TextUnit>(row.units[i]);
        EXPECT_EQ(TextContentOf(text), row.content) << row.why;
        EXPECT_EQ(EncodedByteLength(text), static_cast<int32_t>(row.bytes.size())) << row.why;
        std::string out(row.bytes.size() + 1, 'x');
        EXPECT_EQ(WriteText(out.data(), text), static_cast<int32_t>(row.bytes.size())) << row.why;
        EXPECT_EQ(out, row.bytes + '\0') << row.why;
    }
    ReleaseAllTexts();
}

TEST(WorkingStorage, CarvesTextsAndGivesEverythingBackAtTheReset)
{
    ReleaseAllTexts();
    ASSERT_EQ(StringBlocks(), 1) << "the string heap holds its working storage and nothing else";
    TextUnit* first = ReadText("first");
    TextUnit* second = ReadText("second");
    EXPECT_EQ(StringBlocks(), 1) << "small texts are carved from the storage";
    EXPECT_NE(first, second);
    ReleaseAllTexts();
    EXPECT_EQ(ReadText("again"), first) << "after the reset, carving starts over";
    ReleaseAllTexts();
}

TEST(WorkingStorage, ATextLargerThanTheStorageHasItsOwnBlockAndTheStorageGrowsForTheNextCall)
{
    // New heaps, so that the storage starts below its bound whatever ran before.
    DllMain(nullptr, ProcessDetach, nullptr);
    DllMain(nullptr, ProcessAttach, nullptr);
    ASSERT_TRUE(HeapsReady());
    struct Row {
        const char* why;
        size_t characters;
        bool fitsAfterGrowth;
    };
    // Each row is a call: texts of this size, carved or in blocks of their own.
    const Row rows[] = {
        {"larger than the storage", size_t{StringStorageSize()}, true},
        {"larger again", size_t{StringStorageSize()} * 3, true},
        {"past the storage's bound: never fits", MostStringStorage / 2 + 1000, false},
    };
    for (const Row& row : rows) {
        const uint32_t before = StringStorageSize();
        const std::string bytes = Letters(row.characters);
        TextUnit* small = ReadText("carved first");
        const std::u16string smallUnits(small, small + TextLength(small));
        TextUnit* large = ReadText(bytes.c_str());
        ASSERT_NE(large, nullptr) << row.why;
        EXPECT_EQ(StringBlocks(), 2) << row.why << ": the storage, and the text that did not fit";
        EXPECT_EQ(StringStorageSize(), before) << row.why << ": the storage stays put while texts point into it";
        EXPECT_EQ(std::u16string(small, small + TextLength(small)), smallUnits) << row.why;
        EXPECT_EQ(TextLength(large), static_cast<int32_t>(row.characters)) << row.why;
        ReleaseAllTexts();
        EXPECT_EQ(StringBlocks(), 1) << row.why << ": the reset frees the block of its own";
        EXPECT_LE(StringStorageSize(), MostStringStorage) << row.why;

        // The next call with the same texts.
        ReadText("carved first");
        ReadText(bytes.c_str());
        EXPECT_EQ(StringBlocks(), row.fitsAfterGrowth ? 1 : 2) << row.why << ": the next call";
        ReleaseAllTexts();
        EXPECT_EQ(StringBlocks(), 1) << row.why;
    }
    EXPECT_EQ(StringStorageSize(), MostStringStorage) << "grown up to its bound and no further";
}

TEST(WorkingStorage, DetachReleasesTheStorageAndTextsLeftInIt)
{
    // Texts still held at detach, carved and of their own: AddressSanitizer and
    // valgrind would report a block lost or released twice.
    const std::string large = Letters(size_t{StringStorageSize()} + 1);
    ASSERT_NE(ReadText("left behind"), nullptr);
    ASSERT_NE(ReadText(large.c_str()), nullptr);
    ASSERT_NE(TakeScratch(100).bytes, nullptr) << "the kept scratch block, still out";
    DllMain(nullptr, ProcessDetach, nullptr);
    EXPECT_EQ(StringStorageSize(), 0u);
    EXPECT_EQ(KeptScratchSize(), 0u);
    DllMain(nullptr, ProcessAttach, nullptr);
    ASSERT_TRUE(HeapsReady());
    EXPECT_EQ(StringBlocks(), 1) << "a new string heap comes with new storage";
    EXPECT_GT(StringStorageSize(), 0u);
    const ScratchBlock scratch = TakeScratch(0);
    EXPECT_GT(scratch.size, 0u) << "a new block heap comes with a new kept scratch block, not out";
    EXPECT_EQ(scratch.size, KeptScratchSize());
    GiveBackScratch(scratch.bytes);
}
