// SPDX-License-Identifier: MIT
// The text passes, with an SSE2 form (baseline on x86-64, asked of the processor
// on 32-bit x86) and a portable form that works a 32-bit word at a time.
#include "runtime/ascii.h"

#include <cstring>

#include "runtime/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#define QV_HAVE_SSE2_FORM 1
#define QV_SSE2 [[gnu::target("sse2")]]
#endif

// The scans read the rest of the aligned block that holds the terminator: memory
// the text does not own, but on the same page, so the read cannot fault. String
// libraries scan the same way; AddressSanitizer would report those bytes, so the
// scans go unchecked (what they return is checked by the tests, under it too).
#define QV_WHOLE_BLOCK_READS [[gnu::no_sanitize_address]]

namespace {

// x86 is little-endian: the word's low byte is the first in memory.
QV_WHOLE_BLOCK_READS uint32_t LoadWord(uintptr_t address)
{
    uint32_t word;
    std::memcpy(&word, reinterpret_cast<const void*>(address), sizeof word);
    return word;
}

// Nonzero when a byte (or a 16-bit half) of the word is zero; the lowest set
// mark is exact, which is all the scans use.
uint32_t ZeroBytes(uint32_t word) { return (word - 0x01010101u) & ~word & 0x80808080u; }
uint32_t ZeroHalves(uint32_t word) { return (word - 0x00010001u) & ~word & 0x80008000u; }

// Position of the first zero of width bytes in the aligned words from address
// on, counted from start (which lies in the first word).
QV_WHOLE_BLOCK_READS size_t ScanWords(uintptr_t start, unsigned width)
{
    const uintptr_t skip = start % 4;
    uintptr_t address = start - skip;
    uint32_t word = LoadWord(address);
    // Bytes before start count as nonzero.
    word |= skip ? (1u << (8 * skip)) - 1 : 0u;
    for (;;) {
        const uint32_t marks = width == 1 ? ZeroBytes(word) : ZeroHalves(word);
        if (marks) return address - start + static_cast<unsigned>(__builtin_ctz(marks)) / 8 + 1 - width;
        address += 4;
        word = LoadWord(address);
    }
}

// Bytes from 0x80 to 0x9F, and units above 0xFF or from 0x80 to 0x9F: where a
// single-byte code page departs from Latin-1.
inline bool DepartsFromLatin1(unsigned value) { return value > 0xFF || (value >= 0x80 && value < 0xA0); }

#if defined(QV_HAVE_SSE2_FORM)
// 0xFF in every byte of the block's zero bytes (width 1) or zero 16-bit units (width 2).
QV_SSE2 QV_WHOLE_BLOCK_READS inline __m128i ZeroMarks(uintptr_t address, unsigned width)
{
    const __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(address));
    const __m128i zero = _mm_setzero_si128();
    return width == 1 ? _mm_cmpeq_epi8(block, zero) : _mm_cmpeq_epi16(block, zero);
}

QV_SSE2 inline uint32_t MarkBits(__m128i marks) { return static_cast<uint32_t>(_mm_movemask_epi8(marks)); }

// The same with 16-byte blocks. One block at a time: each block read holds at
// least one byte of the text, which also keeps valgrind's memcheck content.
QV_SSE2 QV_WHOLE_BLOCK_READS size_t ScanBlocks(uintptr_t start, unsigned width)
{
    const unsigned skip = static_cast<unsigned>(start % 16);
    uintptr_t address = start - skip;
    uint32_t marks = MarkBits(ZeroMarks(address, width)) >> skip << skip;
    while (!marks) marks = MarkBits(ZeroMarks(address += 16, width));
    return address - start + static_cast<unsigned>(__builtin_ctz(marks));
}

QV_SSE2 bool WidenAsciiSse2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        if (_mm_movemask_epi8(chunk)) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    }
    unsigned rest = 0;
    for (; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        rest |= value;
        out[i] = static_cast<TextUnit>(value);
    }
    return rest < 0x80;
}

QV_SSE2 bool NarrowAsciiSse2(const TextUnit* units, int32_t count, char* out)
{
    // ASCII when no unit has a bit set above the low seven.
    const __m128i above = _mm_set1_epi16(static_cast<short>(0xFF80));
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        const __m128i high = _mm_and_si128(_mm_or_si128(low, next), above);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)) != 0xFFFF) return false;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
    }
    unsigned rest = 0;
    for (; i < count; ++i) {
        rest |= units[i];
        out[i] = static_cast<char>(units[i]);
    }
    return rest < 0x80;
}

QV_SSE2 int32_t WidenLatin1Sse2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i last = _mm_set1_epi8(0x1F);
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
        // byte - 0x80 is at most 0x1F exactly for the bytes 0x80 to 0x9F.
        const __m128i shifted = _mm_sub_epi8(chunk, bias);
        const uint32_t marks = MarkBits(_mm_cmpeq_epi8(_mm_min_epu8(shifted, last), shifted));
        if (marks) return i + __builtin_ctz(marks);
    }
    for (; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        if (DepartsFromLatin1(value)) return i;
        out[i] = static_cast<TextUnit>(value);
    }
    return count;
}

