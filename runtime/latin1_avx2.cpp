// SPDX-License-Identifier: MIT
// The Latin-1 runs of the Linux code page with AVX2, 32 characters a step.
#include "runtime/latin1.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include "runtime/text_steps.h"

[[gnu::target("avx2")]] int32_t WidenLatin1Avx2(const char* bytes, int32_t count, TextUnit* out)
{
    const __m256i top3 = _mm256_set1_epi8(static_cast<char>(0xE0));
    const __m256i c1 = _mm256_set1_epi8(static_cast<char>(0x80));
    int32_t i = 0;
    for (; count - i >= 32; i += 32) {
        const __m256i chunk = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + i));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_cvtepu8_epi16(_mm256_castsi256_si128(chunk)));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16),
                            _mm256_cvtepu8_epi16(_mm256_extracti128_si256(chunk, 1)));
        const int marks = _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_and_si256(chunk, top3), c1));
        if (marks) return i + __builtin_ctz(static_cast<unsigned>(marks));
    }
    // The SSE2 form finishes the rest in legacy SSE: the upper halves go first.
    _mm256_zeroupper();
    return i + WidenLatin1Sse2(bytes + i, count - i, out + i);
}

namespace {

[[gnu::target("avx2")]] QV_INLINE __m256i DepartingUnits(__m256i units)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i high =
        _mm256_cmpeq_epi16(_mm256_and_si256(units, _mm256_set1_epi16(static_cast<short>(0xFF00))), zero);
    const __m256i c1 = _mm256_cmpeq_epi16(_mm256_and_si256(units, _mm256_set1_epi16(static_cast<short>(0xFFE0))),
                                          _mm256_set1_epi16(0x0080));
    return _mm256_or_si256(_mm256_andnot_si256(high, _mm256_set1_epi16(-1)), c1);
}

}  // namespace

[[gnu::target("avx2")]] int32_t NarrowLatin1Avx2(const TextUnit* units, int32_t count, char* out)
{
    int32_t i = 0;
    for (; count - i >= 32; i += 32) {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + i));
        const __m256i next = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(units + i + 16));
        // The pack works within 128-bit lanes; the middle quarters change places after it.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(low, next), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
        const __m256i marks =
            _mm256_permute4x64_epi64(_mm256_packs_epi16(DepartingUnits(low), DepartingUnits(next)), 0xD8);
        const int bits = _mm256_movemask_epi8(marks);
        if (bits) return i + __builtin_ctz(static_cast<unsigned>(bits));
    }
    _mm256_zeroupper();
    return i + NarrowLatin1Sse2(units + i, count - i, out + i);
}
#endif
