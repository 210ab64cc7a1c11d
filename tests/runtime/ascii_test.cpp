// The ASCII fast paths of the text conversions: the unrolled measuring, and the
// fall-back to the code page when a single other character is anywhere in a text.
#include <gtest/gtest.h>

#include <string>

#include "runtime/ascii.h"
#include "runtime/heaps.h"
#include "runtime/text.h"

namespace {

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
        const std::u16string units(static_cast<size_t>(length), u'a');
        EXPECT_EQ(BytesBeforeZero(bytes.c_str()), static_cast<size_t>(length)) << length;
        EXPECT_EQ(UnitsBeforeZero(reinterpret_cast<const TextUnit*>(units.c_str())), length) << length;
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
