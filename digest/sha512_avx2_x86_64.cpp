// SPDX-License-Identifier: MIT
// SHA-512's compression on x86-64 with AVX2, BMI1 and BMI2: the message schedules
// of two blocks at once in YMM registers, the rounds on general registers with
// RORX and ANDN.
#include "digest/sha2.h"

#if defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>

#include "digest/sha512_constants.h"

// Every function here is compiled for these extensions, and the helpers have
// internal linkage, so no copy of a shared inline function built for them can
// stand in for the baseline one elsewhere. Byte order and rotations are
// therefore spelt out here rather than taken from byte_order.h.
#define SHA512_AVX2 gnu::target("avx2,bmi,bmi2")

namespace {

// Two schedule words of two blocks: W[t] and W[t+1] of the first block in the
// lower 128 bits, the same words of the second block in the upper. Both blocks'
// words then sit alike in each half, so no step crosses between the halves.
using Pair = __m256i;

template <int Count>
[[SHA512_AVX2, gnu::always_inline]] inline uint64_t RotateRight(uint64_t x)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return (x >> Count) | (x << (64 - Count));
}

template <int Count>
[[SHA512_AVX2, gnu::always_inline]] inline Pair RotateRight(Pair x)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return _mm256_or_si256(_mm256_srli_epi64(x, Count), _mm256_slli_epi64(x, 64 - Count));
}

[[SHA512_AVX2, gnu::always_inline]] inline Pair Xor3(Pair x, Pair y, Pair z)
{
    return _mm256_xor_si256(_mm256_xor_si256(x, y), z);
}

// FIPS 180-4, section 4.1.3: Sum on the working variables, Sigma on the schedule.
[[SHA512_AVX2, gnu::always_inline]] inline uint64_t Sum0(uint64_t x)
{
    return RotateRight<28>(x) ^ RotateRight<34>(x) ^ RotateRight<39>(x);
}
[[SHA512_AVX2, gnu::always_inline]] inline uint64_t Sum1(uint64_t x)
{
    return RotateRight<14>(x) ^ RotateRight<18>(x) ^ RotateRight<41>(x);
}
// A rotation by a whole byte is one byte shuffle.
[[SHA512_AVX2, gnu::always_inline]] inline Pair Sigma0(Pair x)
{
    const Pair rotate8 = _mm256_setr_epi8(1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8,  //
                                          1, 2, 3, 4, 5, 6, 7, 0, 9, 10, 11, 12, 13, 14, 15, 8);
    return Xor3(RotateRight<1>(x), _mm256_shuffle_epi8(x, rotate8), _mm256_srli_epi64(x, 7));
}
[[SHA512_AVX2, gnu::always_inline]] inline Pair Sigma1(Pair x)
{
    return Xor3(RotateRight<19>(x), RotateRight<61>(x), _mm256_srli_epi64(x, 6));
}

// Words 2i and 2i + 1 of both blocks, each 8-byte word byte-swapped.
[[SHA512_AVX2, gnu::always_inline]] inline Pair LoadPair(const uint8_t* first, const uint8_t* second, int i)
{
    const Pair swap = _mm256_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8,  //
                                       7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + 16 * i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + 16 * i));
    return _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1), swap);
}

// The rounds read W + K from memory: words t and t + 1 of the first block, then
// the same of the second, four words a pair. The store is unaligned on purpose:
// 64-bit Windows GCC does not realign the frame for a 32-byte local, so an
// aligned one could fault there.
[[SHA512_AVX2, gnu::always_inline]] inline void StorePair(uint64_t* wk, Pair words, int t)
{
    const Pair constants =
        _mm256_broadcastsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(Sha512RoundConstants + t)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(wk + 2 * t), _mm256_add_epi64(words, constants));
}

// W[t] and W[t+1] from the sixteen words before them: x0 holds W[t-16] and
// W[t-15], x1 the next two, x4 and x5 W[t-8] to W[t-5], x7 W[t-2] and W[t-1].
[[SHA512_AVX2, gnu::always_inline]] inline Pair NextPair(Pair x0, Pair x1, Pair x4, Pair x5, Pair x7)
{
    const Pair minus15 = _mm256_alignr_epi8(x1, x0, 8);
    const Pair minus7 = _mm256_alignr_epi8(x5, x4, 8);
    return _mm256_add_epi64(_mm256_add_epi64(x0, minus7), _mm256_add_epi64(Sigma0(minus15), Sigma1(x7)));
}

}  // namespace

// One round; the caller rotates the roles of a..h. Ch's two halves never share
// a bit, so they are added rather than joined. Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)),
// and this round's b ^ c is the last round's a ^ b.
#define SHA512_ROUND(a, b, c, d, e, f, g, h, wk) \
    h += (wk) + (~(e) & (g)) + ((e) & (f)) + Sum1(e); \
    d += h; \
    pair = a ^ b; \
    h += Sum0(a) + (b ^ (pair & lastPair)); \
    lastPair = pair
// Eight rounds of one block from W + K at wk (its words come in twos, four words
// apart), each two rounds followed by a pair of schedule words sixteen rounds ahead.
#define SHA512_ROUNDS8(a, b, c, d, e, f, g, h, wk, next0, next1, next2, next3) \
    SHA512_ROUND(a, b, c, d, e, f, g, h, (wk)[0]); \
    SHA512_ROUND(h, a, b, c, d, e, f, g, (wk)[1]); \
    next0; \
    SHA512_ROUND(g, h, a, b, c, d, e, f, (wk)[4]); \
    SHA512_ROUND(f, g, h, a, b, c, d, e, (wk)[5]); \
    next1; \
    SHA512_ROUND(e, f, g, h, a, b, c, d, (wk)[8]); \
    SHA512_ROUND(d, e, f, g, h, a, b, c, (wk)[9]); \
    next2; \
    SHA512_ROUND(c, d, e, f, g, h, a, b, (wk)[12]); \
    SHA512_ROUND(b, c, d, e, f, g, h, a, (wk)[13]); \
    next3
