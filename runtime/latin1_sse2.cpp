// SPDX-License-Identifier: MIT
// The Latin-1 runs of the Linux code page with SSE2, 16 characters a step.
#include "runtime/latin1.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "runtime/text_steps.h"

// Each step converts its whole block and then looks for a departure in it: the
// units past one are the caller's to overwrite.
[[gnu::target("sse2")]] int32_t WidenLatin1Sse2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i top3 = _mm_set1_epi8(static_cast<char>(0xE0));
    const __m128i c1 = _mm_set1_epi8(static_cast<char>(0x80));
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
        const int marks = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(chunk, top3), c1));
        if (marks) return i + __builtin_ctz(static_cast<unsigned>(marks));
    }
    return i + WidenLatin1OneByOne(bytes + i, count - i, out + i);
}

namespace {

// 0xFFFF in each unit that departs: one with a high byte, or one from 0x80 to 0x9F.
[[gnu::target("sse2")]] QV_INLINE __m128i DepartingUnits(__m128i units)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF00))), zero);
    const __m128i c1 =
        _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFFE0))), _mm_set1_epi16(0x0080));
    return _mm_or_si128(_mm_andnot_si128(high, _mm_set1_epi16(-1)), c1);
}

}  // namespace

[[gnu::target("sse2")]] int32_t NarrowLatin1Sse2(const TextUnit* units, int32_t count, char* out)
{
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
        const int marks = _mm_movemask_epi8(_mm_packs_epi16(DepartingUnits(low), DepartingUnits(next)));
        if (marks) return i + __builtin_ctz(static_cast<unsigned>(marks));
    }
    return i + NarrowLatin1OneByOne(units + i, count - i, out + i);
}
#endif
