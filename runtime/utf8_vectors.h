// SPDX-License-Identifier: MIT
// The vector steps of UTF-16 to UTF-8, written once over GCC's vector types for
// every vector form. A form's file defines QV_UTF8_FORM, the target attribute of
// its instruction set, includes this header once and passes EncodeUtf8Vectors a
// record of the few steps that depend on the vector's width (Utf8Steps128 here,
// or its own).
#pragma once
#include <immintrin.h>

#include <cstdint>

#include "runtime/utf8_steps.h"

#if !defined(QV_UTF8_FORM)
#error "a form's file defines QV_UTF8_FORM before it includes runtime/utf8_vectors.h"
#endif

// The shuffle that gathers four units' bytes from one 128-bit vector holding each
// unit's bytes in a 32-bit lane (the first of three, a zero, the middle, the
// last), by two bits a unit from the first unit up: bit 0 set for one byte, bit
// 1 for at most two. A unit keeps its last length bytes. Byte 15, past the 12
// that four units take at the most, holds the count of bytes; what the shuffle
// puts there is written over by the next store, or lies past the piece's bytes.
struct Utf8Shuffle {
    alignas(16) uint8_t control[16];
};

struct Utf8Shuffles {
    Utf8Shuffle byMarks[256];
};

constexpr Utf8Shuffles MakeUtf8Shuffles()
{
    Utf8Shuffles table{};
    for (uint32_t marks = 0; marks < 256; ++marks) {
        uint8_t* control = table.byMarks[marks].control;
        uint8_t count = 0;
        for (uint8_t unit = 0; unit < 4; ++unit) {
            const uint32_t mark = marks >> 2 * unit & 3;
            const uint32_t length = mark & 1 ? 1 : mark & 2 ? 2 : 3;
            if (length == 3) control[count++] = static_cast<uint8_t>(4 * unit);
            if (length >= 2) control[count++] = static_cast<uint8_t>(4 * unit + 2);
            control[count++] = static_cast<uint8_t>(4 * unit + 3);
        }
        for (uint8_t i = count; i < 15; ++i) control[i] = 0x80;
        control[15] = count;
    }
    return table;
}

inline constexpr Utf8Shuffles Utf8ShuffleTable = MakeUtf8Shuffles();

namespace {

#define QV_UTF8_STEP QV_UTF8_FORM [[gnu::always_inline]] inline

// Two vectors of units of 16 bytes each, from an aligned block of 32. Shuffles:
// the form has PSHUFB and PALIGNR (SSSE3) and encodes every character this way;
// without them only runs of ASCII.
template <bool WithShuffles>
struct Utf8Steps128 {
    using Units = uint16_t __attribute__((vector_size(16)));
    using Mask = int16_t __attribute__((vector_size(16)));
    using Bytes = int8_t __attribute__((vector_size(16)));
    static constexpr Bytes HighBytes = {0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1};
    static constexpr Units LaneIndex = {0, 1, 2, 3, 4, 5, 6, 7};
    static constexpr uint32_t Lanes = 8;
    static constexpr bool Shuffles = WithShuffles;