QV_SSE2 int32_t NarrowLatin1Sse2(const TextUnit* units, int32_t count, char* out)
{
    // Signed comparisons see units biased by 0x8000 in the order of the unsigned ones.
    const __m128i bias = _mm_set1_epi16(static_cast<short>(0x8000));
    const __m128i highest = _mm_set1_epi16(static_cast<short>(0x00FF ^ 0x8000));
    const __m128i control = _mm_set1_epi16(static_cast<short>(0x0080));
    const __m128i controls = _mm_set1_epi16(static_cast<short>(0x0020 ^ 0x8000));
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        __m128i marks[2];
        const __m128i halves[2] = {low, next};
        for (int half = 0; half < 2; ++half) {
            const __m128i above = _mm_cmpgt_epi16(_mm_xor_si128(halves[half], bias), highest);
            const __m128i c1 = _mm_cmplt_epi16(_mm_xor_si128(_mm_sub_epi16(halves[half], control), bias), controls);
            marks[half] = _mm_or_si128(above, c1);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
        const uint32_t departs = MarkBits(_mm_packs_epi16(marks[0], marks[1]));
        if (departs) return i + __builtin_ctz(departs);
    }
    for (; i < count; ++i) {
        if (DepartsFromLatin1(units[i])) return i;
        out[i] = static_cast<char>(units[i]);
    }
    return count;
}
#endif

}  // namespace

bool WidenAsciiWords(const char* bytes, int32_t count, TextUnit* out)
{
    uint32_t high = 0;
    int32_t i = 0;
    for (; count - i >= 4; i += 4) {
        uint32_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        high |= word;
        const TextUnit units[4] = {static_cast<TextUnit>(word & 0xFF), static_cast<TextUnit>(word >> 8 & 0xFF),
                                   static_cast<TextUnit>(word >> 16 & 0xFF), static_cast<TextUnit>(word >> 24)};
        std::memcpy(out + i, units, sizeof units);
    }
    for (; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        high |= value;
        out[i] = static_cast<TextUnit>(value);
    }
    return (high & 0x80808080u) == 0;
}

bool NarrowAsciiWords(const TextUnit* units, int32_t count, char* out)
{
    uint32_t high = 0;
    int32_t i = 0;
    for (; count - i >= 4; i += 4) {
        uint32_t pair[2];
        std::memcpy(pair, units + i, sizeof pair);
        high |= pair[0] | pair[1];
        const uint32_t word =
            (pair[0] & 0xFF) | (pair[0] >> 8 & 0xFF00) | (pair[1] & 0xFF) << 16 | (pair[1] >> 16 & 0xFF) << 24;
        std::memcpy(out + i, &word, sizeof word);
    }
    for (; i < count; ++i) {
        high |= units[i];
        out[i] = static_cast<char>(units[i]);
    }
    // ASCII when no unit has a bit set above the low seven.
    return (high & 0xFF80FF80u) == 0;
}

int32_t WidenLatin1Words(const char* bytes, int32_t count, TextUnit* out)
{
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        if (DepartsFromLatin1(value)) return i;
        out[i] = static_cast<TextUnit>(value);
    }
    return count;
}

int32_t NarrowLatin1Words(const TextUnit* units, int32_t count, char* out)
{
    for (int32_t i = 0; i < count; ++i) {
        if (DepartsFromLatin1(units[i])) return i;
        out[i] = static_cast<char>(units[i]);
    }
    return count;
}

size_t BytesBeforeZeroWords(const char* bytes) { return ScanWords(reinterpret_cast<uintptr_t>(bytes), 1); }

int32_t UnitsBeforeZeroWords(const TextUnit* units)
{
    return static_cast<int32_t>(ScanWords(reinterpret_cast<uintptr_t>(units), 2) / 2);
}

size_t BytesBeforeZero(const char* bytes)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
#if defined(QV_HAVE_SSE2_FORM)
    if (CpuHasSse2()) return ScanBlocks(start, 1);
#endif
    return BytesBeforeZeroWords(bytes);
}

int32_t UnitsBeforeZero(const TextUnit* units)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(units);
#if defined(QV_HAVE_SSE2_FORM)
    if (CpuHasSse2()) return static_cast<int32_t>(ScanBlocks(start, 2) / 2);
#endif
    return UnitsBeforeZeroWords(units);
}

// The SSE2 form where the processor has it, the word form otherwise.
#if defined(QV_HAVE_SSE2_FORM)
#define QV_CHOSEN_FORM(sse2, words, ...) (CpuHasSse2() ? sse2(__VA_ARGS__) : words(__VA_ARGS__))
#else
#define QV_CHOSEN_FORM(sse2, words, ...) words(__VA_ARGS__)
#endif

bool WidenAscii(const char* bytes, int32_t count, TextUnit* out)
{
    return QV_CHOSEN_FORM(WidenAsciiSse2, WidenAsciiWords, bytes, count, out);
}

bool NarrowAscii(const TextUnit* units, int32_t count, char* out)
{
    return QV_CHOSEN_FORM(NarrowAsciiSse2, NarrowAsciiWords, units, count, out);
}

int32_t WidenLatin1(const char* bytes, int32_t count, TextUnit* out)
{
    return QV_CHOSEN_FORM(WidenLatin1Sse2, WidenLatin1Words, bytes, count, out);
}

int32_t NarrowLatin1(const TextUnit* units, int32_t count, char* out)
{
    return QV_CHOSEN_FORM(NarrowLatin1Sse2, NarrowLatin1Words, units, count, out);
}

#undef QV_CHOSEN_FORM
#undef QV_WHOLE_BLOCK_READS
#if defined(QV_HAVE_SSE2_FORM)
#undef QV_SSE2
#undef QV_HAVE_SSE2_FORM
#endif
