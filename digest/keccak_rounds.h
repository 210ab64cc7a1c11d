// SPDX-License-Identifier: MIT
// Keccak-f[1600] (FIPS 202, section 3): the round constants and the steps, written
// once and compiled into each form of the permutation: the portable one and the
// one built for BMI1.
#pragma once
#include <cstdint>
#include <cstring>

#include "digest/byte_order.h"

// FIPS 202, section 3.2.5: the iota constants RC of rounds 0 to 23.
// clang-format off
static constexpr uint64_t KeccakRoundConstants[24] = {
    0x0000000000000001ull, 0x0000000000008082ull, 0x800000000000808Aull, 0x8000000080008000ull,
    0x000000000000808Bull, 0x0000000080000001ull, 0x8000000080008081ull, 0x8000000000008009ull,
    0x000000000000008Aull, 0x0000000000000088ull, 0x0000000080008009ull, 0x000000008000000Aull,
    0x000000008000808Bull, 0x800000000000008Bull, 0x8000000000008089ull, 0x8000000000008003ull,
    0x8000000000008002ull, 0x8000000000000080ull, 0x000000000000800Aull, 0x800000008000000Aull,
    0x8000000080008081ull, 0x8000000000008080ull, 0x0000000080000001ull, 0x8000000080008008ull,
};
// clang-format on

// theta: every lane takes the parity of the two neighbouring columns. The
// pragmas matter: -O2 keeps five-step loops rolled, with mod 5 at run time.
[[gnu::always_inline]] static inline void KeccakTheta(uint64_t* lanes)
{
    uint64_t parity[5];
    uint64_t effect[5];
#pragma GCC unroll 5
    for (int x = 0; x < 5; ++x) parity[x] = lanes[x] ^ lanes[x + 5] ^ lanes[x + 10] ^ lanes[x + 15] ^ lanes[x + 20];
#pragma GCC unroll 5
    for (int x = 0; x < 5; ++x) effect[x] = parity[(x + 4) % 5] ^ RotateLeft64<1>(parity[(x + 1) % 5]);
#pragma GCC unroll 5
    for (int y = 0; y < 25; y += 5)
#pragma GCC unroll 5
        for (int x = 0; x < 5; ++x) lanes[y + x] ^= effect[x];
}

// pi: A'[x, y] = A[(x + 3y) mod 5, x] is a single cycle through lanes 1 to 24,
// so it runs in place with one lane saved.
[[gnu::always_inline]] static inline void KeccakPi(uint64_t* lanes)
{
    const uint64_t saved = lanes[1];
    // clang-format off
    lanes[1]  = lanes[6];
    lanes[6]  = lanes[9];
    lanes[9]  = lanes[22];
    lanes[22] = lanes[14];
    lanes[14] = lanes[20];
    lanes[20] = lanes[2];
    lanes[2]  = lanes[12];
    lanes[12] = lanes[13];
    lanes[13] = lanes[19];
    lanes[19] = lanes[23];
    lanes[23] = lanes[15];
    lanes[15] = lanes[4];
    lanes[4]  = lanes[24];
    lanes[24] = lanes[21];
    lanes[21] = lanes[8];
    lanes[8]  = lanes[16];
    lanes[16] = lanes[5];
    lanes[5]  = lanes[3];
    lanes[3]  = lanes[18];
    lanes[18] = lanes[17];
    lanes[17] = lanes[11];
    lanes[11] = lanes[7];
    lanes[7]  = lanes[10];
    lanes[10] = saved;
    // clang-format on
}

// chi: each row mixes only with itself, so five saved lanes are enough.
[[gnu::always_inline]] static inline void KeccakChi(uint64_t* lanes)
{
#pragma GCC unroll 5
    for (int y = 0; y < 25; y += 5) {
        const uint64_t a0 = lanes[y];
        const uint64_t a1 = lanes[y + 1];
        const uint64_t a2 = lanes[y + 2];
        const uint64_t a3 = lanes[y + 3];
        const uint64_t a4 = lanes[y + 4];
        lanes[y] = a0 ^ (~a1 & a2);
        lanes[y + 1] = a1 ^ (~a2 & a3);
        lanes[y + 2] = a2 ^ (~a3 & a4);
        lanes[y + 3] = a3 ^ (~a4 & a0);
        lanes[y + 4] = a4 ^ (~a0 & a1);
    }
}

[[gnu::always_inline]] static inline void KeccakRounds(uint64_t state[25])
{
    // A local working copy, written back once, lets the compiler keep lanes in
    // registers across the steps instead of reloading them through the pointer.
    uint64_t lanes[25];
    std::memcpy(lanes, state, sizeof lanes);
    for (const uint64_t roundConstant : KeccakRoundConstants) {
        KeccakTheta(lanes);
        // rho: the FIPS 202 offset of each position; lane 0 keeps its offset of 0.
        // clang-format off
        lanes[1]  = RotateLeft64<1>(lanes[1]);
        lanes[2]  = RotateLeft64<62>(lanes[2]);
        lanes[3]  = RotateLeft64<28>(lanes[3]);
        lanes[4]  = RotateLeft64<27>(lanes[4]);
        lanes[5]  = RotateLeft64<36>(lanes[5]);
        lanes[6]  = RotateLeft64<44>(lanes[6]);
        lanes[7]  = RotateLeft64<6>(lanes[7]);
        lanes[8]  = RotateLeft64<55>(lanes[8]);
        lanes[9]  = RotateLeft64<20>(lanes[9]);
        lanes[10] = RotateLeft64<3>(lanes[10]);
        lanes[11] = RotateLeft64<10>(lanes[11]);
        lanes[12] = RotateLeft64<43>(lanes[12]);
        lanes[13] = RotateLeft64<25>(lanes[13]);
        lanes[14] = RotateLeft64<39>(lanes[14]);
        lanes[15] = RotateLeft64<41>(lanes[15]);
        lanes[16] = RotateLeft64<45>(lanes[16]);
        lanes[17] = RotateLeft64<15>(lanes[17]);
        lanes[18] = RotateLeft64<21>(lanes[18]);
        lanes[19] = RotateLeft64<8>(lanes[19]);
        lanes[20] = RotateLeft64<18>(lanes[20]);
        lanes[21] = RotateLeft64<2>(lanes[21]);
        lanes[22] = RotateLeft64<61>(lanes[22]);
        lanes[23] = RotateLeft64<56>(lanes[23]);
        lanes[24] = RotateLeft64<14>(lanes[24]);
        // clang-format on
        KeccakPi(lanes);
        KeccakChi(lanes);
        lanes[0] ^= roundConstant;  // iota
    }
    std::memcpy(state, lanes, sizeof lanes);
}
