// SPDX-License-Identifier: MIT
// The ASCII text passes with SSE2, 16 bytes a step: the baseline on x86-64, asked
// of the processor on 32-bit x86.
#include "runtime/ascii.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "runtime/text_steps.h"

[[gnu::target("sse2")]] QV_WHOLE_BLOCK_READS TextScan ScanTextSse2(const char* bytes)
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
[[gnu::target("sse2")]] QV_WHOLE_BLOCK_READS TextCopy CopyAsciiSse2(const char* bytes, char* out, size_t room)
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

[[gnu::target("sse2")]] void WidenAsciiSse2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m128i zero = _mm_setzero_si128();
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    }
    WidenAsciiOneByOne(bytes + i, count - i, out + i);
}

[[gnu::target("sse2")]] void NarrowAsciiSse2(const TextUnit* units, int32_t count, char* out)
{
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
    }
    NarrowAsciiOneByOne(units + i, count - i, out + i);
}
#endif
