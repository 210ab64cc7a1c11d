// SPDX-License-Identifier: MIT
// The SHA-2 plugin: two FIPS 180-4 engines, 32-bit words for SHA-224 and SHA-256,
// 64-bit words for SHA-384 and SHA-512.
#include "digest/sha2.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/forms.h"
#include "digest/sha512_rounds.h"
#include "digest/wipe.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Sha2Context> && offsetof(Sha2Context, header) == 0,
              "the header must start the context");

// K0 to K63, which every SHA-256 form reads.
// clang-format off
constexpr uint32_t Sha256RoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};
// clang-format on

namespace {

// FIPS 180-4, sections 4.1.2 and 4.1.3 (functions), 4.2.2 and 4.2.3 (constants),
// 5.3.2 to 5.3.5 (initial hash values) and 6.2 and 6.4 (the hash computations).
// clang-format off
constexpr uint32_t Sha224InitialHashValue[8] = {
    0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939, 0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4,
};
constexpr uint32_t Sha256InitialHashValue[8] = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19,
};
constexpr uint64_t Sha384InitialHashValue[8] = {
    0xcbbb9d5dc1059ed8ull, 0x629a292a367cd507ull, 0x9159015a3070dd17ull, 0x152fecd8f70e5939ull,
    0x67332667ffc00b31ull, 0x8eb44a8768581511ull, 0xdb0c2e0d64f98fa7ull, 0x47b5481dbefa4fa4ull,
};
constexpr uint64_t Sha512InitialHashValue[8] = {
    0x6a09e667f3bcc908ull, 0xbb67ae8584caa73bull, 0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
    0x510e527fade682d1ull, 0x9b05688c2b3e6c1full, 0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull,
};

// clang-format on

// Sum is the standard's capital sigma (on the working variables), Sigma its
// small sigma (on the message schedule).
uint32_t Sha256Sum0(uint32_t x) { return RotateRight32<2>(x) ^ RotateRight32<13>(x) ^ RotateRight32<22>(x); }
uint32_t Sha256Sum1(uint32_t x) { return RotateRight32<6>(x) ^ RotateRight32<11>(x) ^ RotateRight32<25>(x); }
uint32_t Sha256Sigma0(uint32_t x) { return RotateRight32<7>(x) ^ RotateRight32<18>(x) ^ (x >> 3); }
uint32_t Sha256Sigma1(uint32_t x) { return RotateRight32<17>(x) ^ RotateRight32<19>(x) ^ (x >> 10); }

// SHA2_ROUND (digest/sha512_rounds.h) on 32-bit words.
#define SHA256_ROUND(...) SHA2_ROUND(Sha256Sum0, Sha256Sum1, __VA_ARGS__)

// The schedule is a window of 16 words: word t (t >= 16) replaces word t - 16
// in slot t mod 16, where t - 2, t - 7 and t - 15 sit at slots +14, +9 and +1.
#define SHA256_LOAD(slot) (schedule[slot] = LoadBigEndian32(block + 4 * (slot)))
#define SHA256_NEXT(slot) \
    (schedule[slot] += Sha256Sigma1(schedule[((slot) + 14) & 15]) + schedule[((slot) + 9) & 15] + \
                       Sha256Sigma0(schedule[((slot) + 1) & 15]))

