// SPDX-License-Identifier: MIT
// Hexadecimal digits with SSE2, eight bytes a step: the nibbles side by side, each
// made a digit in one add and a masked add, then widened to code units.
#include "digest/hex.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

namespace {

// Bytes at..at + 7 as the sixteen units at out + 2 * at.
[[gnu::target("sse2"), gnu::always_inline]] inline void HexDigitsOfEight(const uint8_t* bytes, uint32_t at,
                                                                         TextUnit* out)
{
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + at));
    // High half first: the shift moves each byte's high nibble down within its 16-bit lane.
    const __m128i nibbles =
        _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(eight, 4), low4), _mm_and_si128(eight, low4));
    // '0' + n, and for 10 to 15 the gap from '9' + 1 to 'a' besides.
    const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '9' - 1));
    const __m128i digits = _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
    const __m128i zero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * at), _mm_unpacklo_epi8(digits, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * at + 8), _mm_unpackhi_epi8(digits, zero));
}

}  // namespace

// A count that is no multiple of eight ends in a step that overlaps the one
// before it and writes the same units again; fewer than eight take the table.
[[gnu::target("sse2")]] void HexDigitsSse2(const uint8_t* bytes, uint32_t count, TextUnit* out)
{
    if (count < 8) {
        HexDigitsPortable(bytes, count, out);
        return;
    }
    uint32_t at = 0;
    for (; count - at >= 8; at += 8) HexDigitsOfEight(bytes, at, out);
    if (at < count) HexDigitsOfEight(bytes, count - 8, out);
}
#endif
