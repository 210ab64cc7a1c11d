// SPDX-License-Identifier: MIT
// SHA-512's compression on 32-bit x86 with AVX2. There are no 64-bit general
// registers, so the rounds run in vector registers as well: the working
// variables in pairs, e beside a, f beside b, g beside c and h beside d, so
// that one instruction serves both halves of a round.
#include "digest/sha2.h"

#if defined(__i386__)
#include <immintrin.h>

#include <cstdint>

#include "digest/sha512_constants.h"

// Every function here is compiled for AVX2, and the helpers have internal
// linkage, so no copy of a shared inline function built for it can stand in for
// the baseline one elsewhere.
#define SHA512_AVX2 gnu::target("avx2")

namespace {

// Two words: the e side of a round in the low lane, the a side in the high one.
using Lanes = uint64_t __attribute__((vector_size(16)));
// Four schedule words, W[t] in the lowest lane.
using Group = __m256i;

// FIPS 180-4, section 4.1.3. The e side takes Sum1 (rotations by 14, 18 and 41),
// the a side Sum0 (28, 34 and 39): per-lane shift counts give both at once.
[[SHA512_AVX2, gnu::always_inline]] inline Lanes Sums(Lanes x)
{
    constexpr Lanes right1 = {14, 28}, right2 = {18, 34}, right3 = {41, 39};
    constexpr Lanes left1 = {64 - 14, 64 - 28}, left2 = {64 - 18, 64 - 34}, left3 = {64 - 41, 64 - 39};
    return (x >> right1) ^ (x << left1) ^ (x >> right2) ^ (x << left2) ^ (x >> right3) ^ (x << left3);
}

// One round from the pairs p = (e, a), q = (f, b), r = (g, c), s = (h, d); the
// result is the new (e, a), and the caller rotates the roles of the others.
// Ch(e, f, g) = g ^ (e & (f ^ g)) and Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)) have
// one shape, z ^ (x & y), so one pass gives both. W + K is read two words wide;
// the second word lands in the a side of a sum that is then dropped.
[[SHA512_AVX2, gnu::always_inline]] inline Lanes Round(Lanes p, Lanes q, Lanes r, Lanes s, const uint64_t* wk)
{
    constexpr Lanes aSide = {0, ~0ull};
    const Lanes x = p ^ (q & aSide);                                                           // e, a ^ b
    const Lanes y = q ^ r;                                                                     // f ^ g, b ^ c
    const Lanes z = Lanes(_mm_blend_epi32(__m128i(r), __m128i(q), 0xc));                       // g, b
    const Lanes sums = Sums(p) + (z ^ (x & y));                                                // T1 - h - W - K, T2
    const Lanes t1 = s + sums + Lanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(wk)));  // T1 in the e side
    const Lanes dT2 = Lanes(_mm_unpackhi_epi64(__m128i(s), __m128i(sums)));                    // d, T2
    return Lanes(_mm_unpacklo_epi64(__m128i(t1), __m128i(t1))) + dT2;                          // d + T1, T1 + T2
}

template <int Count>
[[SHA512_AVX2, gnu::always_inline]] inline Group RotateRight(Group x)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return _mm256_or_si256(_mm256_srli_epi64(x, Count), _mm256_slli_epi64(x, 64 - Count));
}
template <int Count>
[[SHA512_AVX2, gnu::always_inline]] inline __m128i RotateRight(__m128i x)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return _mm_or_si128(_mm_srli_epi64(x, Count), _mm_slli_epi64(x, 64 - Count));
}

// A rotation by a whole byte is one byte shuffle.
[[SHA512_AVX2, gnu::always_inline]] inline Group Sigma0(Group x)
{
    const Group rotate8 = _mm256_setr_epi8(1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8,  //
                                           1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8);
    return _mm256_xor_si256(_mm256_xor_si256(RotateRight<1>(x), _mm256_shuffle_epi8(x, rotate8)),
                            _mm256_srli_epi64(x, 7));
}
[[SHA512_AVX2, gnu::always_inline]] inline __m128i Sigma1(__m128i x)
{
    return _mm_xor_si128(_mm_xor_si128(RotateRight<19>(x), RotateRight<61>(x)), _mm_srli_epi64(x, 6));
}

