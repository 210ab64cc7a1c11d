// SPDX-License-Identifier: MIT
// The ASCII text passes in three forms: AVX2 (32 bytes a step), SSE2 (16; the
// baseline on x86-64, asked of the processor on 32-bit x86) and 32-bit words.
#include "runtime/ascii.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define QV_X86_FORMS 1
#define QV_SSE2 [[gnu::target("sse2")]]
#define QV_AVX2 [[gnu::target("avx2")]]
#endif
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

// The bits below bit count: those of the bytes before the first zero. Built from
// the zero's position, which memcheck knows to be defined, rather than from the
// marks themselves, whose bits past the terminator it takes as undefined.
QV_INLINE uint32_t Below(unsigned count) { return (1u << count) - 1; }

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

// Copies count bytes, 1 to 32, from a block saved on the stack: two moves of
// the widest size that fits, overlapping, so that no loop runs.
QV_INLINE void CopyFromSavedBlock(char* out, const char* from, size_t count)
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
QV_INLINE TextCopy CopyLastBlock(char* out, size_t room, size_t at, const char* saved, unsigned first, unsigned end)
{
    if (saved[end] != 0) return {at, CopyStop::HighByte};
    const size_t length = at + end - first;
    if (length >= room) return {at, CopyStop::Room};
    CopyFromSavedBlock(out + at, saved + first, end - first + 1);
    return {length, CopyStop::Copied};
}

void WidenAsciiPortable(const char* bytes, int32_t count, TextUnit* out)
{
    for (int32_t i = 0; i < count; ++i) out[i] = static_cast<TextUnit>(static_cast<unsigned char>(bytes[i]));
}

void NarrowAsciiPortable(const TextUnit* units, int32_t count, char* out)
{
    for (int32_t i = 0; i < count; ++i) out[i] = static_cast<char>(units[i]);
}

#if defined(QV_X86_FORMS)
QV_SSE2 QV_WHOLE_BLOCK_READS TextScan ScanTextSse2(const char* bytes)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    const unsigned skip = start % 16;
    uintptr_t address = start - skip;
    const __m128i zero = _mm_setzero_si128();
    __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(address));
    uint32_t zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero))) >> skip << skip;
    uint32_t high = static_cast<uint32_t>(_mm_movemask_epi8(block)) >> skip << skip;
    uint32_t seen = 0;
    if (!zeros) {
        // The blocks between the first and the last are wholly the text's.
        __m128i between = zero;
        seen = high;
        for (;;) {
            block = _mm_load_si128(reinterpret_cast<const __m128i*>(address += 16));
            zeros = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)));
            if (zeros) break;
            between = _mm_or_si128(between, block);
        }
        seen |= static_cast<uint32_t>(_mm_movemask_epi8(between));
        high = static_cast<uint32_t>(_mm_movemask_epi8(block));
    }
    const unsigned end = static_cast<unsigned>(__builtin_ctz(zeros));
    seen |= high & Below(end);
    return {address - start + end, seen == 0};
}

// The scan's aligned blocks, each stored whole at its place in out while it
// holds neither a zero nor a high byte. Of the first block only the bytes from
// the text's start are the text's: they go to out from a copy on the stack, so
// that no read leaves an aligned block (where the text may already have ended).
QV_SSE2 QV_WHOLE_BLOCK_READS TextCopy CopyAsciiSse2(const char* bytes, char* out, size_t room)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    const unsigned skip = start % 16;
    uintptr_t address = start - skip;
    const __m128i zero = _mm_setzero_si128();
    __m128i block = _mm_load_si128(reinterpret_cast<const __m128i*>(address));
    // A byte's mark: zero, or above 0x7F.
    uint32_t marks = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, zero), block)));
    marks = marks >> skip << skip;
    if (!marks) {
        if (room < 16) return {0, CopyStop::Room};
        char head[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(head), block);
        CopyFromSavedBlock(out, head + skip, 16 - skip);
        for (;;) {
            block = _mm_load_si128(reinterpret_cast<const __m128i*>(address += 16));
            marks = static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, zero), block)));
            if (marks) break;
            const size_t at = address - start;
            if (room - at < 16) return {at, CopyStop::Room};
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), block);
        }
    }
    char saved[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(saved), block);
    const unsigned first = address < start ? skip : 0;
    return CopyLastBlock(out, room, address + first - start, saved, first, static_cast<unsigned>(__builtin_ctz(marks)));
}

QV_SSE2 void WidenAsciiSse2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    }
    WidenAsciiPortable(bytes + i, count - i, out + i);
}

QV_SSE2 void NarrowAsciiSse2(const TextUnit* units, int32_t count, char* out)
{
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
    }
    NarrowAsciiPortable(units + i, count - i, out + i);
}

QV_AVX2 QV_WHOLE_BLOCK_READS TextScan ScanTextAvx2(const char* bytes)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    const unsigned skip = start % 32;
    uintptr_t address = start - skip;
    const __m256i zero = _mm256_setzero_si256();
    __m256i block = _mm256_load_si256(reinterpret_cast<const __m256i*>(address));
    uint32_t zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, zero))) >> skip << skip;
    uint32_t high = static_cast<uint32_t>(_mm256_movemask_epi8(block)) >> skip << skip;
    uint32_t seen = 0;
    if (!zeros) {
        __m256i between = zero;
        seen = high;
        for (;;) {
            block = _mm256_load_si256(reinterpret_cast<const __m256i*>(address += 32));
            zeros = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(block, zero)));
            if (zeros) break;
            between = _mm256_or_si256(between, block);
        }
        seen |= static_cast<uint32_t>(_mm256_movemask_epi8(between));
        high = static_cast<uint32_t>(_mm256_movemask_epi8(block));
    }
    const unsigned end = static_cast<unsigned>(__builtin_ctz(zeros));
    seen |= high & Below(end);
    return {address - start + end, seen == 0};
}

