// SPDX-License-Identifier: MIT
// SHA-1 on the processor's SHA extensions (Intel's instruction set reference:
// SHA1RNDS4, SHA1NEXTE, SHA1MSG1, SHA1MSG2), for processors with SSSE3 and
// SSE4.1 besides. The schedule lives in four registers, so neither the blocks nor
// a copy area is ever written, and the chaining values stay in registers from
// one block to the next.
#include "digest/sha1.h"
#include "digest/sha_extensions.h"

#if defined(__i386__) || defined(__x86_64__)
namespace {

// Rounds 4g to 4g + 3. abcd holds a in its top lane, and words[g % 4] schedule
// words 4g to 4g + 3, the first in the top lane. e and saved take turns: e gets
// the group's e plus its first word (from the a that the last group left in it),
// and saved keeps this group's a for the next. Meanwhile the schedule moves on
// from this group's words: the next group's are finished (t - 3, and the rotation),
// the group's after gain t - 8, and those three groups on are begun (t - 16 and
// t - 14) in the register whose words are spent.
template <int Group>
[[QV_SHA_TARGET, gnu::always_inline]] inline void Sha1Group(__m128i& abcd, __m128i& e, __m128i& saved,
                                                            __m128i (&words)[4])
{
    const __m128i current = words[Group % 4];
    if constexpr (Group == 0) {
        e = _mm_add_epi32(e, current);
    } else {
        e = _mm_sha1nexte_epu32(e, current);
    }
    saved = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, e, Group / 5);
    __m128i& next = words[(Group + 1) % 4];
    __m128i& second = words[(Group + 2) % 4];
    __m128i& third = words[(Group + 3) % 4];
    if constexpr (Group >= 3 && Group <= 18) next = _mm_sha1msg2_epu32(next, current);
    if constexpr (Group >= 2 && Group <= 17) second = _mm_xor_si128(second, current);
    if constexpr (Group >= 1 && Group <= 16) third = _mm_sha1msg1_epu32(third, current);
}

}  // namespace

[[QV_SHA_TARGET]] void Sha1CompressShaExt(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t*)
{
    // Reverses each 16 bytes, so the first big-endian word lands in the top lane.
    const __m128i reverse = _mm_set_epi64x(0x0001020304050607ll, 0x08090a0b0c0d0e0fll);
    __m128i abcd = _mm_shuffle_epi32(LoadVector(chain), 0x1b);
    __m128i e0 = _mm_set_epi32(static_cast<int>(chain[4]), 0, 0, 0);
    __m128i e1 = _mm_setzero_si128();
    for (const uint8_t* block = blocks; count > 0; --count, block += 64) {
        const __m128i abcdBefore = abcd;
        const __m128i eBefore = e0;
        __m128i words[4];
        LoadBlock(block, reverse, words);
        // clang-format off
        Sha1Group<0>(abcd, e0, e1, words);
        Sha1Group<1>(abcd, e1, e0, words);
        Sha1Group<2>(abcd, e0, e1, words);
        Sha1Group<3>(abcd, e1, e0, words);
        Sha1Group<4>(abcd, e0, e1, words);
        Sha1Group<5>(abcd, e1, e0, words);
        Sha1Group<6>(abcd, e0, e1, words);
        Sha1Group<7>(abcd, e1, e0, words);
        Sha1Group<8>(abcd, e0, e1, words);
        Sha1Group<9>(abcd, e1, e0, words);
        Sha1Group<10>(abcd, e0, e1, words);
        Sha1Group<11>(abcd, e1, e0, words);
        Sha1Group<12>(abcd, e0, e1, words);
        Sha1Group<13>(abcd, e1, e0, words);
        Sha1Group<14>(abcd, e0, e1, words);
        Sha1Group<15>(abcd, e1, e0, words);
        Sha1Group<16>(abcd, e0, e1, words);
        Sha1Group<17>(abcd, e1, e0, words);
        Sha1Group<18>(abcd, e0, e1, words);
        Sha1Group<19>(abcd, e1, e0, words);
        // clang-format on
        // e0 holds the a of round 76: rotated, it is the block's e, which joins H4.
        e0 = _mm_sha1nexte_epu32(e0, eBefore);
        abcd = _mm_add_epi32(abcd, abcdBefore);
    }
    StoreVector(chain, _mm_shuffle_epi32(abcd, 0x1b));
    chain[4] = static_cast<uint32_t>(_mm_extract_epi32(e0, 3));
}

#endif
