// SPDX-License-Identifier: MIT
// SHA-512's rounds (FIPS 180-4, sections 4.1.3 and 6.4, with a 16-word window of
// the schedule), written once over a word type and compiled into each form that
// runs them: the portable one on uint64_t, and on 32-bit x86 the SSE2 one on a
// vector. SHA-256's rounds in sha2.cpp take the same round step.
#pragma once
#include <cstdint>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/sha512_constants.h"

namespace {

// The 64-bit-word engine runs on one of two word types: uint64_t, or on 32-bit
// x86 with SSE2 a vector whose low lane holds the word, so that each 64-bit
// operation is one instruction instead of a pair. Rotations use only shifts
// and OR, which both types have. The helpers are always inlined, so no vector
// ever crosses a call, which is what the ABI warning (given at the end of the
// including file, hence not popped) is about.
#pragma GCC diagnostic ignored "-Wpsabi"
using Sha512Lane = uint64_t __attribute__((vector_size(16)));

template <typename Word>
[[gnu::always_inline]] inline Word Sha512Word(uint64_t value)
{
    if constexpr (std::is_same_v<Word, uint64_t>) {
        return value;
    } else {
        return Word{value, 0};
    }
}

template <typename Word>
[[gnu::always_inline]] inline uint64_t Sha512Value(Word word)
{
    if constexpr (std::is_same_v<Word, uint64_t>) {
        return word;
    } else {
        return word[0];
    }
}

template <unsigned Count, typename Word>
[[gnu::always_inline]] inline Word Sha512Rotate(Word x)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return (x >> Count) | (x << (64 - Count));
}

template <typename Word>
[[gnu::always_inline]] inline Word Sha512Sum0(Word x)
{
    return Sha512Rotate<28>(x) ^ Sha512Rotate<34>(x) ^ Sha512Rotate<39>(x);
}
template <typename Word>
[[gnu::always_inline]] inline Word Sha512Sum1(Word x)
{
    return Sha512Rotate<14>(x) ^ Sha512Rotate<18>(x) ^ Sha512Rotate<41>(x);
}
template <typename Word>
[[gnu::always_inline]] inline Word Sha512Sigma0(Word x)
{
    return Sha512Rotate<1>(x) ^ Sha512Rotate<8>(x) ^ (x >> 7);
}
template <typename Word>
[[gnu::always_inline]] inline Word Sha512Sigma1(Word x)
{
    return Sha512Rotate<19>(x) ^ Sha512Rotate<61>(x) ^ (x >> 6);
}

// Ch in a form with one operation fewer than the standard's.
template <typename Word>
inline Word Sha2Choose(Word x, Word y, Word z)
{
    return z ^ (x & (y ^ z));
}

// One round, renaming instead of moving: the caller rotates the roles of a..h,
// so after eight rounds every variable is back in its first role.
// Maj(a, b, c) = b ^ ((a ^ b) & (b ^ c)), and this round's b ^ c is the last
// round's a ^ b, so each round computes one pair and keeps it for the next.
#define SHA2_ROUND(Sum0, Sum1, a, b, c, d, e, f, g, h, word, constant) \
    h += Sum1(e) + Sha2Choose(e, f, g) + (constant) + (word); \
    d += h; \
    pair = a ^ b; \
    h += Sum0(a) + (b ^ (pair & lastPair)); \
    lastPair = pair
#define SHA512_ROUND(...) SHA2_ROUND(Sha512Sum0, Sha512Sum1, __VA_ARGS__)

// The schedule is a window of 16 words: word t (t >= 16) replaces word t - 16
// in slot t mod 16, where t - 2, t - 7 and t - 15 sit at slots +14, +9 and +1.
#define SHA512_LOAD(slot) (schedule[slot] = Sha512Word<Word>(LoadBigEndian64(block + 8 * (slot))))
#define SHA512_NEXT(slot) \
    (schedule[slot] += Sha512Sigma1(schedule[((slot) + 14) & 15]) + schedule[((slot) + 9) & 15] + \
                       Sha512Sigma0(schedule[((slot) + 1) & 15]))
#define SHA512_WORD(value) Sha512Word<Word>(value)

