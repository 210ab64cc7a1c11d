// SPDX-License-Identifier: MIT
// Latin-1 runs of the Linux code page, in AVX2, SSE2 and one-at-a-time forms.
#include "runtime/latin1.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define QV_X86_FORMS 1
#define QV_SSE2 [[gnu::target("sse2")]]
#define QV_AVX2 [[gnu::target("avx2")]]
#endif
// As in ascii.cpp, the AVX2 forms' helpers are always inlined: GCC may leave out
// the VZEROUPPER around a call to a local function, and then before the return.
#define QV_INLINE [[gnu::always_inline]] inline

namespace {

// Bytes from 0x80 to 0x9F, and units above 0xFF or from 0x80 to 0x9F.
QV_INLINE bool DepartsFromLatin1(unsigned value) { return value > 0xFF || (value & 0xE0) == 0x80; }

int32_t WidenLatin1Portable(const char* bytes, int32_t count, TextUnit* out)
{
    for (int32_t i = 0; i < count; ++i) {
        const unsigned char value = static_cast<unsigned char>(bytes[i]);
        if (DepartsFromLatin1(value)) return i;
        out[i] = static_cast<TextUnit>(value);
    }
    return count;
}

int32_t NarrowLatin1Portable(const TextUnit* units, int32_t count, char* out)
{
    for (int32_t i = 0; i < count; ++i) {
        if (DepartsFromLatin1(units[i])) return i;
        out[i] = static_cast<char>(units[i]);
    }
    return count;
}

#if defined(QV_X86_FORMS)
// Each step converts its whole block and then looks for a departure in it: the
// units past one are the caller's to overwrite.
QV_SSE2 int32_t WidenLatin1Sse2(const char* bytes, int32_t count, TextUnit* out)
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
    return i + WidenLatin1Portable(bytes + i, count - i, out + i);
}

// 0xFFFF in each unit that departs: one with a high byte, or one from 0x80 to 0x9F.
QV_SSE2 QV_INLINE __m128i DepartingUnits(__m128i units)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i high = _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFF00))), zero);
    const __m128i c1 =
        _mm_cmpeq_epi16(_mm_and_si128(units, _mm_set1_epi16(static_cast<short>(0xFFE0))), _mm_set1_epi16(0x0080));
    return _mm_or_si128(_mm_andnot_si128(high, _mm_set1_epi16(-1)), c1);
}

QV_SSE2 int32_t NarrowLatin1Sse2(const TextUnit* units, int32_t count, char* out)
{
    int32_t i = 0;
    for (; count - i >= 16; i += 16) {
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, next));
        const int marks = _mm_movemask_epi8(_mm_packs_epi16(DepartingUnits(low), DepartingUnits(next)));
        if (marks) return i + __builtin_ctz(static_cast<unsigned>(marks));
    }
    return i + NarrowLatin1Portable(units + i, count - i, out + i);
}

QV_AVX2 int32_t WidenLatin1Avx2(const char* bytes, int32_t count, TextUnit* out)
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
    // The SSE2 rest runs legacy SSE: the upper halves go first. GCC leaves this
    // out by itself once it knows the callee's registers (-fipa-ra).
    _mm256_zeroupper();
    return i + WidenLatin1Sse2(bytes + i, count - i, out + i);
}

QV_AVX2 QV_INLINE __m256i DepartingUnits(__m256i units)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i high =
        _mm256_cmpeq_epi16(_mm256_and_si256(units, _mm256_set1_epi16(static_cast<short>(0xFF00))), zero);
    const __m256i c1 = _mm256_cmpeq_epi16(_mm256_and_si256(units, _mm256_set1_epi16(static_cast<short>(0xFFE0))),
                                          _mm256_set1_epi16(0x0080));
    return _mm256_or_si256(_mm256_andnot_si256(high, _mm256_set1_epi16(-1)), c1);
}

QV_AVX2 int32_t NarrowLatin1Avx2(const TextUnit* units, int32_t count, char* out)
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

}  // namespace

#if defined(QV_X86_FORMS)
constexpr CpuForm<WidenLatin1Routine> WidenLatin1Forms[Latin1PassForms] = {
    {"avx2", CpuAvx2, WidenLatin1Avx2}, {"sse2", CpuSse2, WidenLatin1Sse2}, {"portable", 0, WidenLatin1Portable}};
constexpr CpuForm<NarrowLatin1Routine> NarrowLatin1Forms[Latin1PassForms] = {
    {"avx2", CpuAvx2, NarrowLatin1Avx2}, {"sse2", CpuSse2, NarrowLatin1Sse2}, {"portable", 0, NarrowLatin1Portable}};
#else
constexpr CpuForm<WidenLatin1Routine> WidenLatin1Forms[Latin1PassForms] = {{"portable", 0, WidenLatin1Portable}};
constexpr CpuForm<NarrowLatin1Routine> NarrowLatin1Forms[Latin1PassForms] = {{"portable", 0, NarrowLatin1Portable}};
#endif

constinit Latin1Passes latin1Passes = {
    ChooseOnFirstUse<latin1Passes, &Latin1Passes::widen, WidenLatin1Forms>::Run,
    ChooseOnFirstUse<latin1Passes, &Latin1Passes::narrow, NarrowLatin1Forms>::Run,
};

#undef QV_INLINE
#if defined(QV_X86_FORMS)
#undef QV_AVX2
#undef QV_SSE2
#undef QV_X86_FORMS
#endif