    QV_UTF8_STEP static Units Load(const TextUnit* at) { return (Units)_mm_load_si128((const __m128i*)at); }
    QV_UTF8_STEP static Units LoadUnaligned(const TextUnit* at) { return (Units)_mm_loadu_si128((const __m128i*)at); }
    QV_UTF8_STEP static bool Any(Mask mask) { return _mm_movemask_epi8((__m128i)mask) != 0; }
    QV_UTF8_STEP static bool All(Bytes mask) { return _mm_movemask_epi8((__m128i)mask) == 0xFFFF; }
    QV_UTF8_STEP static uint32_t Marks(Bytes marks) { return static_cast<uint32_t>(_mm_movemask_epi8((__m128i)marks)); }
    // Units to bytes with unsigned saturation, in order.
    QV_UTF8_STEP static Bytes Pack(Units low, Units high)
    {
        return (Bytes)_mm_packus_epi16((__m128i)low, (__m128i)high);
    }
    QV_UTF8_STEP static void StorePacked(char* out, Bytes packed) { _mm_storeu_si128((__m128i*)out, (__m128i)packed); }
    // Lane i holds unit i - 1; the first, the last of previous.
    QV_UTF8_STEP static Units Preceding(Units previous, Units units)
    {
        return (Units)_mm_alignr_epi8((__m128i)units, (__m128i)previous, 14);
    }
    // The units' first bytes beside the rest, four units to a vector, in text order.
    QV_UTF8_STEP static __m128i Group(Units first, Units rest, uint32_t group)
    {
        return group ? _mm_unpackhi_epi16((__m128i)first, (__m128i)rest)
                     : _mm_unpacklo_epi16((__m128i)first, (__m128i)rest);
    }
};

// The steps' constants in every lane, made once before the loop and hidden from
// the compiler, which would otherwise build each anew (three instructions) at
// every use for want of registers; a constant it cannot keep in one is read
// from the stack as an operand instead.
template <typename Steps>
struct Utf8Constants {
    using Units = typename Steps::Units;
    Units low6;          // 0x3F: the bits of a continuation byte
    Units continuation;  // 0x80
    Units twoLead;       // 0xC0: the lead of two bytes
    Units threeLead;     // 0xE0: the lead of three
    Units surrogateTop;  // 0x1B: a surrogate's bits above bit 11
    Units highTop;       // 0x36: a high surrogate's bits above bit 10
    Units lowTop;        // 0x37: a low one's
    Units replacement;   // 0xFFFD
    Units pairOffset;    // 0x8400 (see EncodeVector)
};

template <typename Units>
QV_UTF8_STEP Units Hidden(uint16_t value)
{
    Units units = Units{} + value;
    __asm__("" : "+x"(units));
    return units;
}

template <typename Steps>
QV_UTF8_STEP Utf8Constants<Steps> MakeUtf8Constants()
{
    using Units = typename Steps::Units;
    return {Hidden<Units>(0x3F), Hidden<Units>(0x80), Hidden<Units>(0xC0),   Hidden<Units>(0xE0),  Hidden<Units>(0x1B),
            Hidden<Units>(0x36), Hidden<Units>(0x37), Hidden<Units>(0xFFFD), Hidden<Units>(0x8400)};
}

// Writes a vector of code points below 0x10000 as UTF-8, but for the lanes of
// the pairs' halves (see EncodeVector): those of pairedHigh take three bytes
// with the lead F0 rather than E0, those of pairedLow one, the last of a
// character's. The end of what it wrote: 3 bytes a lane at the most, with the
// last store reaching 12 bytes past the last 4. Its tests are shifts, which
// take no constant.
template <typename Steps>
QV_UTF8_STEP char* WriteCharacters(const Utf8Constants<Steps>& k, typename Steps::Units value,
                                   typename Steps::Mask pairedHigh, typename Steps::Mask pairedLow, char* out)
{
    using Units = typename Steps::Units;
    using Mask = typename Steps::Mask;
    using Bytes = typename Steps::Bytes;
    const Mask ascii = (value >> 7) == 0;
    const Mask upToTwo = ((value >> 11) == 0) & ~pairedHigh;
    // A lane's bytes: the first of three; the middle of three, or the first of
    // two; the last, or the only one. A mask lane is -1, so subtracting it
    // shifted left adds the bit.
    const Units first = ((value >> 12) | k.threeLead) - (Units)(pairedHigh << 4);
    const Units middle = ((value >> 6) & k.low6) | (upToTwo ? k.twoLead : k.continuation);
    const Units last = ascii ? value : (value & k.low6) | k.continuation;
    const Units rest = middle | last << 8;
    // Each lane's one-byte mark in its low byte, upToTwo in its high one; the
    // marks of each group of four, 16 times over, are the offset of its shuffle.
    const uint32_t marks = Steps::Marks(Steps::HighBytes ? (Bytes)upToTwo : (Bytes)(ascii | pairedLow));
    const uint8_t* const shuffles = Utf8ShuffleTable.byMarks[0].control;
    for (uint32_t group = 0; group < Steps::Lanes / 4; ++group) {
        const uint32_t offset = group ? marks >> (8 * group - 4) & 0xFF0 : marks << 4 & 0xFF0;
        const uint8_t* shuffle = shuffles + offset;
        const __m128i control = _mm_load_si128((const __m128i*)shuffle);
        _mm_storeu_si128((__m128i*)out, _mm_shuffle_epi8(Steps::Group(first, rest, group), control));
        out += shuffle[15];
    }
    return out;
}

// What EncodeVector wrote: the end of its bytes, and its pairs' high halves, of
// which the last lane's may pair with the next vector's first.
template <typename Steps>
struct EncodedVector {
    char* end;
    typename Steps::Mask pairedHigh;
};

// The vector of units at at into out, whatever they hold, as WriteCharacters
// writes. previousHigh is the pairedHigh of the vector before it where a vector
// step wrote that one, else zero: a character at a time never stops within a
// pair. The unit after the vector is the text's.
template <typename Steps>
QV_UTF8_STEP EncodedVector<Steps> EncodeVector(const Utf8Constants<Steps>& k, const TextUnit* at,
                                               typename Steps::Units units, typename Steps::Mask previousHigh,
                                               char* out)
{
    using Units = typename Steps::Units;
    using Mask = typename Steps::Mask;
    // Surrogates are D800 to DFFF: 0x1B above bit 11; high ones 0x36 above bit
    // 10, low ones 0x37.
    const Mask surrogate = (units >> 11) == k.surrogateTop;
    if (!Steps::Any(surrogate)) return {WriteCharacters<Steps>(k, units, Mask{}, Mask{}, out), Mask{}};
    const Units after = Steps::LoadUnaligned(at + 1);
    const Mask pairedHigh = ((units >> 10) == k.highTop) & ((after >> 10) == k.lowTop);
    // A low half is paired where the unit before it is a paired high half.
    const Mask pairedLow = (Mask)Steps::Preceding((Units)previousHigh, (Units)pairedHigh);
    // An unpaired surrogate is U+FFFD. A pair's character c = 0x10000 +
    // (high - 0xD800) * 0x400 + low - 0xDC00 takes the high half's lane for its
    // first three bytes, as a 3-byte character of c >> 6 whose lead has F0 for
    // E0: that is (c >> 10) << 4 = (high << 4) + 0x8400 modulo 0x10000, with the
    // low half's bits 6 to 9 below it. The low half's lane keeps its own last
    // byte, 80 and its six lowest bits.
    Units value = surrogate & ~(pairedHigh | pairedLow) ? k.replacement : units;
    value = pairedHigh ? ((units << 4) + k.pairOffset) | (after << 6) >> 12 : value;
    return {WriteCharacters<Steps>(k, value, pairedHigh, pairedLow, out), pairedHigh};
}

// The vector at at, read unaligned, for a text's first units: a short text then
// takes one vector step rather than a character at a time. Where at holds the
// terminator, the units from it on are taken as zeros, a zero byte each that
// the count leaves out; the units past it are read from its page. False, with
// nothing done, where the vector and the unit after it cross into the next page
// or out has too little room.
template <typename Steps>
QV_UTF8_STEP bool EncodeHead(const Utf8Constants<Steps>& k, const TextUnit*& at, char* out, uint32_t& written,
                             uint32_t capacity)
{
    using Units = typename Steps::Units;
    using Bytes = typename Steps::Bytes;
    constexpr uintptr_t Page = 4096;
    if (reinterpret_cast<uintptr_t>(at) % Page > Page - sizeof(Units) - sizeof(TextUnit)) return false;
    if (capacity - written < 3 * Steps::Lanes + 12) return false;
    const Units units = Steps::LoadUnaligned(at);
    const uint32_t zeros = Steps::Marks((Bytes)(units == 0));
    const uint32_t count = zeros ? static_cast<uint32_t>(__builtin_ctz(zeros)) / 2 : Steps::Lanes;
    const Units live = Steps::LaneIndex < static_cast<uint16_t>(count) ? units : Units{};
    const char* end = EncodeVector<Steps>(k, at, live, typename Steps::Mask{}, out + written).end;
    written = static_cast<uint32_t>(end - out) - (Steps::Lanes - count);
    at += count;
    return true;
}

// The vector forms' encoder: a character at a time up to an aligned block of two
// vectors, then a block a step, plain ASCII packed at once, any other block with
// EncodeVector where the form has the shuffles; a block holding the terminator,
// or one that may not fit, and the rest a character at a time.
template <typename Steps>
QV_UTF8_FORM QV_WHOLE_BLOCK_READS inline Utf8Piece EncodeUtf8Vectors(const TextUnit* units, char* out,
                                                                     uint32_t capacity)
{
    using Units = typename Steps::Units;
    using Mask = typename Steps::Mask;
    using Bytes = typename Steps::Bytes;
    constexpr uint32_t Lanes = Steps::Lanes;
    constexpr uintptr_t Block = 2 * sizeof(Units);
    // Three bytes a unit; the last store reaches 12 bytes past four units' 4.
    constexpr uint32_t BlockRoom = 6 * Lanes + 12;
    const TextUnit* at = units;
    uint32_t written = 0;
    const Utf8Constants<Steps> k = MakeUtf8Constants<Steps>();
    if constexpr (Steps::Shuffles) {
        if (EncodeHead<Steps>(k, at, out, written, capacity)) {
            if (*at == 0) return {at, written, true};
            FinishSplitPair(units, at, out, written);
        }
    }
    for (;;) {
        Utf8Stop stop =
            EncodeCharacters(at, (reinterpret_cast<uintptr_t>(at) + Block - 1) & ~(Block - 1), out, written, capacity);
        if (stop != Utf8Stop::Until) return {at, written, stop == Utf8Stop::Terminator};
        if (reinterpret_cast<uintptr_t>(at) % Block) continue;  // a surrogate pair stepped past the boundary
        Mask previousHigh{};
        // The last address a block may start its bytes at; below out where the
        // piece has no room for one.
        const uintptr_t last = capacity >= BlockRoom ? reinterpret_cast<uintptr_t>(out) + capacity - BlockRoom : 0;
        char* to = out + written;
        while (reinterpret_cast<uintptr_t>(to) <= last) {
            // Both vectors come from one aligned block: the second, read before the
            // first is known to hold no terminator, shares its cache line and page.
            const Units low = Steps::Load(at);
            const Units high = Steps::Load(at + Lanes);
            // The pack saturates: a unit above 0xFF becomes FF, one of 0x8000 or
            // more 00, so its bytes are all above zero as signed bytes only where
            // the units are all ASCII and none is the terminator.
            const Bytes packed = Steps::Pack(low, high);
            if (Steps::All(packed > 0)) {
                Steps::StorePacked(to, packed);
                to += 2 * Lanes;
                at += 2 * Lanes;
                previousHigh = Mask{};
                // A run of ASCII goes on two blocks a step, from an aligned pair of
                // them on one page, while it lasts.
                while (reinterpret_cast<uintptr_t>(at) % (2 * Block) == 0 && reinterpret_cast<uintptr_t>(to) <= last) {
                    const Bytes first = Steps::Pack(Steps::Load(at), Steps::Load(at + Lanes));
                    const Bytes second = Steps::Pack(Steps::Load(at + 2 * Lanes), Steps::Load(at + 3 * Lanes));
                    if (!Steps::All((first > 0) & (second > 0))) break;
                    Steps::StorePacked(to, first);
                    Steps::StorePacked(to + 2 * Lanes, second);
                    to += 4 * Lanes;
                    at += 4 * Lanes;
                }
            } else if constexpr (Steps::Shuffles) {
                if (Steps::Any((low == 0) | (high == 0))) break;
                // No terminator in the block, so the unit after it is the text's.
                const EncodedVector<Steps> first = EncodeVector<Steps>(k, at, low, previousHigh, to);
                const EncodedVector<Steps> second =
                    EncodeVector<Steps>(k, at + Lanes, high, first.pairedHigh, first.end);
                to = second.end;
                at += 2 * Lanes;
                previousHigh = second.pairedHigh;
            } else {
                break;
            }
        }
        written = static_cast<uint32_t>(to - out);
        FinishSplitPair(units, at, out, written);
        stop = EncodeCharacters(at, reinterpret_cast<uintptr_t>(at) + Block, out, written, capacity);
        if (stop != Utf8Stop::Until) return {at, written, stop == Utf8Stop::Terminator};
    }
}

#undef QV_UTF8_STEP

}  // namespace
