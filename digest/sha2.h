// SPDX-License-Identifier: MIT
// The SHA-2 plugin (FIPS 180-4): SHA-224 and SHA-256 on 32-bit words, SHA-384 and
// SHA-512 on 64-bit words, behind one set of plugin operations.
#pragma once
#include <cstdint>

#include "digest/forms.h"
#include "digest/plugin.h"

// The 32-bit-word engine, for SHA-224 and SHA-256.
struct Sha256State {
    uint8_t block[64];     // byteCount mod 64 bytes waiting for a full block
    uint64_t byteCount;    // message bytes fed so far, modulo 2^64
    uint32_t chain[8];     // H0 to H7
    uint32_t digestBytes;  // 28 or 32
};

// The 64-bit-word engine, for SHA-384 and SHA-512.
struct Sha512State {
    uint8_t block[128];    // byteCount mod 128 bytes waiting for a full block
    uint64_t byteCount;    // message bytes fed so far, modulo 2^64
    uint64_t chain[8];     // H0 to H7
    uint32_t digestBytes;  // 48 or 64
};

// digestBits picks the live engine: 224 and 256 use sha256, 384 and 512 use sha512.
struct Sha2Context {
    DigestContext header;
    union {
        Sha256State sha256;
        Sha512State sha512;
    };
};

// create without the allocation (DigestInitOp).
DigestContext* Sha2InitContext(void* memory, int32_t bits, int32_t flag);

// The forms of each compression (digest/form_tables.h lists them): count whole
// blocks into the chaining values, only read. The portable ones have the steps
// written out.
void Sha256CompressPortable(uint32_t chain[8], const uint8_t* blocks, uint32_t count);
void Sha512CompressPortable(uint64_t chain[8], const uint8_t* blocks, uint32_t count);
#if defined(__i386__) || defined(__x86_64__)
void Sha256CompressShaExt(uint32_t chain[8], const uint8_t* blocks, uint32_t count);
#endif
#if defined(__i386__)
// The portable rounds on a vector type whose low lane holds the word: one SSE2
// instruction for each 64-bit operation.
void Sha512CompressSse2(uint64_t chain[8], const uint8_t* blocks, uint32_t count);
#endif
#if defined(__x86_64__) || defined(__i386__)
// count whole blocks, one after the other, with the chaining values kept in
// registers between them. The schedule runs in YMM registers; on x86-64 the
// rounds use RORX and ANDN, on 32-bit x86 they run in vector registers too.
void Sha512CompressAvx2(uint64_t chain[8], const uint8_t* blocks, uint32_t count);
#endif

// FIPS 180-4, section 4.2.2: K0 to K63, shared by every SHA-256 form.
extern const uint32_t Sha256RoundConstants[64];
