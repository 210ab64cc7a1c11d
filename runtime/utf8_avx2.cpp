// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 in AVX2 registers: 16 units a vector, every character.
#include <immintrin.h>

#define QV_UTF8_FORM [[gnu::target("avx2")]]
#include "runtime/utf8_vectors.h"

namespace {

#define QV_UTF8_STEP QV_UTF8_FORM [[gnu::always_inline]] inline

// Two vectors of 32 bytes from an aligned block of 64. Shifts and packs work
// within 128-bit lanes, so a unit crossing the middle goes through a permute.
struct Utf8StepsAvx2 {
    using Units = uint16_t __attribute__((vector_size(32)));
    using Mask = int16_t __attribute__((vector_size(32)));
    using Bytes = int8_t __attribute__((vector_size(32)));
    static constexpr Bytes HighBytes = {0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1,
                                        0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1, 0, -1};
    static constexpr Units LaneIndex = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    static constexpr uint32_t Lanes = 16;
    static constexpr bool Shuffles = true;

    QV_UTF8_STEP static Units Load(const TextUnit* at) { return (Units)_mm256_load_si256((const __m256i*)at); }
    QV_UTF8_STEP static Units LoadUnaligned(const TextUnit* at)
    {
        return (Units)_mm256_loadu_si256((const __m256i*)at);
    }
    QV_UTF8_STEP static bool Any(Mask mask) { return !_mm256_testz_si256((__m256i)mask, (__m256i)mask); }
    QV_UTF8_STEP static bool All(Bytes mask) { return _mm256_movemask_epi8((__m256i)mask) == -1; }
    QV_UTF8_STEP static uint32_t Marks(Bytes marks)
    {
        return static_cast<uint32_t>(_mm256_movemask_epi8((__m256i)marks));
    }
    // Units to bytes with unsigned saturation, within 128-bit lanes: the middle
    // quarters change places when they are stored.
    QV_UTF8_STEP static Bytes Pack(Units low, Units high)
    {
        return (Bytes)_mm256_packus_epi16((__m256i)low, (__m256i)high);
    }
    QV_UTF8_STEP static void StorePacked(char* out, Bytes packed)
    {
        _mm256_storeu_si256((__m256i*)out, _mm256_permute4x64_epi64((__m256i)packed, 0xD8));
    }
    QV_UTF8_STEP static Units Preceding(Units previous, Units units)
    {
        return (Units)_mm256_alignr_epi8((__m256i)units,
                                         _mm256_permute2x128_si256((__m256i)previous, (__m256i)units, 0x21), 14);
    }
    // Units 0-3 and 8-11 unpack into one vector, 4-7 and 12-15 into the other.
    QV_UTF8_STEP static __m128i Group(Units first, Units rest, uint32_t group)
    {
        const __m256i pairs = group % 2 ? _mm256_unpackhi_epi16((__m256i)first, (__m256i)rest)
                                        : _mm256_unpacklo_epi16((__m256i)first, (__m256i)rest);
        return group < 2 ? _mm256_castsi256_si128(pairs) : _mm256_extracti128_si256(pairs, 1);
    }
};

#undef QV_UTF8_STEP

}  // namespace

QV_UTF8_FORM Utf8Piece EncodeUtf8Avx2(const TextUnit* units, char* out, uint32_t capacity)
{
    // Units at an odd address are no valid text; they go the plain way.
    const Utf8Piece piece = reinterpret_cast<uintptr_t>(units) % 2
                                ? EncodeUtf8Portable(units, out, capacity)
                                : EncodeUtf8Vectors<Utf8StepsAvx2>(units, out, capacity);
    // The caller's SSE code must not pay for dirty upper halves.
    _mm256_zeroupper();
    return piece;
}

#undef QV_UTF8_FORM
