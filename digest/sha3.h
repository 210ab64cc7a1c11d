// SPDX-License-Identifier: MIT
// SHA3-224/256/384/512 (FIPS 202): a Keccak sponge behind the digest plugin interface.
#pragma once
#include <cstdint>

#include "digest/forms.h"
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

// The forms of the permutation (digest/form_tables.h lists them).
void KeccakPermutePortable(uint64_t state[25]);
#if defined(__i386__) || defined(__x86_64__)
void KeccakPermuteBmi1(uint64_t state[25]);
#endif
