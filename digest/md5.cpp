// SPDX-License-Identifier: MIT
// The MD5 plugin: RFC 1321 over the common plugin interface.
#include "digest/md5.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/md5_sha1_blocks.h"
#include "digest/wipe.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Md5Context> && offsetof(Md5Context, header) == 0,
              "the header must start the context");

namespace {

// RFC 1321, sections 3.3 (initial chaining values) and 3.4 (the steps).
constexpr uint32_t Md5InitialChain[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

// One step: a <- b + ((a + f(b, c, d) + word + constant) <<< shift). F is written
// as a bit select; G's two halves never overlap, so they can be added, and the half
// without b is summed while the previous step is still running.
#define MD5_STEP(mix, a, b, word, shift, constant) a = RotateLeft32<shift>(a + (mix) + (word) + (constant)) + b
#define MD5_F(a, b, c, d, word, shift, constant) MD5_STEP(d ^ (b & (c ^ d)), a, b, word, shift, constant)
#define MD5_G(a, b, c, d, word, shift, constant) \
    a += (~d & c) + (word) + (constant); \
    a = RotateLeft32<shift>(a + (d & b)) + b
#define MD5_H(a, b, c, d, word, shift, constant) MD5_STEP(b ^ c ^ d, a, b, word, shift, constant)
#define MD5_I(a, b, c, d, word, shift, constant) MD5_STEP(c ^ (b | ~d), a, b, word, shift, constant)

// Only reads the 64 bytes, so whole blocks of the caller's data are compressed where they lie.
void Md5Compress(uint32_t* chain, const uint8_t* bytes)
{
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian32(bytes + 4 * i);
    uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3];

    // clang-format off
    MD5_F(a, b, c, d, x[0],  7,  0xd76aa478);
    MD5_F(d, a, b, c, x[1],  12, 0xe8c7b756);
    MD5_F(c, d, a, b, x[2],  17, 0x242070db);
    MD5_F(b, c, d, a, x[3],  22, 0xc1bdceee);
    MD5_F(a, b, c, d, x[4],  7,  0xf57c0faf);
    MD5_F(d, a, b, c, x[5],  12, 0x4787c62a);
    MD5_F(c, d, a, b, x[6],  17, 0xa8304613);
    MD5_F(b, c, d, a, x[7],  22, 0xfd469501);
    MD5_F(a, b, c, d, x[8],  7,  0x698098d8);
    MD5_F(d, a, b, c, x[9],  12, 0x8b44f7af);
    MD5_F(c, d, a, b, x[10], 17, 0xffff5bb1);
    MD5_F(b, c, d, a, x[11], 22, 0x895cd7be);
    MD5_F(a, b, c, d, x[12], 7,  0x6b901122);
    MD5_F(d, a, b, c, x[13], 12, 0xfd987193);
    MD5_F(c, d, a, b, x[14], 17, 0xa679438e);
    MD5_F(b, c, d, a, x[15], 22, 0x49b40821);

    MD5_G(a, b, c, d, x[1],  5,  0xf61e2562);
    MD5_G(d, a, b, c, x[6],  9,  0xc040b340);
    MD5_G(c, d, a, b, x[11], 14, 0x265e5a51);
    MD5_G(b, c, d, a, x[0],  20, 0xe9b6c7aa);
    MD5_G(a, b, c, d, x[5],  5,  0xd62f105d);
    MD5_G(d, a, b, c, x[10], 9,  0x02441453);
    MD5_G(c, d, a, b, x[15], 14, 0xd8a1e681);
    MD5_G(b, c, d, a, x[4],  20, 0xe7d3fbc8);
    MD5_G(a, b, c, d, x[9],  5,  0x21e1cde6);
    MD5_G(d, a, b, c, x[14], 9,  0xc33707d6);
    MD5_G(c, d, a, b, x[3],  14, 0xf4d50d87);
    MD5_G(b, c, d, a, x[8],  20, 0x455a14ed);
    MD5_G(a, b, c, d, x[13], 5,  0xa9e3e905);
    MD5_G(d, a, b, c, x[2],  9,  0xfcefa3f8);
    MD5_G(c, d, a, b, x[7],  14, 0x676f02d9);
    MD5_G(b, c, d, a, x[12], 20, 0x8d2a4c8a);

    MD5_H(a, b, c, d, x[5],  4,  0xfffa3942);
    MD5_H(d, a, b, c, x[8],  11, 0x8771f681);
    MD5_H(c, d, a, b, x[11], 16, 0x6d9d6122);
    MD5_H(b, c, d, a, x[14], 23, 0xfde5380c);
    MD5_H(a, b, c, d, x[1],  4,  0xa4beea44);
    MD5_H(d, a, b, c, x[4],  11, 0x4bdecfa9);
    MD5_H(c, d, a, b, x[7],  16, 0xf6bb4b60);
    MD5_H(b, c, d, a, x[10], 23, 0xbebfbc70);
    MD5_H(a, b, c, d, x[13], 4,  0x289b7ec6);
    MD5_H(d, a, b, c, x[0],  11, 0xeaa127fa);
    MD5_H(c, d, a, b, x[3],  16, 0xd4ef3085);
    MD5_H(b, c, d, a, x[6],  23, 0x04881d05);
    MD5_H(a, b, c, d, x[9],  4,  0xd9d4d039);
    MD5_H(d, a, b, c, x[12], 11, 0xe6db99e5);
    MD5_H(c, d, a, b, x[15], 16, 0x1fa27cf8);
    MD5_H(b, c, d, a, x[2],  23, 0xc4ac5665);

    MD5_I(a, b, c, d, x[0],  6,  0xf4292244);
    MD5_I(d, a, b, c, x[7],  10, 0x432aff97);
    MD5_I(c, d, a, b, x[14], 15, 0xab9423a7);
    MD5_I(b, c, d, a, x[5],  21, 0xfc93a039);
    MD5_I(a, b, c, d, x[12], 6,  0x655b59c3);
    MD5_I(d, a, b, c, x[3],  10, 0x8f0ccc92);
    MD5_I(c, d, a, b, x[10], 15, 0xffeff47d);
    MD5_I(b, c, d, a, x[1],  21, 0x85845dd1);
    MD5_I(a, b, c, d, x[8],  6,  0x6fa87e4f);
    MD5_I(d, a, b, c, x[15], 10, 0xfe2ce6e0);
    MD5_I(c, d, a, b, x[6],  15, 0xa3014314);
    MD5_I(b, c, d, a, x[13], 21, 0x4e0811a1);
    MD5_I(a, b, c, d, x[4],  6,  0xf7537e82);
    MD5_I(d, a, b, c, x[11], 10, 0xbd3af235);
    MD5_I(c, d, a, b, x[2],  15, 0x2ad7d2bb);
    MD5_I(b, c, d, a, x[9],  21, 0xeb86d391);
    // clang-format on

    chain[0] += a;
    chain[1] += b;
    chain[2] += c;
    chain[3] += d;
}

Md5Context* Md5State(DigestContext* context) { return reinterpret_cast<Md5Context*>(context); }

// The whole blocks of one feed, one after another.
auto Md5Compressor(Md5Context* md5)
{
    return [=](const uint8_t* blocks, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) Md5Compress(md5->chain, blocks + 64 * i);
    };
}

}  // namespace

