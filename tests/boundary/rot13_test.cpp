// SPDX-License-Identifier: MIT
// text_rot13 and the result ownership rules, through the exported functions.
#include <gtest/gtest.h>

#include <string>

#include "boundary/entry.h"
#include "quorvalent.h"
#include "runtime/heap_handles.h"
#include "tests/support/long_texts.h"

namespace {

// Calls the export, copies the result and hands the block back, as a caller should.
std::string Rot13(const char* text, const void* second = nullptr)
{
    char* result = text_rot13(text, second);
    EXPECT_NE(result, nullptr);
    std::string copy = result ? result : "";
    FreeMem();
    return copy;
}

}  // namespace

TEST(TextRot13, RotatesLatinLettersOnly)
{
    for (const Rot13Case& row : Rot13Cases) EXPECT_EQ(Rot13(row.in.c_str()), row.out) << row.why;
}

TEST(TextRot13, IgnoresTheSecondArgumentAndReadsNullAsEmpty)
{
    int unused = 7;
    EXPECT_EQ(Rot13("Hello, World!", &unused), "Uryyb, Jbeyq!");
    EXPECT_EQ(Rot13("Hello, World!", reinterpret_cast<const void*>(uintptr_t{1})), "Uryyb, Jbeyq!");
    EXPECT_EQ(Rot13(nullptr), "");
}

TEST(TextRot13, TwiceGivesBackEveryAsciiText)
{
    std::string ascii;
    for (int c = 1; c < 128; ++c) ascii.push_back(static_cast<char>(c));
    EXPECT_EQ(Rot13(Rot13(ascii.c_str()).c_str()), ascii);
}

TEST(ResultOwnership, AnUnreleasedResultStaysUntilFreeMemOrUnload)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    char* first = text_rot13("first", nullptr);
    char* second = text_rot13("second", nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(first, "svefg");
    EXPECT_STREQ(second, "frpbaq");
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + 2);
    EXPECT_EQ(FreeMem(), 0);  // releases only the second
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + 1);
    EXPECT_STREQ(first, "svefg");
    EXPECT_EQ(FreeMem(), 0);  // the holder was cleared: nothing is released twice
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + 1);
    EXPECT_EQ(PlatformHeapLiveBlocks(StringHeap()), 1)
        << "internal texts outlived the call (the one block is the working storage)";
}

TEST(Lifecycle, WithoutHeapsEveryExportRefusesAndFreeMemDoesNothing)
{
    // A detach followed by calls models heaps that could not be created at attach.
    DllMain(nullptr, ProcessDetach, nullptr);
    EXPECT_EQ(text_rot13("abc", nullptr), nullptr);
    EXPECT_EQ(FreeMem(), 0);
    DllMain(nullptr, ProcessAttach, nullptr);
    ASSERT_TRUE(HeapsReady());
    EXPECT_EQ(Rot13("abc"), "nop");
}
