// SPDX-License-Identifier: MIT
// The SHA-1 plugin (FIPS 180-4): its context and its four operations.
#pragma once
#include <cstdint>

#include "digest/forms.h"
#include "digest/plugin.h"

struct Sha1Context {
    DigestContext header;
    uint32_t chain[5];      // H0 to H4
    uint32_t bitCountLow;   // message bits fed so far, low half
    uint32_t bitCountHigh;  // and high half
    uint8_t block[64];      // (bitCountLow / 8) mod 64 bytes waiting for a full block
    int32_t preserveInput;  // create's flag: nonzero compresses every block from workspace
    uint8_t workspace[64];  // the private copy of the block under compression
};

// create without the allocation (DigestInitOp).
DigestContext* Sha1InitContext(void* memory, int32_t bits, int32_t flag);
DigestContext* QUORVALENT_CALL Sha1Create(int32_t bits, int32_t flag);
void QUORVALENT_CALL Sha1Update(DigestContext* context, uint8_t* data, uint32_t length);
void QUORVALENT_CALL Sha1Finish(DigestContext* context);
void QUORVALENT_CALL Sha1Release(DigestContext* context);

// The forms of the compression (digest/form_tables.h lists them): count whole blocks
// into the chaining values. copy is null or the 64-byte area that holds each
// block's schedule; without it the portable and BMI2 forms write the schedule
// over the blocks themselves. The form with the SHA extensions never writes
// either: the schedule stays in its registers.
void Sha1CompressPortable(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy);
#if defined(__i386__) || defined(__x86_64__)
void Sha1CompressBmi2(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy);
void Sha1CompressShaExt(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy);
#endif