// One block into the chaining values; the block is only read.
void Sha256Compress(uint32_t chain[8], const uint8_t* block)
{
    uint32_t schedule[16];
    uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3];
    uint32_t e = chain[4], f = chain[5], g = chain[6], h = chain[7];
    uint32_t pair, lastPair = b ^ c;

    // clang-format off
    SHA256_ROUND(a, b, c, d, e, f, g, h, SHA256_LOAD(0),  0x428a2f98);
    SHA256_ROUND(h, a, b, c, d, e, f, g, SHA256_LOAD(1),  0x71374491);
    SHA256_ROUND(g, h, a, b, c, d, e, f, SHA256_LOAD(2),  0xb5c0fbcf);
    SHA256_ROUND(f, g, h, a, b, c, d, e, SHA256_LOAD(3),  0xe9b5dba5);
    SHA256_ROUND(e, f, g, h, a, b, c, d, SHA256_LOAD(4),  0x3956c25b);
    SHA256_ROUND(d, e, f, g, h, a, b, c, SHA256_LOAD(5),  0x59f111f1);
    SHA256_ROUND(c, d, e, f, g, h, a, b, SHA256_LOAD(6),  0x923f82a4);
    SHA256_ROUND(b, c, d, e, f, g, h, a, SHA256_LOAD(7),  0xab1c5ed5);
    SHA256_ROUND(a, b, c, d, e, f, g, h, SHA256_LOAD(8),  0xd807aa98);
    SHA256_ROUND(h, a, b, c, d, e, f, g, SHA256_LOAD(9),  0x12835b01);
    SHA256_ROUND(g, h, a, b, c, d, e, f, SHA256_LOAD(10), 0x243185be);
    SHA256_ROUND(f, g, h, a, b, c, d, e, SHA256_LOAD(11), 0x550c7dc3);
    SHA256_ROUND(e, f, g, h, a, b, c, d, SHA256_LOAD(12), 0x72be5d74);
    SHA256_ROUND(d, e, f, g, h, a, b, c, SHA256_LOAD(13), 0x80deb1fe);
    SHA256_ROUND(c, d, e, f, g, h, a, b, SHA256_LOAD(14), 0x9bdc06a7);
    SHA256_ROUND(b, c, d, e, f, g, h, a, SHA256_LOAD(15), 0xc19bf174);
    // clang-format on

    const uint32_t* const end = Sha256RoundConstants + 64;
    for (const uint32_t* constants = Sha256RoundConstants + 16; constants != end; constants += 16) {
        // clang-format off
        SHA256_ROUND(a, b, c, d, e, f, g, h, SHA256_NEXT(0),  constants[0]);
        SHA256_ROUND(h, a, b, c, d, e, f, g, SHA256_NEXT(1),  constants[1]);
        SHA256_ROUND(g, h, a, b, c, d, e, f, SHA256_NEXT(2),  constants[2]);
        SHA256_ROUND(f, g, h, a, b, c, d, e, SHA256_NEXT(3),  constants[3]);
        SHA256_ROUND(e, f, g, h, a, b, c, d, SHA256_NEXT(4),  constants[4]);
        SHA256_ROUND(d, e, f, g, h, a, b, c, SHA256_NEXT(5),  constants[5]);
        SHA256_ROUND(c, d, e, f, g, h, a, b, SHA256_NEXT(6),  constants[6]);
        SHA256_ROUND(b, c, d, e, f, g, h, a, SHA256_NEXT(7),  constants[7]);
        SHA256_ROUND(a, b, c, d, e, f, g, h, SHA256_NEXT(8),  constants[8]);
        SHA256_ROUND(h, a, b, c, d, e, f, g, SHA256_NEXT(9),  constants[9]);
        SHA256_ROUND(g, h, a, b, c, d, e, f, SHA256_NEXT(10), constants[10]);
        SHA256_ROUND(f, g, h, a, b, c, d, e, SHA256_NEXT(11), constants[11]);
        SHA256_ROUND(e, f, g, h, a, b, c, d, SHA256_NEXT(12), constants[12]);
        SHA256_ROUND(d, e, f, g, h, a, b, c, SHA256_NEXT(13), constants[13]);
        SHA256_ROUND(c, d, e, f, g, h, a, b, SHA256_NEXT(14), constants[14]);
        SHA256_ROUND(b, c, d, e, f, g, h, a, SHA256_NEXT(15), constants[15]);
        // clang-format on
    }

    chain[0] += a;
    chain[1] += b;
    chain[2] += c;
    chain[3] += d;
    chain[4] += e;
    chain[5] += f;
    chain[6] += g;
    chain[7] += h;
}

