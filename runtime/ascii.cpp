// SPDX-License-Identifier: MIT
// The ASCII text passes for any processor: 32-bit words, one character at a time
// where a word will not do.
#include "runtime/ascii.h"

#include <cstring>

#include "runtime/text_steps.h"

namespace {

// x86 is little-endian: the word's low byte is the first in memory.
QV_WHOLE_BLOCK_READS uint32_t LoadWord(uintptr_t address)
{
    uint32_t word;
    std::memcpy(&word, reinterpret_cast<const void*>(address), sizeof word);
    return word;
}

// Nonzero when a byte of the word is zero; the lowest mark is exact, which is all
// the scans use.
uint32_t ZeroBytes(uint32_t word) { return (word - 0x01010101u) & ~word & 0x80808080u; }

}  // namespace

QV_WHOLE_BLOCK_READS TextScan ScanTextPortable(const char* bytes)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    const unsigned skip = start % 4;
    uintptr_t address = start - skip;
    // Bytes before start read as 0x01: not zero, and ASCII.
    const uint32_t before = (1u << (8 * skip)) - 1;
    uint32_t word = (LoadWord(address) & ~before) | (0x01010101u & before);
    uint32_t high = 0;
    uint32_t marks;
    while (!(marks = ZeroBytes(word))) {
        high |= word;
        word = LoadWord(address += 4);
    }
    const unsigned end = static_cast<unsigned>(__builtin_ctz(marks)) / 8;
    high |= word & Below(8 * end);
    return {address - start + end, (high & 0x80808080u) == 0};
}

// Whole words from the first 4-byte boundary on while they hold neither a zero
// nor a high byte and fit the room; byte by byte around them.
QV_WHOLE_BLOCK_READS TextCopy CopyAsciiPortable(const char* bytes, char* out, size_t room)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    for (size_t at = 0;;) {
        if ((start + at) % 4 == 0 && room - at >= 4) {
            const uint32_t word = LoadWord(start + at);
            if (!ZeroBytes(word) && !(word & 0x80808080u)) {
                std::memcpy(out + at, &word, 4);
                at += 4;
                continue;
            }
        }
        const unsigned char byte = static_cast<unsigned char>(bytes[at]);
        if (byte > 0x7F) return {at, CopyStop::HighByte};
        if (at == room) return {at, CopyStop::Room};
        out[at] = static_cast<char>(byte);
        if (byte == 0) return {at, CopyStop::Copied};
        ++at;
    }
}

void WidenAsciiPortable(const char* bytes, int32_t count, TextUnit* out) { WidenAsciiOneByOne(bytes, count, out); }

void NarrowAsciiPortable(const TextUnit* units, int32_t count, char* out) { NarrowAsciiOneByOne(units, count, out); }
