// SPDX-License-Identifier: MIT
// Internal texts and their conversion to and from the ANSI code page.
#include "runtime/text.h"

#include <cstring>

#include "runtime/ascii.h"
#include "runtime/heaps.h"
#include "runtime/platform.h"

namespace {

// The 16 bytes before a text's units. Read and written with memcpy: the block
// holds bytes, not a header object.
struct TextHeader {
    int32_t length;         // code units before the terminator
    int32_t encodedLength;  // bytes in the ANSI code page; -1 until measured
    TextContent content;
    int32_t capacity;  // code units the block has room for, terminator excluded
};
static_assert(sizeof(TextHeader) == 16, "the units stay as aligned as the block");

TextHeader HeaderOf(const TextUnit* text)
{
    TextHeader header;
    std::memcpy(&header, reinterpret_cast<const char*>(text) - sizeof header, sizeof header);
    return header;
}

// The header lives in the text's own block, which is never read-only, so the
// operations that take a const text may still note what they learn about it.
void StoreHeader(const TextUnit* text, const TextHeader& header)
{
    std::memcpy(const_cast<char*>(reinterpret_cast<const char*>(text)) - sizeof header, &header, sizeof header);
}

// The bytes of a text's block; more than 4 GiB for the longest texts, which only
// a 64-bit build can hold.
uint64_t BlockBytes(int32_t capacity)
{
    return sizeof(TextHeader) + (static_cast<uint64_t>(capacity) + 1) * sizeof(TextUnit);
}

// Room for capacity units and the terminator; the header says length 0 for now.
TextUnit* AllocText(int32_t capacity, TextContent content)
{
    if (capacity < 0) capacity = 0;
    const uint64_t bytes = BlockBytes(capacity);
    if (bytes > SIZE_MAX) return nullptr;
    char* block = static_cast<char*>(AllocString(static_cast<size_t>(bytes)));
    if (!block) return nullptr;
    TextUnit* text = static_cast<TextUnit*>(static_cast<void*>(block + sizeof(TextHeader)));
    StoreHeader(text, {0, content == TextContent::Ascii ? 0 : -1, content, capacity});
    text[0] = 0;
    return text;
}

// Ends the text after length units.
void SetLength(TextUnit* text, int32_t length, TextContent content)
{
    TextHeader header = HeaderOf(text);
    header.length = length;
    header.content = content;
    header.encodedLength = content == TextContent::Ascii ? length : -1;
    StoreHeader(text, header);
    text[length] = 0;
}

}  // namespace

TextUnit* NewText(int32_t count, TextContent content)
{
    if (count < 0) count = 0;
    TextUnit* text = AllocText(count, content);
    if (text) SetLength(text, count, content);
    return text;
}

void SetTextContent(TextUnit* text, TextContent content)
{
    if (text) SetLength(text, HeaderOf(text).length, content);
}

TextContent TextContentOf(const TextUnit* text) { return text ? HeaderOf(text).content : TextContent::Ascii; }

void ReleaseAllTexts() { ResetStringStorage(); }

TextUnit* ReadText(const char* memory)
{
    // A null argument reads as the empty text rather than faulting. A text is
    // refused, not cut short, when its bytes and their terminator would not fit
    // a memory block, whose size is a signed 32-bit count.
    const TextScan scan = memory ? ScanText(memory) : TextScan{0, true};
    if (scan.length > MostTextBytes) return nullptr;
    const int32_t byteCount = static_cast<int32_t>(scan.length);
    // No code page decodes bytes to more code units than there are bytes (a
    // double-byte character is one unit, a UTF-8 sequence of four is two), so
    // this much room serves every text.
    TextUnit* text = AllocText(byteCount, scan.ascii ? TextContent::Ascii : TextContent::NeedsCodePage);
    if (!text) return nullptr;
    if (scan.ascii) {
        WidenAscii(memory, byteCount, text);
        SetLength(text, byteCount, TextContent::Ascii);
        return text;
    }
    // Were that ever not so, the conversion would find too little room and write nothing.
    const int32_t count = PlatformAnsiToText(memory, byteCount, nullptr, 0);
    const int32_t written = PlatformAnsiToText(memory, byteCount, text, (count < byteCount ? count : byteCount) + 1);
    SetLength(text, written, TextContent::NeedsCodePage);
    return text;
}

