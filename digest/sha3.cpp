// SPDX-License-Identifier: MIT
// The SHA-3 plugin: a Keccak sponge with plain 64-bit lanes over the Keccak-f[1600]
// permutation of digest/keccak_rounds.h.
#include "digest/sha3.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/forms.h"
#include "digest/keccak_rounds.h"
#include "digest/wipe.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Sha3Context> && offsetof(Sha3Context, header) == 0,
              "the header must start the context");

// The portable form; the rounds are in digest/keccak_rounds.h.
void KeccakPermutePortable(uint64_t state[25]) { KeccakRounds(state); }

namespace {

// Stored in position once the last block is absorbed.
constexpr uint32_t FinishedMark = 0x80000000u;

// Keccak-f[1600] in place, in the chosen form.
void KeccakPermute(uint64_t state[25]) { digestForms.keccak(state); }

[[gnu::always_inline]] inline void XorBlockLane(uint64_t* lanes, const uint8_t* block, int index)
{
    lanes[index] ^= LoadLittleEndian64(block + 8 * index);
}

// One block of rate bytes (72, 104, 136 or 144) into the state, then the permutation.
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

// bits is 224, 256, 384 or 512; the sponge is cleared and left open and empty.
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

// Ignored once the sponge is finished.
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

// Pads and absorbs the last block the first time; every call copies the
// 100 - rate / 2 digest bytes to out unless out is null.
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
    StoreLittleEndian64(out, sponge->lanes, 100 - rate / 2);
}

// The initialisation of the sponge create makes for bits (0 means 256); null for a refused length.
void (*Sha3InitFor(int32_t bits))(KeccakSponge*)
{
    switch (bits) {
    case 224:
        return Sha3Init224;
    case 0:
    case 256:
        return Sha3Init256;
    case 384:
        return Sha3Init384;
    case 512:
        return Sha3Init512;
    default:
        return nullptr;
    }
}

}  // namespace

DigestContext* Sha3InitContext(void* memory, int32_t bits, int32_t flag)
{
    (void)flag;  // the sponge never writes the caller's bytes
    void (*init)(KeccakSponge*) = Sha3InitFor(bits);
    if (!init) return nullptr;
    auto* context = static_cast<Sha3Context*>(memory);
    context->header.digestBits = bits == 0 ? 256 : bits;
    init(&context->sponge);
    return &context->header;
}

namespace {

DigestContext* QUORVALENT_CALL Sha3Create(int32_t bits, int32_t flag)
{
    if (!Sha3InitFor(bits)) return nullptr;  // refused before anything is allocated
    void* memory = AllocInternal(sizeof(Sha3Context));
    return memory ? Sha3InitContext(memory, bits, flag) : nullptr;
}

void QUORVALENT_CALL Sha3Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Sha3SpongeAbsorb(&reinterpret_cast<Sha3Context*>(context)->sponge, data, length);
}

void QUORVALENT_CALL Sha3Finish(DigestContext* context)
{
    Sha3SpongeFinal(&reinterpret_cast<Sha3Context*>(context)->sponge, context->digest);
}

void QUORVALENT_CALL Sha3Release(DigestContext* context) { WipeAndFreeContext(context, sizeof(Sha3Context)); }

}  // namespace

int32_t EnsureSha3Plugin()
{
    static constexpr DigestPlugin Operations = {Sha3, Sha3Create, Sha3Update, Sha3Finish, Sha3Release};
    return EnsureDigestPlugin(Operations);
}