// The block's 80 schedule words into w, and W + K into wk. Each group of four
// takes sigma1 of the two words before it first, then of its own lower two.
[[SHA512_AVX2, gnu::always_inline]] inline void Schedule(const uint8_t* block, uint64_t* w, uint64_t* wk)
{
    const Group swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,  //
                                        7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    for (int t = 0; t < 16; t += 4) {
        const Group words =
            _mm256_shuffle_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 8 * t)), swap);
        _mm256_store_si256(reinterpret_cast<__m256i*>(w + t), words);
        const Group constants = _mm256_load_si256(reinterpret_cast<const __m256i*>(Sha512RoundConstants + t));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(wk + t), _mm256_add_epi64(words, constants));
    }
    // W[t-8..t-5] and W[t-4..t-1], kept in registers for the next group.
    Group beforeLast = _mm256_load_si256(reinterpret_cast<const __m256i*>(w + 8));
    Group last = _mm256_load_si256(reinterpret_cast<const __m256i*>(w + 12));
    for (int t = 16; t < 80; t += 4) {
        const Group minus16 = _mm256_load_si256(reinterpret_cast<const __m256i*>(w + t - 16));
        const Group minus15 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + t - 15));
        const Group minus7 = _mm256_alignr_epi8(_mm256_permute2x128_si256(beforeLast, last, 0x21), beforeLast, 8);
        const Group sum = _mm256_add_epi64(_mm256_add_epi64(minus16, minus7), Sigma0(minus15));
        const __m128i lower = _mm_add_epi64(_mm256_castsi256_si128(sum), Sigma1(_mm256_extracti128_si256(last, 1)));
        const __m128i upper = _mm_add_epi64(_mm256_extracti128_si256(sum, 1), Sigma1(lower));
        beforeLast = last;
        last = _mm256_inserti128_si256(_mm256_castsi128_si256(lower), upper, 1);
        _mm256_store_si256(reinterpret_cast<__m256i*>(w + t), last);
        const Group constants = _mm256_load_si256(reinterpret_cast<const __m256i*>(Sha512RoundConstants + t));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(wk + t), _mm256_add_epi64(last, constants));
    }
}

// The chaining values as the rounds pair them.
[[SHA512_AVX2, gnu::always_inline]] inline Lanes Paired(const uint64_t* chain, int e)
{
    return Lanes{chain[e], chain[e - 4]};
}

}  // namespace

[[SHA512_AVX2]] void Sha512CompressAvx2(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    if (count == 0) return;
    alignas(32) uint64_t w[80];
    alignas(32) uint64_t wk[81];  // W + K, and room for round 79's two-word read
    wk[80] = 0;
    Lanes ea = Paired(chain, 4), fb = Paired(chain, 5), gc = Paired(chain, 6), hd = Paired(chain, 7);
    for (; count > 0; --count, blocks += 128) {
        Schedule(blocks, w, wk);
        const Lanes startEa = ea, startFb = fb, startGc = gc, startHd = hd;
        for (const uint64_t* round = wk; round != wk + 80; round += 8) {
            hd = Round(ea, fb, gc, hd, round);
            gc = Round(hd, ea, fb, gc, round + 1);
            fb = Round(gc, hd, ea, fb, round + 2);
            ea = Round(fb, gc, hd, ea, round + 3);
            hd = Round(ea, fb, gc, hd, round + 4);
            gc = Round(hd, ea, fb, gc, round + 5);
            fb = Round(gc, hd, ea, fb, round + 6);
            ea = Round(fb, gc, hd, ea, round + 7);
        }
        ea += startEa;
        fb += startFb;
        gc += startGc;
        hd += startHd;
    }
    const Lanes pairs[4] = {ea, fb, gc, hd};
    for (int i = 0; i < 4; ++i) {
        chain[i + 4] = pairs[i][0];
        chain[i] = pairs[i][1];
    }
}

#undef SHA512_AVX2
#endif
