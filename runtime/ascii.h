// Fast paths of the ANSI conversions for plain ASCII: bytes 0x00 to 0x7F are
// the same characters in every ANSI code page, so they widen and narrow as they are.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/platform.h"

// Each converts and reports whether every character was ASCII; when one was
// not, the caller converts again through the code page. The loops have no
// early exit, so the compiler vectorises them.
inline bool WidenAscii(const char* bytes, int32_t count, TextUnit* out)
{
    unsigned high = 0;
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        high |= value;
        out[i] = static_cast<TextUnit>(value);
    }
    return high < 0x80;
}

inline bool NarrowAscii(const TextUnit* units, int32_t count, char* out)
{
    unsigned high = 0;
    for (int32_t i = 0; i < count; ++i) {
        high |= units[i];
        out[i] = static_cast<char>(units[i]);
    }
    return high < 0x80;
}

// Bytes before the first zero byte, read the same way. Some C runtimes
// (Wine's among them) measure a byte at a time, which a long text feels.
inline size_t BytesBeforeZero(const char* bytes)
{
    for (size_t length = 0;; length += 4) {
        if (!bytes[length]) return length;
        if (!bytes[length + 1]) return length + 1;
        if (!bytes[length + 2]) return length + 2;
        if (!bytes[length + 3]) return length + 3;
    }
}

// Code units before the terminator. Four tests per pass, each read only after
// the unit before it proved nonzero, so nothing past the terminator is read.
inline int32_t UnitsBeforeZero(const TextUnit* units)
{
    for (int32_t length = 0;; length += 4) {
        if (!units[length]) return length;
        if (!units[length + 1]) return length + 1;
        if (!units[length + 2]) return length + 2;
        if (!units[length + 3]) return length + 3;
    }
}
