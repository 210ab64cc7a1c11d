// SPDX-License-Identifier: MIT
// The SHA-1 plugin (FIPS 180-4): its context and its four operations.
#pragma once
#include <cstdint>

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

DigestContext* QUORVALENT_CALL Sha1Create(int32_t bits, int32_t flag);
void QUORVALENT_CALL Sha1Update(DigestContext* context, uint8_t* data, uint32_t length);
void QUORVALENT_CALL Sha1Finish(DigestContext* context);
void QUORVALENT_CALL Sha1Release(DigestContext* context);

#if defined(__x86_64__)
// The two forms of the compression picked between on x86-64, by whether the
// processor has BMI2; copy is null or the 64-byte area the schedule goes to.
void Sha1CompressBmi2(uint32_t* chain, uint8_t* bytes, uint8_t* copy);
void Sha1CompressPortable(uint32_t* chain, uint8_t* bytes, uint8_t* copy);
#endif
