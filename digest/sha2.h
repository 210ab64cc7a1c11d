// SPDX-License-Identifier: MIT
// The SHA-2 plugin (FIPS 180-4): SHA-224 and SHA-256 on 32-bit words, SHA-384 and
// SHA-512 on 64-bit words, behind one set of plugin operations.
#pragma once
#include <cstdint>

#include "digest/plugin.h"
#include "runtime/cpu.h"

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
DigestContext* QUORVALENT_CALL Sha2Create(int32_t bits, int32_t flag);
void QUORVALENT_CALL Sha2Update(DigestContext* context, uint8_t* data, uint32_t length);
void QUORVALENT_CALL Sha2Finish(DigestContext* context);
void QUORVALENT_CALL Sha2Release(DigestContext* context);

// Set the count, the digest length and the chaining values; block is left as it is.
void Sha224Init(Sha256State* state);
void Sha256Init(Sha256State* state);
void Sha384Init(Sha512State* state);
void Sha512Init(Sha512State* state);

void Sha256Update(Sha256State* state, const uint8_t* data, uint32_t length);
void Sha512Update(Sha512State* state, const uint8_t* data, uint32_t length);

// Pad in place, compress, and write digestBytes bytes to out unless out is null.
void Sha256Final(Sha256State* state, uint8_t* out);
void Sha512Final(Sha512State* state, uint8_t* out);

// One block into the chaining values; the block is only read. These are the
// portable compressions, with the steps written out.
void Sha256Compress(uint32_t chain[8], const uint8_t* block);
void Sha512Compress(uint64_t chain[8], const uint8_t* block);

// The forms of each compression (digest/forms.h lists them): count whole blocks
// into the chaining values, only read.
using Sha256CompressRoutine = void (*)(uint32_t chain[8], const uint8_t* blocks, uint32_t count);
using Sha512CompressRoutine = void (*)(uint64_t chain[8], const uint8_t* blocks, uint32_t count);
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
#if defined(__x86_64__)
inline constexpr uint32_t Sha512CompressAvx2Needs = CpuAvx2 | CpuBmi1 | CpuBmi2;
#else
inline constexpr uint32_t Sha512CompressAvx2Needs = CpuAvx2;
#endif
#endif

// FIPS 180-4, section 4.2.2: K0 to K63, shared by every SHA-256 form.
extern const uint32_t Sha256RoundConstants[64];
