// SPDX-License-Identifier: MIT
// The 80 steps of the SHA-1 compression (FIPS 180-4, sections 4.1.1, 4.2.1 and
// 6.1.3, with a 16-word circular schedule), written out once and compiled into
// each form that runs them: the portable one and the one built for BMI2.
#pragma once
#include <cstdint>

#include "digest/byte_order.h"

// The message schedule is a circular array of 16 words held in the 64 bytes under
// compression: word t (t >= 16) replaces word t - 16 in slot t mod 16. Each message
// word is byte-swapped once, as it is read, and its slot then holds it in the
// machine's order, so the 64 schedule steps need no byte swaps of their own.
template <int Step>
static inline uint32_t Sha1MessageWord(const uint8_t* bytes, uint8_t* words)
{
    const uint32_t word = LoadBigEndian32(bytes + 4 * Step);
    StoreLittleEndian32(words + 4 * Step, word);
    return word;
}

template <int Step>
static inline uint32_t Sha1ScheduleWord(uint8_t* words)
{
    const uint32_t word = RotateLeft32<1>(
        LoadLittleEndian32(words + 4 * ((Step - 3) & 15)) ^ LoadLittleEndian32(words + 4 * ((Step - 8) & 15)) ^
        LoadLittleEndian32(words + 4 * ((Step - 14) & 15)) ^ LoadLittleEndian32(words + 4 * (Step & 15)));
    StoreLittleEndian32(words + 4 * (Step & 15), word);
    return word;
}

#define SHA1_LOAD(step) Sha1MessageWord<step>(bytes, words)
#define SHA1_NEXT(step) Sha1ScheduleWord<step>(words)

// One step, renaming instead of moving: the caller rotates the roles of a..e.
#define SHA1_STEP(mix, a, b, e, word, constant) \
    e += RotateLeft32<5>(a) + (mix) + (word) + (constant); \
    b = RotateLeft32<30>(b)
#define SHA1_CH(a, b, c, d, e, word, constant) SHA1_STEP(d ^ (b & (c ^ d)), a, b, e, word, constant)
#define SHA1_PARITY(a, b, c, d, e, word, constant) SHA1_STEP(b ^ c ^ d, a, b, e, word, constant)
#define SHA1_MAJ(a, b, c, d, e, word, constant) SHA1_STEP((b & c) | (d & (b | c)), a, b, e, word, constant)

// Writes the schedule over the 64 bytes it works on: the given ones, or copy when
// there is one. The copy is made word by word as the first 16 steps read the message.
[[gnu::always_inline]] static inline void Sha1Steps(uint32_t* chain, uint8_t* bytes, uint8_t* copy)
{
    uint8_t* words = copy ? copy : bytes;
    uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3], e = chain[4];

    // clang-format off
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(0),  0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(1),  0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(2),  0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(3),  0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(4),  0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(5),  0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(6),  0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(7),  0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(8),  0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(9),  0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(10), 0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(11), 0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(12), 0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(13), 0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(14), 0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(15), 0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_NEXT(16), 0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_NEXT(17), 0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_NEXT(18), 0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_NEXT(19), 0x5a827999);

    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(20), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(21), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(22), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(23), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(24), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(25), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(26), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(27), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(28), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(29), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(30), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(31), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(32), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(33), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(34), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(35), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(36), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(37), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(38), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(39), 0x6ed9eba1);

    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(40), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(41), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(42), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(43), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(44), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(45), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(46), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(47), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(48), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(49), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(50), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(51), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(52), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(53), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(54), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(55), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(56), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(57), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(58), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(59), 0x8f1bbcdc);

    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(60), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(61), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(62), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(63), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(64), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(65), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(66), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(67), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(68), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(69), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(70), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(71), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(72), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(73), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(74), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(75), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(76), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(77), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(78), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(79), 0xca62c1d6);
    // clang-format on

    chain[0] += a;
    chain[1] += b;
    chain[2] += c;
    chain[3] += d;
    chain[4] += e;
}

// Whole blocks one after another, each with its schedule over itself or over copy.
[[gnu::always_inline]] static inline void Sha1StepsOverBlocks(uint32_t* chain, uint8_t* blocks, uint32_t count,
                                                              uint8_t* copy)
{
    for (uint32_t i = 0; i < count; ++i) Sha1Steps(chain, blocks + 64 * i, copy);
}

#undef SHA1_LOAD
#undef SHA1_NEXT
#undef SHA1_STEP
#undef SHA1_CH
#undef SHA1_PARITY
#undef SHA1_MAJ
