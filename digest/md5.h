// SPDX-License-Identifier: MIT
// The MD5 plugin (RFC 1321): its context and its four operations.
#pragma once
#include <cstdint>

#include "digest/plugin.h"

struct Md5Context {
    DigestContext header;
    uint32_t chain[4];      // A, B, C, D
    uint32_t bitCountLow;   // message bits fed so far, low half
    uint32_t bitCountHigh;  // and high half
    uint8_t block[64];      // (bitCountLow / 8) mod 64 bytes waiting for a full block
};

// create without the allocation (DigestInitOp).
DigestContext* Md5InitContext(void* memory, int32_t bits, int32_t flag);
DigestContext* QUORVALENT_CALL Md5Create(int32_t bits, int32_t flag);
void QUORVALENT_CALL Md5Update(DigestContext* context, uint8_t* data, uint32_t length);
void QUORVALENT_CALL Md5Finish(DigestContext* context);
void QUORVALENT_CALL Md5Release(DigestContext* context);
