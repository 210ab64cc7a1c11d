// SPDX-License-Identifier: MIT
// The SHA-1 plugin: FIPS 180-4 over the common plugin interface.
#include "digest/sha1.h"

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "digest/byte_order.h"
#include "digest/wipe.h"
#include "runtime/cpu.h"
#include "runtime/heaps.h"

static_assert(std::is_standard_layout_v<Sha1Context> && offsetof(Sha1Context, header) == 0,
              "the header must start the context");

// FIPS 180-4, sections 5.3.1 (initial hash value), 4.1.1 (functions), 4.2.1
// (constants) and 6.1.3 (the computation with a 16-word circular schedule).
static constexpr uint32_t Sha1InitialChain[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};

// Finish pads with these, one byte per update.
static constexpr uint8_t Sha1PadFirst = 0x80;
static constexpr uint8_t Sha1PadZero = 0x00;

// The message schedule is a circular array of 16 words held in the 64 bytes under
// compression: word t (t >= 16) replaces word t - 16 in slot t mod 16. Each message
// word is byte-swapped once, as it is read, and its slot then holds it in the
// machine's order, so the 64 schedule steps need no byte swaps of their own.
template <int Step>
inline uint32_t Sha1MessageWord(const uint8_t* bytes, uint8_t* words)
{
    const uint32_t word = LoadBigEndian32(bytes + 4 * Step);
    StoreLittleEndian32(words + 4 * Step, word);
    return word;
}

template <int Step>
inline uint32_t Sha1ScheduleWord(uint8_t* words)
{
    const uint32_t word = RotateLeft32<1>(
        LoadLittleEndian32(words + 4 * ((Step - 3) & 15)) ^ LoadLittleEndian32(words + 4 * ((Step - 8) & 15)) ^
        LoadLittleEndian32(words + 4 * ((Step - 14) & 15)) ^ LoadLittleEndian32(words + 4 * (Step & 15)));
    StoreLittleEndian32(words + 4 * (Step & 15), word);
    return word;
}

#define SHA1_LOAD(step) Sha1MessageWord<step>(bytes, words)
#define SHA1_NEXT(step) Sha1ScheduleWord<step>(words)

// One step, renaming instead of moving: the caller rotates the roles of a..e.
#define SHA1_STEP(mix, a, b, e, word, constant) \
    e += RotateLeft32<5>(a) + (mix) + (word) + (constant); \
    b = RotateLeft32<30>(b)
#define SHA1_CH(a, b, c, d, e, word, constant) SHA1_STEP(d ^ (b & (c ^ d)), a, b, e, word, constant)
#define SHA1_PARITY(a, b, c, d, e, word, constant) SHA1_STEP(b ^ c ^ d, a, b, e, word, constant)
#define SHA1_MAJ(a, b, c, d, e, word, constant) SHA1_STEP((b & c) | (d & (b | c)), a, b, e, word, constant)

// Writes the schedule over the 64 bytes it works on: the given ones, or copy when
// there is one. The copy is made word by word as the first 16 steps read the message.
[[gnu::always_inline]] static inline void Sha1Steps(uint32_t* chain, uint8_t* bytes, uint8_t* copy)
{
    uint8_t* words = copy ? copy : bytes;
    uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3], e = chain[4];

    // clang-format off
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(0),  0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(1),  0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(2),  0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(3),  0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(4),  0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(5),  0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(6),  0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(7),  0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(8),  0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(9),  0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(10), 0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_LOAD(11), 0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_LOAD(12), 0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_LOAD(13), 0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_LOAD(14), 0x5a827999);
    SHA1_CH(a, b, c, d, e, SHA1_LOAD(15), 0x5a827999);
    SHA1_CH(e, a, b, c, d, SHA1_NEXT(16), 0x5a827999);
    SHA1_CH(d, e, a, b, c, SHA1_NEXT(17), 0x5a827999);
    SHA1_CH(c, d, e, a, b, SHA1_NEXT(18), 0x5a827999);
    SHA1_CH(b, c, d, e, a, SHA1_NEXT(19), 0x5a827999);

    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(20), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(21), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(22), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(23), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(24), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(25), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(26), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(27), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(28), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(29), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(30), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(31), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(32), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(33), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(34), 0x6ed9eba1);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(35), 0x6ed9eba1);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(36), 0x6ed9eba1);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(37), 0x6ed9eba1);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(38), 0x6ed9eba1);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(39), 0x6ed9eba1);

    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(40), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(41), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(42), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(43), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(44), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(45), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(46), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(47), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(48), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(49), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(50), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(51), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(52), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(53), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(54), 0x8f1bbcdc);
    SHA1_MAJ(a, b, c, d, e, SHA1_NEXT(55), 0x8f1bbcdc);
    SHA1_MAJ(e, a, b, c, d, SHA1_NEXT(56), 0x8f1bbcdc);
    SHA1_MAJ(d, e, a, b, c, SHA1_NEXT(57), 0x8f1bbcdc);
    SHA1_MAJ(c, d, e, a, b, SHA1_NEXT(58), 0x8f1bbcdc);
    SHA1_MAJ(b, c, d, e, a, SHA1_NEXT(59), 0x8f1bbcdc);

    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(60), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(61), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(62), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(63), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(64), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(65), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(66), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(67), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(68), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(69), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(70), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(71), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(72), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(73), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(74), 0xca62c1d6);
    SHA1_PARITY(a, b, c, d, e, SHA1_NEXT(75), 0xca62c1d6);
    SHA1_PARITY(e, a, b, c, d, SHA1_NEXT(76), 0xca62c1d6);
    SHA1_PARITY(d, e, a, b, c, SHA1_NEXT(77), 0xca62c1d6);
    SHA1_PARITY(c, d, e, a, b, SHA1_NEXT(78), 0xca62c1d6);
    SHA1_PARITY(b, c, d, e, a, SHA1_NEXT(79), 0xca62c1d6);
    // clang-format on

    chain[0] += a;
    chain[1] += b;
    chain[2] += c;
    chain[3] += d;
    chain[4] += e;
}

