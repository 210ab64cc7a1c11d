// SPDX-License-Identifier: MIT
// What the forms of the text passes share: how they read whole blocks, the
// helpers of their vector steps, and the steps one at a time that finish them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/forms.h"

// The helpers of the AVX2 forms are always inlined. Before a call to a local
// function whose registers it knows (-fipa-ra), GCC 12 leaves out the VZEROUPPER,
// yet takes the upper halves for clean after the call, and then leaves it out
// before the return too: the form would return with them in use. A build that
// inlines less, as the sanitizers' does, showed it.
#define QV_INLINE [[gnu::always_inline]] inline

// The scans read the rest of the aligned block that holds the terminator: memory
// the text does not own, but on the same page, so the read cannot fault. String
// libraries scan the same way; AddressSanitizer would report those bytes, so the
// scans go unchecked (what they return is checked by the tests, under it too).
// One block at a time: each block read holds at least one byte of the text,
// which also keeps valgrind's memcheck content.
#define QV_WHOLE_BLOCK_READS [[gnu::no_sanitize_address]]

// The bits below bit count: those of the bytes before the first zero. Built from
// the zero's position, which memcheck knows to be defined, rather than from the
// marks themselves, whose bits past the terminator it takes as undefined.
QV_INLINE static uint32_t Below(unsigned count) { return (1u << count) - 1; }

// Copies count bytes, 1 to 32, from a block saved on the stack: two moves of
// the widest size that fits, overlapping, so that no loop runs.
QV_INLINE static void CopyFromSavedBlock(char* out, const char* from, size_t count)
{
    if (count >= 16) {
        std::memcpy(out, from, 16);
        std::memcpy(out + count - 16, from + count - 16, 16);
    } else if (count >= 8) {
        std::memcpy(out, from, 8);
        std::memcpy(out + count - 8, from + count - 8, 8);
    } else if (count >= 4) {
        std::memcpy(out, from, 4);
        std::memcpy(out + count - 4, from + count - 4, 4);
    } else {
        out[0] = from[0];
        out[count / 2] = from[count / 2];
        out[count - 1] = from[count - 1];
    }
}

// The end of a copy at the aligned block that holds its first mark, saved on the
// stack: the text's zero byte, or a high byte. at is where the block's bytes from
// first on go in out, and end is the mark's place in the block.
QV_INLINE static TextCopy CopyLastBlock(char* out, size_t room, size_t at, const char* saved, unsigned first,
                                        unsigned end)
{
    if (saved[end] != 0) return {at, CopyStop::HighByte};
    const size_t length = at + end - first;
    if (length >= room) return {at, CopyStop::Room};
    CopyFromSavedBlock(out + at, saved + first, end - first + 1);
    return {length, CopyStop::Copied};
}

// One character at a time: the portable forms, and the rest a vector form's
// steps leave.
static inline void WidenAsciiOneByOne(const char* bytes, int32_t count, TextUnit* out)
{
    for (int32_t i = 0; i < count; ++i) out[i] = static_cast<TextUnit>(static_cast<unsigned char>(bytes[i]));
}

static inline void NarrowAsciiOneByOne(const TextUnit* units, int32_t count, char* out)
{
    for (int32_t i = 0; i < count; ++i) out[i] = static_cast<char>(units[i]);
}

// Bytes from 0x80 to 0x9F, and units above 0xFF or from 0x80 to 0x9F.
QV_INLINE static bool DepartsFromLatin1(unsigned value) { return value > 0xFF || (value & 0xE0) == 0x80; }

static inline int32_t WidenLatin1OneByOne(const char* bytes, int32_t count, TextUnit* out)
{
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        if (DepartsFromLatin1(value)) return i;
        out[i] = static_cast<TextUnit>(value);
    }
    return count;
}

static inline int32_t NarrowLatin1OneByOne(const TextUnit* units, int32_t count, char* out)
{
    for (int32_t i = 0; i < count; ++i) {
        if (DepartsFromLatin1(units[i])) return i;
        out[i] = static_cast<char>(units[i]);
    }
    return count;
}