void Sha512Compress(uint64_t chain[8], const uint8_t* block) { Sha512Rounds<uint64_t>(chain, block); }

}  // namespace

void Sha256CompressPortable(uint32_t chain[8], const uint8_t* blocks, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) Sha256Compress(chain, blocks + 64 * i);
}

void Sha512CompressPortable(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) Sha512Compress(chain, blocks + 128 * i);
}

namespace {

template <typename State, typename Word>
void Sha2Start(State* state, const Word (&initial)[8], uint32_t digestBytes)
{
    state->byteCount = 0;
    state->digestBytes = digestBytes;
    for (int i = 0; i < 8; ++i) state->chain[i] = initial[i];
}

// Set the count, the digest length and the chaining values; block is left as it is.
void Sha224Init(Sha256State* state) { Sha2Start(state, Sha224InitialHashValue, 28); }
void Sha256Init(Sha256State* state) { Sha2Start(state, Sha256InitialHashValue, 32); }
void Sha384Init(Sha512State* state) { Sha2Start(state, Sha384InitialHashValue, 48); }
void Sha512Init(Sha512State* state) { Sha2Start(state, Sha512InitialHashValue, 64); }

bool Sha2Aligned(const void* address, uintptr_t size) { return reinterpret_cast<uintptr_t>(address) % size == 0; }

// Both engines buffer alike; only the block and word sizes differ. compress is
// the form the engine runs, read once per call.
template <typename State, typename Routine>
void Sha2Absorb(State* state, const uint8_t* data, uint32_t length, Routine compress)
{
    constexpr uint32_t blockSize = sizeof(State::block);
    constexpr uintptr_t wordSize = sizeof(State::chain) / 8;
    if (length == 0) return;
    const uint32_t fill = static_cast<uint32_t>(state->byteCount % blockSize);
    state->byteCount += length;
    if (fill > 0) {
        const uint32_t room = blockSize - fill;
        if (length < room) {
            std::memcpy(state->block + fill, data, length);
            return;
        }
        std::memcpy(state->block + fill, data, room);
        compress(state->chain, state->block, 1);
        data += room;
        length -= room;
    }
    // Whole blocks at a word-aligned address are compressed where they lie, all
    // in one call, so a form keeps its state in registers from block to block;
    // any others go one by one through the aligned block.
    const uint32_t whole = length / blockSize;
    if (whole > 0 && Sha2Aligned(data, wordSize)) {
        compress(state->chain, data, whole);
        data += whole * blockSize;
        length -= whole * blockSize;
    }
    for (; length >= blockSize; data += blockSize, length -= blockSize) {
        std::memcpy(state->block, data, blockSize);
        compress(state->chain, state->block, 1);
    }
    if (length > 0) std::memcpy(state->block, data, length);
}

void Sha256Update(Sha256State* state, const uint8_t* data, uint32_t length)
{
    Sha2Absorb(state, data, length, digestForms.sha256);
}

void Sha512Update(Sha512State* state, const uint8_t* data, uint32_t length)
{
    Sha2Absorb(state, data, length, digestForms.sha512);
}

// The padding is written over block: 0x80, zeros, and the message length in
// bits in the last 8 bytes (SHA-512's 128-bit length field has a zero high
// half, as the count is 64 bits). When the length no longer fits after the
// 0x80, a block of zeros and the length follows.
template <typename State, typename Routine>
void Sha2Pad(State* state, Routine compress)
{
    constexpr uint32_t blockSize = sizeof(State::block);
    constexpr uint32_t wordSize = sizeof(State::chain) / 8;
    constexpr uint32_t lengthField = blockSize / 8;  // 64 length bits for SHA-256, 128 for SHA-512
    constexpr uint32_t countAt = blockSize - 8;
    uint8_t* block = state->block;
    const uint32_t waiting = static_cast<uint32_t>(state->byteCount % blockSize);
    // Closing the 0x80 byte's word first lets the remaining clears run over whole words.
    const uint32_t wordEnd = (waiting / wordSize + 1) * wordSize;
    block[waiting] = 0x80;
    std::memset(block + waiting + 1, 0, wordEnd - waiting - 1);
    if (waiting >= blockSize - lengthField) {
        std::memset(block + wordEnd, 0, blockSize - wordEnd);
        compress(state->chain, block, 1);
        std::memset(block, 0, countAt);
    } else {
        std::memset(block + wordEnd, 0, countAt - wordEnd);
    }
    StoreBigEndian64Word(block + countAt, state->byteCount << 3);
    compress(state->chain, block, 1);
}

// Pad in place, compress, and write digestBytes bytes to out; a null out closes
// the state without writing a digest anywhere.
void Sha256Final(Sha256State* state, uint8_t* out)
{
    Sha2Pad(state, digestForms.sha256);
    if (out) StoreBigEndian32(out, state->chain, state->digestBytes);
}

void Sha512Final(Sha512State* state, uint8_t* out)
{
    Sha2Pad(state, digestForms.sha512);
    if (out) StoreBigEndian64(out, state->chain, state->digestBytes);
}

Sha2Context* Sha2FromHeader(DigestContext* context) { return reinterpret_cast<Sha2Context*>(context); }

// 224 and 256 run on the 32-bit-word engine, every other accepted length on the 64-bit one.
bool Sha2UsesWords32(int32_t digestBits) { return digestBits == 224 || digestBits == 256; }

// The digest length create makes of bits: 0 means 256; 0 for a refused length.
int32_t Sha2Bits(int32_t bits)
{
    if (bits == 0) return 256;
    return bits == 224 || bits == 256 || bits == 384 || bits == 512 ? bits : 0;
}

}  // namespace