DigestContext* Md5InitContext(void* memory, int32_t, int32_t)
{
    auto* md5 = static_cast<Md5Context*>(memory);
    md5->header.digestBits = 128;
    for (int i = 0; i < 4; ++i) md5->chain[i] = Md5InitialChain[i];
    md5->bitCountLow = 0;
    md5->bitCountHigh = 0;
    return &md5->header;
}

DigestContext* QUORVALENT_CALL Md5Create(int32_t bits, int32_t flag)
{
    void* memory = AllocInternal(sizeof(Md5Context));
    return memory ? Md5InitContext(memory, bits, flag) : nullptr;
}

void QUORVALENT_CALL Md5Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Md5Context* md5 = Md5State(context);
    AbsorbCountedBlocks(md5, data, length, Md5Compressor(md5));
}

void QUORVALENT_CALL Md5Finish(DigestContext* context)
{
    Md5Context* md5 = Md5State(context);
    FinishCountedBlocks<false>(md5, Md5Compressor(md5), 16);
}

void QUORVALENT_CALL Md5Release(DigestContext* context) { WipeAndFreeContext(context, sizeof(Md5Context)); }

int32_t EnsureMd5Plugin()
{
    static constexpr DigestPlugin Operations = {Md5, Md5Create, Md5Update, Md5Finish, Md5Release};
    return EnsureDigestPlugin(Operations);
}

#undef MD5_STEP
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I
