// SPDX-License-Identifier: MIT
// The ASCII text passes with AVX2, 32 bytes a step.
#include "runtime/ascii.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "runtime/text_steps.h"

[[gnu::target("avx2")]] QV_WHOLE_BLOCK_READS TextScan ScanTextAvx2(const char* bytes)
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

[[gnu::target("avx2")]] QV_WHOLE_BLOCK_READS TextCopy CopyAsciiAvx2(const char* bytes, char* out, size_t room)
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

namespace {

// 16 bytes become 16 units in one YMM register. A short rest is converted by a
// last step that overlaps the one before: it writes the same units again.
[[gnu::target("avx2")]] QV_INLINE void WidenSixteen(const char* bytes, TextUnit* out)
{
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_cvtepu8_epi16(chunk));
}

}  // namespace

[[gnu::target("avx2")]] void WidenAsciiAvx2(const char* bytes, int32_t count, TextUnit* out)
{
    if (count < 16) {
        WidenAsciiOneByOne(bytes, count, out);
        return;
    }
    int32_t i = 0;
    for (; count - i >= 16; i += 16) WidenSixteen(bytes + i, out + i);
    if (i < count) WidenSixteen(bytes + count - 16, out + count - 16);
}

namespace {

// 32 units packed to bytes; the pack works within 128-bit lanes, so the middle
// quarters change places afterwards.
[[gnu::target("avx2")]] QV_INLINE void NarrowThirtyTwo(const TextUnit* units, char* out)
{
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units));
    const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + 16));
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, next), 0xD8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), packed);
}

[[gnu::target("avx2")]] QV_INLINE void NarrowSixteen(const TextUnit* units, char* out)
{
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, next));
}

}  // namespace

[[gnu::target("avx2")]] void NarrowAsciiAvx2(const TextUnit* units, int32_t count, char* out)
{
    if (count < 16) {
        NarrowAsciiOneByOne(units, count, out);
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