DigestContext* Sha2InitContext(void* memory, int32_t bits, int32_t)
{
    bits = Sha2Bits(bits);
    if (bits == 0) return nullptr;
    auto* sha2 = static_cast<Sha2Context*>(memory);
    sha2->header.digestBits = bits;
    switch (bits) {
    case 224:
        Sha224Init(&sha2->sha256);
        break;
    case 256:
        Sha256Init(&sha2->sha256);
        break;
    case 384:
        Sha384Init(&sha2->sha512);
        break;
    default:
        Sha512Init(&sha2->sha512);
        break;
    }
    return &sha2->header;
}

namespace {

DigestContext* QUORVALENT_CALL Sha2Create(int32_t bits, int32_t flag)
{
    // Checked before allocating, so a refused length keeps no memory.
    if (Sha2Bits(bits) == 0) return nullptr;
    void* memory = AllocInternal(sizeof(Sha2Context));
    return memory ? Sha2InitContext(memory, bits, flag) : nullptr;
}

void QUORVALENT_CALL Sha2Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Sha2Context* sha2 = Sha2FromHeader(context);
    if (Sha2UsesWords32(sha2->header.digestBits)) {
        Sha256Update(&sha2->sha256, data, length);
    } else {
        Sha512Update(&sha2->sha512, data, length);
    }
}

void QUORVALENT_CALL Sha2Finish(DigestContext* context)
{
    Sha2Context* sha2 = Sha2FromHeader(context);
    if (Sha2UsesWords32(sha2->header.digestBits)) {
        Sha256Final(&sha2->sha256, sha2->header.digest);
    } else {
        Sha512Final(&sha2->sha512, sha2->header.digest);
    }
}

void QUORVALENT_CALL Sha2Release(DigestContext* context) { WipeAndFreeContext(context, sizeof(Sha2Context)); }

}  // namespace

int32_t EnsureSha2Plugin()
{
    static constexpr DigestPlugin Operations = {Sha2, Sha2Create, Sha2Update, Sha2Finish, Sha2Release};
    return EnsureDigestPlugin(Operations);
}

#undef SHA2_ROUND
#undef SHA256_ROUND
#undef SHA256_LOAD
#undef SHA256_NEXT
