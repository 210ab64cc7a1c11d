// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 in three forms: plain ASCII 32 units a step in AVX2 registers,
// 16 in SSE2 ones, and every other character a unit at a time in all three.
#include "runtime/utf8.h"

#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>
#define QV_X86_FORMS 1
#define QV_SSE2 [[gnu::target("sse2")]]
#define QV_AVX2 [[gnu::target("avx2")]]
#endif

// As in the scans (runtime/ascii.cpp): the blocks holding the terminator are read
// whole, on its own page, which AddressSanitizer would report.
#define QV_WHOLE_BLOCK_READS [[gnu::no_sanitize_address]]

namespace {

// One character into out, which has room for Utf8Room bytes; at moves past its
// units. The bytes written; 0 at the terminator, where at stays.
inline uint32_t EncodeCharacter(const TextUnit*& at, char* out)
{
    const uint32_t unit = *at;
    if (unit < 0x80) {
        if (unit == 0) return 0;
        out[0] = static_cast<char>(unit);
        ++at;
        return 1;
    }
    if (unit < 0x800) {
        out[0] = static_cast<char>(0xC0 | unit >> 6);
        out[1] = static_cast<char>(0x80 | (unit & 0x3F));
        ++at;
        return 2;
    }
    if (unit - 0xD800 < 0x800) {
        // A high surrogate is not the terminator, so the unit after it is the text's.
        const uint32_t next = at[1];
        if (unit < 0xDC00 && next - 0xDC00 < 0x400) {
            const uint32_t point = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
            out[0] = static_cast<char>(0xF0 | point >> 18);
            out[1] = static_cast<char>(0x80 | (point >> 12 & 0x3F));
            out[2] = static_cast<char>(0x80 | (point >> 6 & 0x3F));
            out[3] = static_cast<char>(0x80 | (point & 0x3F));
            at += 2;
            return 4;
        }
        out[0] = static_cast<char>(0xEF);
        out[1] = static_cast<char>(0xBF);
        out[2] = static_cast<char>(0xBD);
        ++at;
        return 3;
    }
    out[0] = static_cast<char>(0xE0 | unit >> 12);
    out[1] = static_cast<char>(0x80 | (unit >> 6 & 0x3F));
    out[2] = static_cast<char>(0x80 | (unit & 0x3F));
    ++at;
    return 3;
}

enum class Stop { Until, Room, Terminator };

// A character at a time while at is below the address until.
inline Stop EncodeCharacters(const TextUnit*& at, uintptr_t until, char* out, uint32_t& written, uint32_t capacity)
{
    while (reinterpret_cast<uintptr_t>(at) < until) {
        if (capacity - written < Utf8Room) return Stop::Room;
        const uint32_t bytes = EncodeCharacter(at, out + written);
        if (bytes == 0) return Stop::Terminator;
        written += bytes;
    }
    return Stop::Until;
}

Utf8Piece EncodeUtf8Units(const TextUnit* units, char* out, uint32_t capacity)
{
    uint32_t written = 0;
    const Stop stop = EncodeCharacters(units, UINTPTR_MAX, out, written, capacity);
    return {units, written, stop == Stop::Terminator};
}

#if defined(QV_X86_FORMS)
// Both forms read two vectors from one aligned pair, so that the second, read
// before the first is known to hold no terminator, shares its cache line and
// page. A pair of plain ASCII units with room for them is packed into bytes at
// once; a pair holding anything else goes a character at a time.

QV_SSE2 QV_WHOLE_BLOCK_READS Utf8Piece EncodeUtf8Sse2(const TextUnit* units, char* out, uint32_t capacity)
{
    // Units at an odd address are no valid text; they go the plain way.
    if (reinterpret_cast<uintptr_t>(units) % 2) return EncodeUtf8Units(units, out, capacity);
    const __m128i zero = _mm_setzero_si128();
    const __m128i beyondAscii = _mm_set1_epi16(static_cast<short>(0xFF80));
    const TextUnit* at = units;
    uint32_t written = 0;
    for (;;) {
        Stop stop =
            EncodeCharacters(at, (reinterpret_cast<uintptr_t>(at) + 31) & ~uintptr_t{31}, out, written, capacity);
        if (stop != Stop::Until) return {at, written, stop == Stop::Terminator};
        if (reinterpret_cast<uintptr_t>(at) % 32) continue;  // a surrogate pair stepped past the boundary
        for (; capacity - written >= 16; at += 16, written += 16) {
            const __m128i low = _mm_load_si128(reinterpret_cast<const __m128i*>(at));
            const __m128i high = _mm_load_si128(reinterpret_cast<const __m128i*>(at + 8));
            // A zero unit marks itself 0xFFFF, beyond ASCII like any unit above 0x7F.
            const __m128i marks = _mm_or_si128(_mm_or_si128(low, high),
                                               _mm_or_si128(_mm_cmpeq_epi16(low, zero), _mm_cmpeq_epi16(high, zero)));
            if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(marks, beyondAscii), zero)) != 0xFFFF) break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written), _mm_packus_epi16(low, high));
        }
        stop = EncodeCharacters(at, reinterpret_cast<uintptr_t>(at) + 32, out, written, capacity);
        if (stop != Stop::Until) return {at, written, stop == Stop::Terminator};
    }
}

