// SPDX-License-Identifier: MIT
// SHA3-224/256/384/512 (FIPS 202): a Keccak sponge behind the digest plugin interface.
#pragma once
#include <cstdint>

#include "digest/plugin.h"

// The Keccak-f[1600] state with the bytes of an incomplete block. Holds no
// pointers, so a copy is a second independent sponge.
struct KeccakSponge {
    uint64_t lanes[25];   // lane x + 5y is A[x, y], least significant byte first
    uint8_t buffer[192];  // message bytes of an incomplete block; the padded last block
    uint32_t position;    // bytes waiting in buffer; bit 31 marks a finished sponge
    uint32_t rate;        // block size in bytes
};

struct Sha3Context {
    DigestContext header;
    KeccakSponge sponge;
};

// The plugin's create without the allocation (DigestInitOp); its operations
// are reached through the plugin table.
DigestContext* Sha3InitContext(void* memory, int32_t bits, int32_t flag);

// bits is 224, 256, 384 or 512; the sponge is cleared and left open and empty.
void Sha3SpongeInit(KeccakSponge* sponge, int32_t bits);
void Sha3Init224(KeccakSponge* sponge);
void Sha3Init256(KeccakSponge* sponge);
void Sha3Init384(KeccakSponge* sponge);
void Sha3Init512(KeccakSponge* sponge);

// Ignored once the sponge is finished.
void Sha3SpongeAbsorb(KeccakSponge* sponge, const uint8_t* data, uint32_t length);
// Pads and absorbs the last block the first time; every call copies the
// 100 - rate / 2 digest bytes to out unless out is null.
void Sha3SpongeFinal(KeccakSponge* sponge, uint8_t* out);

// One block of rate bytes (72, 104, 136 or 144) into the state, then the permutation.
void Sha3AbsorbBlock(KeccakSponge* sponge, const uint8_t* block, uint32_t rate);
// Keccak-f[1600] in place, in the chosen form.
void KeccakPermute(uint64_t state[25]);

// The forms of the permutation (digest/forms.h lists them).
using KeccakPermuteRoutine = void (*)(uint64_t state[25]);
void KeccakPermutePortable(uint64_t state[25]);
#if defined(__i386__) || defined(__x86_64__)
void KeccakPermuteBmi1(uint64_t state[25]);
#endif
