// SPDX-License-Identifier: MIT
// SHA-256 on the processor's SHA extensions (Intel's instruction set reference:
// SHA256RNDS2, SHA256MSG1, SHA256MSG2), for processors with SSSE3 and SSE4.1
// besides. The schedule lives in four registers and the chaining values stay in
// two from one block to the next; the blocks are only read.
#include "digest/sha2.h"
#include "digest/sha_extensions.h"

#if defined(__i386__) || defined(__x86_64__)
namespace {

// Rounds 4g to 4g + 3, two per SHA256RNDS2: abef holds a, b, e and f from the top
// lane down, cdgh c, d, g and h, and words[g % 4] schedule words 4g to 4g + 3.
// Meanwhile the schedule moves on from this group's words: the next group's are
// finished (t - 7, and sigma1 of t - 2), and those three groups on are begun
// (t - 16 and sigma0 of t - 15) in the register whose words are spent.
template <int Group>
[[QV_SHA_TARGET, gnu::always_inline]] inline void Sha256Group(__m128i& abef, __m128i& cdgh, __m128i (&words)[4],
                                                              const uint32_t* constants)
{
    const __m128i current = words[Group % 4];
    __m128i& next = words[(Group + 1) % 4];
    __m128i& third = words[(Group + 3) % 4];
    __m128i sums = _mm_add_epi32(current, LoadVector(constants + 4 * Group));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, sums);
    if constexpr (Group >= 3 && Group <= 14) {
        next = _mm_add_epi32(next, _mm_alignr_epi8(current, third, 4));
        next = _mm_sha256msg2_epu32(next, current);
    }
    sums = _mm_shuffle_epi32(sums, 0x0e);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, sums);
    if constexpr (Group >= 1 && Group <= 12) third = _mm_sha256msg1_epu32(third, current);
}

}  // namespace

[[QV_SHA_TARGET]] void Sha256CompressShaExt(uint32_t chain[8], const uint8_t* blocks, uint32_t count)
{
    // Byte-swaps each 32-bit word: the message is big-endian.
    const __m128i swap = _mm_set_epi64x(0x0c0d0e0f08090a0bll, 0x0405060700010203ll);
    // H0..H3 and H4..H7 as the instructions want them: ABEF and CDGH.
    const __m128i cdab = _mm_shuffle_epi32(LoadVector(chain), 0xb1);
    const __m128i efgh = _mm_shuffle_epi32(LoadVector(chain + 4), 0x1b);
    __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
    __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xf0);
    for (const uint8_t* block = blocks; count > 0; --count, block += 64) {
        const __m128i abefBefore = abef;
        const __m128i cdghBefore = cdgh;
        __m128i words[4];
        LoadBlock(block, swap, words);
        // Read where they are used: hoisted out of the loop, as GCC would, the 16
        // vectors of constants outnumber the free registers and go to the stack on
        // every call.
        const uint32_t* constants = Sha256RoundConstants;
        __asm__("" : "+r"(constants));
        // clang-format off
        Sha256Group<0>(abef, cdgh, words, constants);
        Sha256Group<1>(abef, cdgh, words, constants);
        Sha256Group<2>(abef, cdgh, words, constants);
        Sha256Group<3>(abef, cdgh, words, constants);
        Sha256Group<4>(abef, cdgh, words, constants);
        Sha256Group<5>(abef, cdgh, words, constants);
        Sha256Group<6>(abef, cdgh, words, constants);
        Sha256Group<7>(abef, cdgh, words, constants);
        Sha256Group<8>(abef, cdgh, words, constants);
        Sha256Group<9>(abef, cdgh, words, constants);
        Sha256Group<10>(abef, cdgh, words, constants);
        Sha256Group<11>(abef, cdgh, words, constants);
        Sha256Group<12>(abef, cdgh, words, constants);
        Sha256Group<13>(abef, cdgh, words, constants);
        Sha256Group<14>(abef, cdgh, words, constants);
        Sha256Group<15>(abef, cdgh, words, constants);
        // clang-format on
        abef = _mm_add_epi32(abef, abefBefore);
        cdgh = _mm_add_epi32(cdgh, cdghBefore);
    }
    const __m128i feba = _mm_shuffle_epi32(abef, 0x1b);
    const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xb1);
    StoreVector(chain, _mm_blend_epi16(feba, dchg, 0xf0));
    StoreVector(chain + 4, _mm_alignr_epi8(dchg, feba, 8));
}

#endif