QV_AVX2 QV_WHOLE_BLOCK_READS TextCopy CopyAsciiAvx2(const char* bytes, char* out, size_t room)
{
    const uintptr_t start = reinterpret_cast<uintptr_t>(bytes);
    const unsigned skip = start % 32;
    uintptr_t address = start - skip;
    const __m256i zero = _mm256_setzero_si256();
    __m256i block = _mm256_load_si256(reinterpret_cast<const __m256i*>(address));
    uint32_t marks =
        static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(block, zero), block)));
    marks = marks >> skip << skip;
    if (!marks) {
        if (room < 32) return {0, CopyStop::Room};
        char head[32];
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(head), block);
        CopyFromSavedBlock(out, head + skip, 32 - skip);
        for (;;) {
            block = _mm256_load_si256(reinterpret_cast<const __m256i*>(address += 32));
            marks = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi8(block, zero), block)));
            if (marks) break;
            const size_t at = address - start;
            if (room - at < 32) return {at, CopyStop::Room};
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + at), block);
        }
    }
    // Unaligned: a 32-byte local would make the frame realign itself, and 64-bit
    // Windows GCC does not always do that right (GCC bug 54412).
    char saved[32];
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(saved), block);
    const unsigned first = address < start ? skip : 0;
    return CopyLastBlock(out, room, address + first - start, saved, first, static_cast<unsigned>(__builtin_ctz(marks)));
}

// 16 bytes become 16 units in one YMM register. A short rest is converted by a
// last step that overlaps the one before: it writes the same units again.
QV_AVX2 QV_INLINE void WidenSixteen(const char* bytes, TextUnit* out)
{
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_cvtepu8_epi16(chunk));
}

QV_AVX2 void WidenAsciiAvx2(const char* bytes, int32_t count, TextUnit* out)
{
    if (count < 16) {
        WidenAsciiPortable(bytes, count, out);
        return;
    }
    int32_t i = 0;
    for (; count - i >= 16; i += 16) WidenSixteen(bytes + i, out + i);
    if (i < count) WidenSixteen(bytes + count - 16, out + count - 16);
}

// 32 units packed to bytes; the pack works within 128-bit lanes, so the middle
// quarters change places afterwards.
QV_AVX2 QV_INLINE void NarrowThirtyTwo(const TextUnit* units, char* out)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + 16));
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, next), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
}

QV_AVX2 QV_INLINE void NarrowSixteen(const TextUnit* units, char* out)
{
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, next));
}

QV_AVX2 void NarrowAsciiAvx2(const TextUnit* units, int32_t count, char* out)
{
    if (count < 16) {
        NarrowAsciiPortable(units, count, out);
        return;
    }
    int32_t i = 0;
    for (; count - i >= 32; i += 32) NarrowThirtyTwo(units + i, out + i);
    if (count - i >= 16) {
        NarrowSixteen(units + i, out + i);
        i += 16;
    }
    if (i < count) NarrowSixteen(units + count - 16, out + count - 16);
}
#endif

}  // namespace

#if defined(QV_X86_FORMS)
constexpr CpuForm<ScanTextRoutine> ScanTextForms[TextPassForms] = {
    {"avx2", CpuAvx2, ScanTextAvx2}, {"sse2", CpuSse2, ScanTextSse2}, {"portable", 0, ScanTextPortable}};
constexpr CpuForm<CopyAsciiRoutine> CopyAsciiForms[TextPassForms] = {
    {"avx2", CpuAvx2, CopyAsciiAvx2}, {"sse2", CpuSse2, CopyAsciiSse2}, {"portable", 0, CopyAsciiPortable}};
constexpr CpuForm<WidenRoutine> WidenAsciiForms[TextPassForms] = {
    {"avx2", CpuAvx2, WidenAsciiAvx2}, {"sse2", CpuSse2, WidenAsciiSse2}, {"portable", 0, WidenAsciiPortable}};
constexpr CpuForm<NarrowRoutine> NarrowAsciiForms[TextPassForms] = {
    {"avx2", CpuAvx2, NarrowAsciiAvx2}, {"sse2", CpuSse2, NarrowAsciiSse2}, {"portable", 0, NarrowAsciiPortable}};
#else
constexpr CpuForm<ScanTextRoutine> ScanTextForms[TextPassForms] = {{"portable", 0, ScanTextPortable}};
constexpr CpuForm<CopyAsciiRoutine> CopyAsciiForms[TextPassForms] = {{"portable", 0, CopyAsciiPortable}};
constexpr CpuForm<WidenRoutine> WidenAsciiForms[TextPassForms] = {{"portable", 0, WidenAsciiPortable}};
constexpr CpuForm<NarrowRoutine> NarrowAsciiForms[TextPassForms] = {{"portable", 0, NarrowAsciiPortable}};
#endif

constinit TextPasses textPasses = {
    ChooseOnFirstUse<textPasses, &TextPasses::scan, ScanTextForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::copy, CopyAsciiForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::widen, WidenAsciiForms>::Run,
    ChooseOnFirstUse<textPasses, &TextPasses::narrow, NarrowAsciiForms>::Run,
};

#undef QV_WHOLE_BLOCK_READS
#undef QV_INLINE
#if defined(QV_X86_FORMS)
#undef QV_AVX2
#undef QV_SSE2
#undef QV_X86_FORMS
#endif
