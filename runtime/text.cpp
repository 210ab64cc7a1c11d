// Internal texts and their conversion to and from the ANSI code page.
#include "runtime/text.h"

#include "runtime/ascii.h"
#include "runtime/heaps.h"

TextUnit* NewText(int32_t count)
{
    if (count < 0) count = 0;
    uint64_t bytes = (static_cast<uint64_t>(count) + 1) * sizeof(TextUnit);
    if (bytes > UINT32_MAX) return nullptr;
    TextUnit* text = static_cast<TextUnit*>(AllocString(static_cast<uint32_t>(bytes)));
    if (text) text[count] = 0;
    return text;
}

void FreeText(TextUnit* text) { FreeString(text); }

TextUnit* ReadText(const char* memory)
{
    // A null argument reads as the empty text rather than faulting; a text too
    // long for the signed counts of the conversions is refused, not cut short.
    size_t length = memory ? BytesBeforeZero(memory) : 0;
    if (length >= INT32_MAX) return nullptr;
    int32_t byteCount = static_cast<int32_t>(length);
    int32_t count = PlatformAnsiToText(memory, byteCount, nullptr, 0);
    TextUnit* text = NewText(count);
    if (!text) return nullptr;
    int32_t written = PlatformAnsiToText(memory, byteCount, text, count + 1);
    text[written] = 0;
    return text;
}

int32_t WriteText(char* memory, const TextUnit* text)
{
    if (!text) {
        memory[0] = 0;
        return 0;
    }
    int32_t count = TextLength(text);
    int32_t need = PlatformTextToAnsi(text, count, nullptr, 0);
    int32_t written = PlatformTextToAnsi(text, count, memory, need);
    memory[written] = 0;
    return written;
}

int32_t EncodedByteLength(const TextUnit* text)
{
    if (!text) return 0;
    return PlatformTextToAnsi(text, -1, nullptr, 0) - 1;
}

char* NewAnsiBlock(const TextUnit* text)
{
    static constexpr TextUnit empty[1] = {0};
    if (!text) text = empty;
    int32_t size = PlatformTextToAnsi(text, -1, nullptr, 0);
    char* block = static_cast<char*>(AllocBlock(size));
    if (!block) return nullptr;
    PlatformTextToAnsi(text, -1, block, size);
    return block;
}

int32_t MeasureMemoryText(const char* memory)
{
    if (!memory) return 0;
    size_t length = BytesBeforeZero(memory);
    // Texts past 2 GiB do not fit the signed counts of the conversions.
    return length > INT32_MAX ? INT32_MAX : static_cast<int32_t>(length);
}

int32_t TextLength(const TextUnit* text)
{
    return text ? UnitsBeforeZero(text) : 0;
}

bool TextEquals(const TextUnit* a, const TextUnit* b)
{
    static constexpr TextUnit empty[1] = {0};
    if (!a) a = empty;
    if (!b) b = empty;
    for (;; ++a, ++b) {
        if (*a != *b) return false;
        if (*a == 0) return true;
    }
}

TextUnit* BlankText(int32_t count)
{
    TextUnit* text = NewText(count);
    if (text)
        for (int32_t i = 0; i < count; ++i) text[i] = 32;
    return text;
}