QV_AVX2 QV_WHOLE_BLOCK_READS Utf8Piece EncodeUtf8Avx2(const TextUnit* units, char* out, uint32_t capacity)
{
    if (reinterpret_cast<uintptr_t>(units) % 2) {
        // The compiler may load the constants below before this branch.
        const Utf8Piece piece = EncodeUtf8Units(units, out, capacity);
        _mm256_zeroupper();
        return piece;
    }
    const __m256i zero = _mm256_setzero_si256();
    const __m256i beyondAscii = _mm256_set1_epi16(static_cast<short>(0xFF80));
    const TextUnit* at = units;
    uint32_t written = 0;
    Stop stop;
    for (;;) {
        stop = EncodeCharacters(at, (reinterpret_cast<uintptr_t>(at) + 63) & ~uintptr_t{63}, out, written, capacity);
        if (stop != Stop::Until) break;
        if (reinterpret_cast<uintptr_t>(at) % 64) continue;
        for (; capacity - written >= 32; at += 32, written += 32) {
            const __m256i low = _mm256_load_si256(reinterpret_cast<const __m256i*>(at));
            const __m256i high = _mm256_load_si256(reinterpret_cast<const __m256i*>(at + 16));
            const __m256i marks =
                _mm256_or_si256(_mm256_or_si256(low, high),
                                _mm256_or_si256(_mm256_cmpeq_epi16(low, zero), _mm256_cmpeq_epi16(high, zero)));
            if (!_mm256_testz_si256(marks, beyondAscii)) break;
            // The pack works within 128-bit lanes: the middle quarters change places after it.
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + written),
                                _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8));
        }
        stop = EncodeCharacters(at, reinterpret_cast<uintptr_t>(at) + 64, out, written, capacity);
        if (stop != Stop::Until) break;
    }
    // The caller's SSE code must not pay for dirty upper halves.
    _mm256_zeroupper();
    return {at, written, stop == Stop::Terminator};
}
#endif

}  // namespace

#if defined(QV_X86_FORMS)
constexpr CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[TextPassForms] = {
    {"avx2", CpuAvx2, EncodeUtf8Avx2}, {"sse2", CpuSse2, EncodeUtf8Sse2}, {"words", 0, EncodeUtf8Units}};
#else
constexpr CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[TextPassForms] = {{"words", 0, EncodeUtf8Units}};
#endif

constinit Utf8Passes utf8Passes = {ChooseOnFirstUse<utf8Passes, &Utf8Passes::encode, EncodeUtf8Forms>::Run};

#undef QV_WHOLE_BLOCK_READS
#if defined(QV_X86_FORMS)
#undef QV_AVX2
#undef QV_SSE2
#undef QV_X86_FORMS
#endif
