// SPDX-License-Identifier: MIT
// The SHA-3 plugin: a Keccak sponge with plain 64-bit lanes and the Keccak-f[1600] permutation.
#include "digest/sha3.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/wipe.h"
#include "runtime/cpu.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Sha3Context> && offsetof(Sha3Context, header) == 0,
              "the header must start the context");

// Stored in position once the last block is absorbed.
static constexpr uint32_t FinishedMark = 0x80000000u;

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

#if defined(__x86_64__)
// The same rounds where the processor has ANDN: chi's ~a & b becomes one
// instruction instead of a copy, a NOT and an AND. (GCC splits the 64-bit
// lanes of a 32-bit build without ANDN, so there the plain rounds serve.)
[[gnu::target("bmi")]] void KeccakPermuteBmi1(uint64_t state[25]) { KeccakRounds(state); }

void KeccakPermutePortable(uint64_t state[25]) { KeccakRounds(state); }
#endif

void KeccakPermute(uint64_t state[25])
{
#if defined(__x86_64__)
    if (CpuHasBmi1()) {
        KeccakPermuteBmi1(state);
    } else {
        KeccakPermutePortable(state);
    }
#else
    KeccakRounds(state);
#endif
}

[[gnu::always_inline]] static inline void XorBlockLane(uint64_t* lanes, const uint8_t* block, int index)
{
    lanes[index] ^= LoadLittleEndian64(block + 8 * index);
}

void Sha3AbsorbBlock(KeccakSponge* sponge, const uint8_t* block, uint32_t rate)
{
    uint64_t* lanes = sponge->lanes;
    // Every rate covers lanes 0 to 8 (SHA3-512); the larger ones add lanes in three steps.
    // clang-format off
    XorBlockLane(lanes, block, 0);
    XorBlockLane(lanes, block, 1);
    XorBlockLane(lanes, block, 2);
    XorBlockLane(lanes, block, 3);
    XorBlockLane(lanes, block, 4);
    XorBlockLane(lanes, block, 5);
    XorBlockLane(lanes, block, 6);
    XorBlockLane(lanes, block, 7);
    XorBlockLane(lanes, block, 8);
    if (rate > 72) {
        XorBlockLane(lanes, block, 9);
        XorBlockLane(lanes, block, 10);
        XorBlockLane(lanes, block, 11);
        XorBlockLane(lanes, block, 12);
        if (rate > 104) {
            XorBlockLane(lanes, block, 13);
            XorBlockLane(lanes, block, 14);
            XorBlockLane(lanes, block, 15);
            XorBlockLane(lanes, block, 16);
            if (rate > 136) XorBlockLane(lanes, block, 17);
        }
    }
    // clang-format on
    KeccakPermute(lanes);
}

void Sha3SpongeInit(KeccakSponge* sponge, int32_t bits)
{
    std::memset(sponge, 0, sizeof *sponge);
    // The capacity is twice the digest length; the rest of the 1600 bits is the rate.
    sponge->rate = static_cast<uint32_t>(1600 - 2 * bits) / 8;
}

void Sha3Init224(KeccakSponge* sponge) { Sha3SpongeInit(sponge, 224); }
void Sha3Init256(KeccakSponge* sponge) { Sha3SpongeInit(sponge, 256); }
void Sha3Init384(KeccakSponge* sponge) { Sha3SpongeInit(sponge, 384); }
void Sha3Init512(KeccakSponge* sponge) { Sha3SpongeInit(sponge, 512); }

void Sha3SpongeAbsorb(KeccakSponge* sponge, const uint8_t* data, uint32_t length)
{
    if (sponge->position & FinishedMark) return;
    if (length == 0) return;  // data may then be null, which memcpy must not see
    const uint32_t rate = sponge->rate;
    const uint32_t old = sponge->position;
    // (old + length) mod rate, reduced first so that no length can wrap the sum.
    sponge->position = (old + length % rate) % rate;

    if (old != 0) {
        const uint32_t missing = rate - old;
        std::memcpy(sponge->buffer + old, data, length < missing ? length : missing);
        if (length < missing) return;
        Sha3AbsorbBlock(sponge, sponge->buffer, rate);
        data += missing;
        length -= missing;
    }
    while (length >= rate) {
        // Aligned blocks are read where they are; others are copied first so
        // the lane loads always see an address that is a multiple of 8.
        if (reinterpret_cast<uintptr_t>(data) % 8 == 0) {
            Sha3AbsorbBlock(sponge, data, rate);
        } else {
            std::memcpy(sponge->buffer, data, rate);
            Sha3AbsorbBlock(sponge, sponge->buffer, rate);
        }
        data += rate;
        length -= rate;
    }
    if (length != 0) std::memcpy(sponge->buffer, data, length);
}

void Sha3SpongeFinal(KeccakSponge* sponge, uint8_t* out)
{
    const uint32_t rate = sponge->rate;
    if (!(sponge->position & FinishedMark)) {
        // SHA-3 closes the message with the domain bits 01 and pad10*1: the byte
        // 0x06 after the message and 0x80 in the block's last byte. With rate - 1
        // message bytes waiting, both land in that last byte, which becomes 0x86.
        const uint32_t position = sponge->position;
        std::memset(sponge->buffer + position, 0, rate - position);
        sponge->buffer[position] |= 0x06;
        sponge->buffer[rate - 1] |= 0x80;
        Sha3AbsorbBlock(sponge, sponge->buffer, rate);
        sponge->position = FinishedMark;
    }
    // A null out only closes the sponge; a later call copies the digest.
    if (!out) return;
    // The digest (at most 64 bytes) is shorter than the rate, so one
    // permutation's state already holds all of it.
    const uint32_t count = 100 - rate / 2;
    uint8_t bytes[64];
    for (uint32_t i = 0; 8 * i < count; ++i) StoreLittleEndian64(bytes + 8 * i, sponge->lanes[i]);
    std::memcpy(out, bytes, count);
    WipeMemory(bytes, sizeof bytes);
}

static DigestContext* QUORVALENT_CALL Sha3Create(int32_t bits, int32_t flag)
{
    (void)flag;  // the sponge never writes the caller's bytes
    if (bits == 0) bits = 256;
    void (*init)(KeccakSponge*) = nullptr;
    switch (bits) {
    case 224:
        init = Sha3Init224;
        break;
    case 256:
        init = Sha3Init256;
        break;
    case 384:
        init = Sha3Init384;
        break;
    case 512:
        init = Sha3Init512;
        break;
    default:
        return nullptr;  // refused before anything is allocated
    }
    Sha3Context* context = static_cast<Sha3Context*>(AllocInternal(sizeof(Sha3Context)));
    if (!context) return nullptr;
    context->header.digestBits = bits;
    init(&context->sponge);
    return &context->header;
}

static void QUORVALENT_CALL Sha3Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Sha3SpongeAbsorb(&reinterpret_cast<Sha3Context*>(context)->sponge, data, length);
}

static void QUORVALENT_CALL Sha3Finish(DigestContext* context)
{
    Sha3SpongeFinal(&reinterpret_cast<Sha3Context*>(context)->sponge, context->digest);
}

static void QUORVALENT_CALL Sha3Release(DigestContext* context)
{
    FreeInternal(reinterpret_cast<Sha3Context*>(context));
}

int32_t EnsureSha3Plugin()
{
    if (DigestPlugin* plugin = RegisterDigestPlugin(Sha3)) {
        plugin->create = Sha3Create;
        plugin->update = Sha3Update;
        plugin->finish = Sha3Finish;
        plugin->release = Sha3Release;
    }
    return 1;
}