// The pair of words t + 16 and t + 17 into x, stored for both blocks.
#define SHA512_SCHEDULE(x, x1, x4, x5, x7, t) \
    x = NextPair(x, x1, x4, x5, x7); \
    StorePair(wk, x, (t) + 16)
// Sixteen rounds of the first block from W + K at wk + 2t, scheduling words
// t + 16 to t + 31 of both blocks.
// clang-format off
#define SHA512_SCHEDULED_ROUNDS16(t) \
    SHA512_ROUNDS8(a, b, c, d, e, f, g, h, wk + 2 * (t), \
                   SHA512_SCHEDULE(x0, x1, x4, x5, x7, (t)), \
                   SHA512_SCHEDULE(x1, x2, x5, x6, x0, (t) + 2), \
                   SHA512_SCHEDULE(x2, x3, x6, x7, x1, (t) + 4), \
                   SHA512_SCHEDULE(x3, x4, x7, x0, x2, (t) + 6)); \
    SHA512_ROUNDS8(a, b, c, d, e, f, g, h, wk + 2 * (t) + 16, \
                   SHA512_SCHEDULE(x4, x5, x0, x1, x3, (t) + 8), \
                   SHA512_SCHEDULE(x5, x6, x1, x2, x4, (t) + 10), \
                   SHA512_SCHEDULE(x6, x7, x2, x3, x5, (t) + 12), \
                   SHA512_SCHEDULE(x7, x0, x3, x4, x6, (t) + 14))
// clang-format on
// Sixteen rounds from W + K at wk, with nothing to schedule.
#define SHA512_ROUNDS16(wk) \
    SHA512_ROUNDS8(a, b, c, d, e, f, g, h, (wk), , , , ); \
    SHA512_ROUNDS8(a, b, c, d, e, f, g, h, (wk) + 16, , , , )

namespace {

// Unrolled, W + K and the constants lie at fixed addresses, and the two pointers
// a loop needs for them no longer take general registers from the rounds (with
// them, GCC spilled a working variable). But the unrolled rounds are 17 KiB of
// code, which a message of one or two blocks runs once, fetched anew among the
// rest of a call: such a message takes the rounds as a loop, a quarter of that.
template <bool Rolled>
[[SHA512_AVX2, gnu::always_inline]] inline void Compress(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    uint64_t a = chain[0], b = chain[1], c = chain[2], d = chain[3];
    uint64_t e = chain[4], f = chain[5], g = chain[6], h = chain[7];
    uint64_t pair, lastPair;
    uint64_t wk[160];  // W + K of the two blocks, two words of one and then of the other
    // A block's result joins the chaining values, and the next block starts from them.
    const auto feedForward = [&] {
        a = chain[0] += a;
        b = chain[1] += b;
        c = chain[2] += c;
        d = chain[3] += d;
        e = chain[4] += e;
        f = chain[5] += f;
        g = chain[6] += g;
        h = chain[7] += h;
    };
    for (; count > 0; blocks += 256, count = count > 1 ? count - 2 : 0) {
        // A lone last block is scheduled twice over, and the copy left unused.
        const uint8_t* const other = count > 1 ? blocks + 128 : blocks;
        Pair x0 = LoadPair(blocks, other, 0), x1 = LoadPair(blocks, other, 1);
        Pair x2 = LoadPair(blocks, other, 2), x3 = LoadPair(blocks, other, 3);
        Pair x4 = LoadPair(blocks, other, 4), x5 = LoadPair(blocks, other, 5);
        Pair x6 = LoadPair(blocks, other, 6), x7 = LoadPair(blocks, other, 7);
        StorePair(wk, x0, 0);
        StorePair(wk, x1, 2);
        StorePair(wk, x2, 4);
        StorePair(wk, x3, 6);
        StorePair(wk, x4, 8);
        StorePair(wk, x5, 10);
        StorePair(wk, x6, 12);
        StorePair(wk, x7, 14);

        lastPair = b ^ c;
        if constexpr (Rolled) {
#pragma GCC unroll 1
            for (int t = 0; t < 64; t += 16) {
                SHA512_SCHEDULED_ROUNDS16(t);
            }
        } else {
#pragma GCC unroll 4
            for (int t = 0; t < 64; t += 16) {
                SHA512_SCHEDULED_ROUNDS16(t);
            }
        }
        SHA512_ROUNDS16(wk + 128);
        feedForward();
        if (count == 1) break;

        lastPair = b ^ c;
        for (int t = 0; t < 80; t += 16) {
            SHA512_ROUNDS16(wk + 2 + 2 * t);
        }
        feedForward();
    }
}

[[SHA512_AVX2, gnu::noinline]] void CompressShort(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    Compress<true>(chain, blocks, count);
}

[[SHA512_AVX2, gnu::noinline]] void CompressLong(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    Compress<false>(chain, blocks, count);
}

}  // namespace

[[SHA512_AVX2]] void Sha512CompressAvx2(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    if (count > 2) {
        CompressLong(chain, blocks, count);
    } else {
        CompressShort(chain, blocks, count);
    }
}

#undef SHA512_ROUND
#undef SHA512_ROUNDS8
#undef SHA512_SCHEDULE
#undef SHA512_SCHEDULED_ROUNDS16
#undef SHA512_ROUNDS16

#undef SHA512_AVX2
#endif