ScratchText ReadTextIntoScratch(const char* memory)
{
    if (!memory) memory = "";
    // Plain ASCII, the common case: one pass copies it into the block the heap
    // keeps, finding its end and that it is ASCII on the way.
    ScratchBlock block = TakeScratch(0);
    TextCopy copy = CopyAsciiText(memory, block.bytes, block.size);
    if (copy.stop == CopyStop::Room) {
        // Longer than that block: measured, then copied into one that holds it.
        GiveBackScratch(block.bytes);
        block = {};
        const TextScan rest = ScanText(memory + copy.length);
        const size_t length = copy.length + rest.length;
        if (rest.ascii) {
            if (length > MostTextBytes) return {nullptr, 0, true};
            block = TakeScratch(length + 1);
            copy = CopyAsciiText(memory, block.bytes, block.size);
            if (copy.stop != CopyStop::Copied) {
                GiveBackScratch(block.bytes);
                return {nullptr, static_cast<int32_t>(length), false};
            }
        }
    }
    if (copy.stop == CopyStop::Copied) return {block.bytes, static_cast<int32_t>(copy.length), false};
    GiveBackScratch(block.bytes);

    // Any other text takes the code page both ways.
    const TextUnit* text = ReadText(memory);
    if (!text) return {nullptr, 0, true};
    block = TakeScratch(static_cast<size_t>(EncodedByteLength(text)) + 1);
    if (!block.bytes) return {nullptr, TextLength(text), false};
    WriteText(block.bytes, text);
    return {block.bytes, MeasureMemoryText(block.bytes), false};
}

int32_t WriteText(char* memory, const TextUnit* text)
{
    if (!text) {
        memory[0] = 0;
        return 0;
    }
    const TextHeader header = HeaderOf(text);
    int32_t written = header.length;
    if (header.content == TextContent::Ascii)
        NarrowAscii(text, header.length, memory);
    else
        written = PlatformTextToAnsi(text, header.length, memory, EncodedByteLength(text));
    memory[written] = 0;
    return written;
}

int32_t EncodedByteLength(const TextUnit* text)
{
    if (!text) return 0;
    TextHeader header = HeaderOf(text);
    if (header.encodedLength < 0) {
        header.encodedLength = PlatformTextToAnsi(text, header.length, nullptr, 0);
        StoreHeader(text, header);
    }
    return header.encodedLength;
}

char* NewAnsiBlock(const TextUnit* text)
{
    // A null text is the empty text: a block of one zero byte.
    char* block = static_cast<char*>(AllocBlock(EncodedByteLength(text) + 1));
    if (block) WriteText(block, text);
    return block;
}

TextUnit* NewUnitBlock(const TextUnit* text)
{
    const int32_t length = TextLength(text);
    const int64_t bytes = (int64_t{length} + 1) * int64_t{sizeof(TextUnit)};
    if (bytes > INT32_MAX) return nullptr;
    // Zero-filled, so the terminator is there already.
    TextUnit* block = static_cast<TextUnit*>(AllocBlock(static_cast<int32_t>(bytes)));
    if (block && length) std::memcpy(block, text, static_cast<size_t>(length) * sizeof(TextUnit));
    return block;
}

int32_t MeasureMemoryText(const char* memory)
{
    if (!memory) return 0;
#if defined(_WIN32)
    // msvcrt's strlen under Wine goes a byte at a time; the scan reads whole blocks.
    const size_t length = ScanText(memory).length;
#else
    const size_t length = std::strlen(memory);
#endif
    // Texts past 2 GiB do not fit the signed counts of the conversions.
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

int32_t TextLength(const TextUnit* text) { return text ? HeaderOf(text).length : 0; }

bool TextEquals(const TextUnit* a, const TextUnit* b)
{
    const int32_t length = TextLength(a);
    if (length != TextLength(b)) return false;
    return length == 0 || std::memcmp(a, b, static_cast<size_t>(length) * sizeof(TextUnit)) == 0;
}

TextUnit* BlankText(int32_t count)
{
    TextUnit* text = NewText(count, TextContent::Ascii);
    if (text)
        for (int32_t i = 0; i < count; ++i) text[i] = 32;
    return text;
}