#if defined(__x86_64__)
// The same steps where the processor has RORX: rotating into another register
// spares the copy that keeps a and b for the next step.
[[gnu::target("bmi2")]] void Sha1CompressBmi2(uint32_t* chain, uint8_t* bytes, uint8_t* copy)
{
    Sha1Steps(chain, bytes, copy);
}

void Sha1CompressPortable(uint32_t* chain, uint8_t* bytes, uint8_t* copy) { Sha1Steps(chain, bytes, copy); }
#endif

static void Sha1Compress(uint32_t* chain, uint8_t* bytes, uint8_t* copy)
{
#if defined(__x86_64__)
    if (CpuHasBmi2()) {
        Sha1CompressBmi2(chain, bytes, copy);
    } else {
        Sha1CompressPortable(chain, bytes, copy);
    }
#else
    Sha1Steps(chain, bytes, copy);
#endif
}

static Sha1Context* Sha1State(DigestContext* context) { return reinterpret_cast<Sha1Context*>(context); }

DigestContext* QUORVALENT_CALL Sha1Create(int32_t, int32_t flag)
{
    auto* sha1 = static_cast<Sha1Context*>(AllocInternal(sizeof(Sha1Context)));
    if (!sha1) return nullptr;
    sha1->header.digestBits = 160;
    for (int i = 0; i < 5; ++i) sha1->chain[i] = Sha1InitialChain[i];
    sha1->bitCountLow = 0;
    sha1->bitCountHigh = 0;
    sha1->preserveInput = flag;
    return &sha1->header;
}

// Sha1Update's body. Finish feeds its padding through it one byte at a time, and
// inlined there with a length of 1 each feed shrinks to a store and a count.
[[gnu::always_inline]] static inline void Sha1Absorb(Sha1Context* sha1, uint8_t* data, uint32_t length)
{
    if (length == 0) return;
    uint8_t* copy = sha1->preserveInput ? sha1->workspace : nullptr;
    const uint32_t index = (sha1->bitCountLow >> 3) & 63;
    // The bit count is 64 bits in two halves; the carry comes from the wrap of the low half.
    const uint32_t bits = length << 3;
    sha1->bitCountLow += bits;
    if (sha1->bitCountLow < bits) ++sha1->bitCountHigh;
    sha1->bitCountHigh += length >> 29;

    const uint32_t room = 64 - index;
    if (length < room) {
        std::memcpy(sha1->block + index, data, length);
        return;
    }
    std::memcpy(sha1->block + index, data, room);
    Sha1Compress(sha1->chain, sha1->block, copy);
    // Whole blocks are compressed where they lie; without a copy their bytes become the schedule.
    uint32_t position = room;
    for (; length - position >= 64; position += 64) Sha1Compress(sha1->chain, data + position, copy);
    std::memcpy(sha1->block, data + position, length - position);
}

void QUORVALENT_CALL Sha1Update(DigestContext* context, uint8_t* data, uint32_t length)
{
    Sha1Absorb(Sha1State(context), data, length);
}

// Feeds one padding byte. A single byte only ever goes through block, never
// into an in-place compression, so the read-only constant is never written.
static void Sha1FeedPadding(Sha1Context* sha1, const uint8_t& byte)
{
    Sha1Absorb(sha1, const_cast<uint8_t*>(&byte), 1);
}

void QUORVALENT_CALL Sha1Finish(DigestContext* context)
{
    Sha1Context* sha1 = Sha1State(context);
    // The length in bits, big-endian, as it stood before the padding.
    uint8_t lengthBytes[8];
    StoreBigEndian32Word(lengthBytes, sha1->bitCountHigh);
    StoreBigEndian32Word(lengthBytes + 4, sha1->bitCountLow);

    // The padding goes in as single bytes through the message path, 0x80 and
    // then zeros until 56 bytes of a block are filled, which never needs to
    // know where the block stands.
    Sha1FeedPadding(sha1, Sha1PadFirst);
    while ((sha1->bitCountLow & 0x1F8) != 0x1C0) Sha1FeedPadding(sha1, Sha1PadZero);
    Sha1Absorb(sha1, lengthBytes, 8);

    for (int i = 0; i < 5; ++i) StoreBigEndian32Word(sha1->header.digest + 4 * i, sha1->chain[i]);
    WipeMemory(sha1->block, sizeof sha1->block);
    WipeMemory(sha1->chain, sizeof sha1->chain);
    sha1->bitCountLow = 0;
    sha1->bitCountHigh = 0;
    WipeMemory(lengthBytes, sizeof lengthBytes);
    WipeMemory(sha1->workspace, sizeof sha1->workspace);
}

void QUORVALENT_CALL Sha1Release(DigestContext* context) { FreeInternal(Sha1State(context)); }

int32_t EnsureSha1Plugin()
{
    if (DigestPlugin* plugin = RegisterDigestPlugin(Sha1)) {
        plugin->create = Sha1Create;
        plugin->update = Sha1Update;
        plugin->finish = Sha1Finish;
        plugin->release = Sha1Release;
    }
    return 1;
}

#undef SHA1_LOAD
#undef SHA1_NEXT
#undef SHA1_STEP
#undef SHA1_CH
#undef SHA1_PARITY
#undef SHA1_MAJ
