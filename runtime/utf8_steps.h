// SPDX-License-Identifier: MIT
// The steps every form of UTF-16 to UTF-8 shares: a character at a time, and the
// second half of a surrogate pair whose first half a vector step wrote.
#pragma once
#include <cstdint>

#include "runtime/text_steps.h"
#include "runtime/utf8.h"

inline bool IsHighSurrogate(uint32_t unit) { return unit - 0xD800 < 0x400; }
inline bool IsLowSurrogate(uint32_t unit) { return unit - 0xDC00 < 0x400; }

// One character into out, which has room for Utf8Room bytes; at moves past its
// units. The bytes written; 0 at the terminator, where at stays.
inline uint32_t EncodeCharacter(const TextUnit*& at, char* out)
{
    const uint32_t unit = *at;
    if (unit < 0x80) {
        if (unit == 0) return 0;
        out[0] = static_cast<char>(unit);
        ++at;
        return 1;
    }
    if (unit < 0x800) {
        out[0] = static_cast<char>(0xC0 | unit >> 6);
        out[1] = static_cast<char>(0x80 | (unit & 0x3F));
        ++at;
        return 2;
    }
    if (unit - 0xD800 < 0x800) {
        // A high surrogate is not the terminator, so the unit after it is the text's.
        const uint32_t next = at[1];
        if (IsHighSurrogate(unit) && IsLowSurrogate(next)) {
            const uint32_t point = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            out[0] = static_cast<char>(0xF0 | point >> 18);
            out[1] = static_cast<char>(0x80 | (point >> 12 & 0x3F));
            out[2] = static_cast<char>(0x80 | (point >> 6 & 0x3F));
            out[3] = static_cast<char>(0x80 | (point & 0x3F));
            at += 2;
            return 4;
        }
        out[0] = static_cast<char>(0xEF);
        out[1] = static_cast<char>(0xBF);
        out[2] = static_cast<char>(0xBD);
        ++at;
        return 3;
    }
    out[0] = static_cast<char>(0xE0 | unit >> 12);
    out[1] = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (unit & 0x3F));
    ++at;
    return 3;
}

enum class Utf8Stop { Until, Room, Terminator };

// A character at a time while at is below the address until.
inline Utf8Stop EncodeCharacters(const TextUnit*& at, uintptr_t until, char* out, uint32_t& written, uint32_t capacity)
{
    while (reinterpret_cast<uintptr_t>(at) < until) {
        if (capacity - written < Utf8Room) return Utf8Stop::Room;
        const uint32_t bytes = EncodeCharacter(at, out + written);
        if (bytes == 0) return Utf8Stop::Terminator;
        written += bytes;
    }
    return Utf8Stop::Until;
}

inline Utf8Piece EncodeUtf8Rest(const TextUnit* at, char* out, uint32_t written, uint32_t capacity)
{
    const Utf8Stop stop = EncodeCharacters(at, UINTPTR_MAX, out, written, capacity);
    return {at, written, stop == Utf8Stop::Terminator};
}

// A vector step writes a surrogate pair's character in two shares, three bytes
// from the high half's lane and the last from the low half's; where the steps
// stop between the two (at a low surrogate after a vector step that ended on
// its high one), this writes the last byte, which has room.
inline void FinishSplitPair(const TextUnit* start, const TextUnit*& at, char* out, uint32_t& written)
{
    if (at == start || !IsHighSurrogate(at[-1]) || !IsLowSurrogate(at[0])) return;
    out[written++] = static_cast<char>(0x80 | (at[0] & 0x3F));
    ++at;
}
