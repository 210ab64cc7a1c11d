// SPDX-License-Identifier: MIT
// Internal texts and the ANSI code page (Windows-1252 on Linux and by default under Wine).
#include <gtest/gtest.h>

#include <string>

#include "runtime/heap_handles.h"
#include "runtime/text.h"

namespace {

struct Adopt {};

// Internal texts made from code units; they go with the others at the next ReleaseAllTexts.
struct Text {
    TextUnit* units;
    Text(Adopt, TextUnit* owned) : units(owned) {}
    explicit Text(std::u16string_view source)
        : units(NewText(static_cast<int32_t>(source.size()), TextContent::NeedsCodePage))
    {
        for (size_t i = 0; i < source.size(); ++i) units[i] = static_cast<TextUnit>(source[i]);
    }
    std::u16string Units() const { return std::u16string(units, units + TextLength(units)); }
};

std::string AllBytesFrom(int first)
{
    std::string bytes;
    for (int b = first; b <= 255; ++b) bytes.push_back(static_cast<char>(b));
    return bytes;
}

}  // namespace

TEST(ReadText, DecodesOneUnitPerByteInTheWesternCodePage)
{
    struct Row {
        const char* why;
        const char* bytes;
        std::u16string units;
    };
    const Row rows[] = {
        {"plain", "Hello", u"Hello"},
        {"empty", "", u""},
        {"null reads as empty", nullptr, u""},
        {"euro sign", "\x80", u"\u20AC"},
        {"undefined 0x81 keeps its value", "\x81", u"\u0081"},
        {"undefined 0x9D keeps its value", "\x9D", u"\u009D"},
        {"latin-1 range", "h\xE9", u"h\u00E9"},
        {"stops at the first zero byte", "ab\0cd", u"ab"},
    };
    for (const Row& row : rows) {
        Text text(Adopt{}, ReadText(row.bytes));
        ASSERT_NE(text.units, nullptr) << row.why;
        EXPECT_EQ(text.Units(), row.units) << row.why;
    }
    Text high(Adopt{}, ReadText(AllBytesFrom(0x80).c_str()));
    EXPECT_EQ(TextLength(high.units), 128);
}

TEST(ReadText, EveryByteFromOneTo255RoundTrips)
{
    const std::string bytes = AllBytesFrom(1);
    Text text(Adopt{}, ReadText(bytes.c_str()));
    ASSERT_EQ(EncodedByteLength(text.units), 255);
    std::string back(256, 'x');
    EXPECT_EQ(WriteText(back.data(), text.units), 255);
    EXPECT_EQ(back[255], '\0');
    back.resize(255);
    EXPECT_EQ(back, bytes);
}

TEST(WriteText, WritesTheBytesAndOneZero)
{
    struct Row {
        const char* why;
        std::u16string units;
        std::string bytes;
    };
    const Row rows[] = {
        {"plain", u"Hello", "Hello"},
        {"empty", u"", ""},
        {"CJK becomes question marks", u"\u4E2D\u6587", "??"},
        {"euro sign", u"h\u00E9\u20AC", "h\xE9\x80"},
        {"each half of a surrogate pair is substituted", u"a\U0001F600b", "a??b"},
    };
    for (const Row& row : rows) {
        Text text(row.units);
        std::string out(row.bytes.size() + 2, 'x');
        EXPECT_EQ(WriteText(out.data(), text.units), static_cast<int32_t>(row.bytes.size())) << row.why;
        EXPECT_EQ(out.substr(0, row.bytes.size() + 1), row.bytes + '\0') << row.why;
        EXPECT_EQ(EncodedByteLength(text.units), static_cast<int32_t>(row.bytes.size())) << row.why;
    }
    char out[2] = {'x', 'x'};
    EXPECT_EQ(WriteText(out, nullptr), 0);
    EXPECT_EQ(out[0], '\0');
    EXPECT_EQ(EncodedByteLength(nullptr), 0);
}

TEST(NewAnsiBlock, HoldsTheTextAndItsZeroByte)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    Text hello(u"Hello");
    char* block = NewAnsiBlock(hello.units);
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "Hello");
    FreeBlock(block);
    Text empty(u"");
    for (const TextUnit* text : {static_cast<const TextUnit*>(nullptr), static_cast<const TextUnit*>(empty.units)}) {
        char* one = NewAnsiBlock(text);
        ASSERT_NE(one, nullptr);
        EXPECT_EQ(one[0], '\0');
        FreeBlock(one);
    }
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before);
}

// The bytes a digest export hashes: the round trip of ReadText and WriteText, in
// scratch memory; ASCII by one copy, into the kept block or, past its bound, a
// block of the call's own.
TEST(ReadTextIntoScratch, HoldsTheRoundTripAndAZeroByte)
{
    struct Row {
        const char* why;
        std::string bytes;  // as read and as written back
        bool isNull;
    };
    const Row rows[] = {
        {"null reads as empty", "", true},
        {"empty", "", false},
        {"plain ASCII", "Hello, World!", false},
        {"Western letters take the code page", "na\xEFve caf\xE9", false},
        {"so do the code page's own bytes", "\x80\x81\x9D\x9F", false},
        {"ASCII past the kept block, which grows", std::string(KeptScratchSize() + 100, 'a'), false},
        {"ASCII past the kept block's bound", std::string(MostKeptScratch + 100, 'b'), false},
        {"a high byte past the bound", std::string(MostKeptScratch + 100, 'c') + "\xE9", false},
    };
    const int32_t blocks = PlatformHeapLiveBlocks(BlockHeap());
    for (const Row& row : rows) {
        const ScratchText text = ReadTextIntoScratch(row.isNull ? nullptr : row.bytes.c_str());
        ASSERT_NE(text.bytes, nullptr) << row.why;
        EXPECT_FALSE(text.refused) << row.why;
        EXPECT_EQ(text.length, static_cast<int32_t>(row.bytes.size())) << row.why;
        EXPECT_TRUE(std::string(text.bytes, row.bytes.size() + 1) == row.bytes + '\0') << row.why;
        GiveBackScratch(text.bytes);
        ReleaseAllTexts();
        EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), blocks) << row.why << ": given back";
    }
}

TEST(TextOperations, LengthEqualityAndBlanks)
{
    EXPECT_EQ(MeasureMemoryText(nullptr), 0);
    EXPECT_EQ(MeasureMemoryText(""), 0);
    EXPECT_EQ(MeasureMemoryText("abc"), 3);
    EXPECT_EQ(TextLength(nullptr), 0);

    Text empty(u""), abc(u"abc"), abcAgain(u"abc"), upper(u"ABC"), ab(u"ab");
    struct Row {
        const char* why;
        const TextUnit* a;
        const TextUnit* b;
        bool equal;
    };
    const Row rows[] = {
        {"null equals empty", nullptr, empty.units, true},
        {"same text at another address", abc.units, abcAgain.units, true},
        {"no case folding", abc.units, upper.units, false},
        {"prefix is not equal", ab.units, abc.units, false},
        {"longer is not equal", abc.units, ab.units, false},
    };
    for (const Row& row : rows) EXPECT_EQ(TextEquals(row.a, row.b), row.equal) << row.why;

    struct Blank {
        int32_t count;
        std::u16string units;
    };
    for (const Blank& row : {Blank{3, u"   "}, Blank{0, u""}, Blank{-4, u""}}) {
        Text blank(Adopt{}, BlankText(row.count));
        ASSERT_NE(blank.units, nullptr);
        EXPECT_EQ(blank.Units(), row.units) << row.count;
    }
}