template <typename Word>
[[gnu::always_inline]] inline void Sha512Rounds(uint64_t chain[8], const uint8_t* block)
{
    Word schedule[16];
    Word a = SHA512_WORD(chain[0]), b = SHA512_WORD(chain[1]), c = SHA512_WORD(chain[2]), d = SHA512_WORD(chain[3]);
    Word e = SHA512_WORD(chain[4]), f = SHA512_WORD(chain[5]), g = SHA512_WORD(chain[6]), h = SHA512_WORD(chain[7]);
    Word pair, lastPair = b ^ c;

    // clang-format off
    SHA512_ROUND(a, b, c, d, e, f, g, h, SHA512_LOAD(0),  SHA512_WORD(0x428a2f98d728ae22ull));
    SHA512_ROUND(h, a, b, c, d, e, f, g, SHA512_LOAD(1),  SHA512_WORD(0x7137449123ef65cdull));
    SHA512_ROUND(g, h, a, b, c, d, e, f, SHA512_LOAD(2),  SHA512_WORD(0xb5c0fbcfec4d3b2full));
    SHA512_ROUND(f, g, h, a, b, c, d, e, SHA512_LOAD(3),  SHA512_WORD(0xe9b5dba58189dbbcull));
    SHA512_ROUND(e, f, g, h, a, b, c, d, SHA512_LOAD(4),  SHA512_WORD(0x3956c25bf348b538ull));
    SHA512_ROUND(d, e, f, g, h, a, b, c, SHA512_LOAD(5),  SHA512_WORD(0x59f111f1b605d019ull));
    SHA512_ROUND(c, d, e, f, g, h, a, b, SHA512_LOAD(6),  SHA512_WORD(0x923f82a4af194f9bull));
    SHA512_ROUND(b, c, d, e, f, g, h, a, SHA512_LOAD(7),  SHA512_WORD(0xab1c5ed5da6d8118ull));
    SHA512_ROUND(a, b, c, d, e, f, g, h, SHA512_LOAD(8),  SHA512_WORD(0xd807aa98a3030242ull));
    SHA512_ROUND(h, a, b, c, d, e, f, g, SHA512_LOAD(9),  SHA512_WORD(0x12835b0145706fbeull));
    SHA512_ROUND(g, h, a, b, c, d, e, f, SHA512_LOAD(10), SHA512_WORD(0x243185be4ee4b28cull));
    SHA512_ROUND(f, g, h, a, b, c, d, e, SHA512_LOAD(11), SHA512_WORD(0x550c7dc3d5ffb4e2ull));
    SHA512_ROUND(e, f, g, h, a, b, c, d, SHA512_LOAD(12), SHA512_WORD(0x72be5d74f27b896full));
    SHA512_ROUND(d, e, f, g, h, a, b, c, SHA512_LOAD(13), SHA512_WORD(0x80deb1fe3b1696b1ull));
    SHA512_ROUND(c, d, e, f, g, h, a, b, SHA512_LOAD(14), SHA512_WORD(0x9bdc06a725c71235ull));
    SHA512_ROUND(b, c, d, e, f, g, h, a, SHA512_LOAD(15), SHA512_WORD(0xc19bf174cf692694ull));
    // clang-format on

    const uint64_t* const end = Sha512RoundConstants + 80;
    for (const uint64_t* constants = Sha512RoundConstants + 16; constants != end; constants += 16) {
        // clang-format off
        SHA512_ROUND(a, b, c, d, e, f, g, h, SHA512_NEXT(0),  SHA512_WORD(constants[0]));
        SHA512_ROUND(h, a, b, c, d, e, f, g, SHA512_NEXT(1),  SHA512_WORD(constants[1]));
        SHA512_ROUND(g, h, a, b, c, d, e, f, SHA512_NEXT(2),  SHA512_WORD(constants[2]));
        SHA512_ROUND(f, g, h, a, b, c, d, e, SHA512_NEXT(3),  SHA512_WORD(constants[3]));
        SHA512_ROUND(e, f, g, h, a, b, c, d, SHA512_NEXT(4),  SHA512_WORD(constants[4]));
        SHA512_ROUND(d, e, f, g, h, a, b, c, SHA512_NEXT(5),  SHA512_WORD(constants[5]));
        SHA512_ROUND(c, d, e, f, g, h, a, b, SHA512_NEXT(6),  SHA512_WORD(constants[6]));
        SHA512_ROUND(b, c, d, e, f, g, h, a, SHA512_NEXT(7),  SHA512_WORD(constants[7]));
        SHA512_ROUND(a, b, c, d, e, f, g, h, SHA512_NEXT(8),  SHA512_WORD(constants[8]));
        SHA512_ROUND(h, a, b, c, d, e, f, g, SHA512_NEXT(9),  SHA512_WORD(constants[9]));
        SHA512_ROUND(g, h, a, b, c, d, e, f, SHA512_NEXT(10), SHA512_WORD(constants[10]));
        SHA512_ROUND(f, g, h, a, b, c, d, e, SHA512_NEXT(11), SHA512_WORD(constants[11]));
        SHA512_ROUND(e, f, g, h, a, b, c, d, SHA512_NEXT(12), SHA512_WORD(constants[12]));
        SHA512_ROUND(d, e, f, g, h, a, b, c, SHA512_NEXT(13), SHA512_WORD(constants[13]));
        SHA512_ROUND(c, d, e, f, g, h, a, b, SHA512_NEXT(14), SHA512_WORD(constants[14]));
        SHA512_ROUND(b, c, d, e, f, g, h, a, SHA512_NEXT(15), SHA512_WORD(constants[15]));
        // clang-format on
    }

    chain[0] += Sha512Value(a);
    chain[1] += Sha512Value(b);
    chain[2] += Sha512Value(c);
    chain[3] += Sha512Value(d);
    chain[4] += Sha512Value(e);
    chain[5] += Sha512Value(f);
    chain[6] += Sha512Value(g);
    chain[7] += Sha512Value(h);
}

}  // namespace

#undef SHA512_ROUND
#undef SHA512_LOAD
#undef SHA512_NEXT
#undef SHA512_WORD
