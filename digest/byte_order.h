// SPDX-License-Identifier: MIT
// Words from bytes and back, in either byte order, and their rotations, for every
// digest plugin: memcpy plus a byte swap, so no address needs any alignment.
#pragma once
#include <cstdint>
#include <cstring>

inline uint32_t LoadLittleEndian32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline uint64_t LoadLittleEndian64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

inline uint32_t LoadBigEndian32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline uint64_t LoadBigEndian64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

inline void StoreLittleEndian32(uint8_t* p, uint32_t v)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, sizeof v);
}

inline void StoreLittleEndian64(uint8_t* p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(p, &v, sizeof v);
}

inline void StoreBigEndian32Word(uint8_t* p, uint32_t v)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, sizeof v);
}

inline void StoreBigEndian64Word(uint8_t* p, uint64_t v)
{
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    std::memcpy(p, &v, sizeof v);
}

// The first count bytes of a run of words, each word in the named byte order: a
// digest written from its chaining values or lanes. Whole words go out as single
// unaligned stores; a count that ends inside a word (SHA3-224's 28 bytes of
// 64-bit lanes) takes that word's first bytes.
template <typename Word, void (*StoreWord)(uint8_t*, Word)>
inline void StoreWords(uint8_t* out, const Word* words, uint32_t count)
{
    uint32_t done = 0;
    for (; count - done >= sizeof(Word); done += sizeof(Word)) StoreWord(out + done, words[done / sizeof(Word)]);
    if (done == count) return;
    uint8_t last[sizeof(Word)];
    StoreWord(last, words[done / sizeof(Word)]);
    std::memcpy(out + done, last, count - done);
}

inline void StoreBigEndian32(uint8_t* out, const uint32_t* words, uint32_t count)
{
    StoreWords<uint32_t, StoreBigEndian32Word>(out, words, count);
}

inline void StoreBigEndian64(uint8_t* out, const uint64_t* words, uint32_t count)
{
    StoreWords<uint64_t, StoreBigEndian64Word>(out, words, count);
}

inline void StoreLittleEndian32(uint8_t* out, const uint32_t* words, uint32_t count)
{
    StoreWords<uint32_t, StoreLittleEndian32>(out, words, count);
}

inline void StoreLittleEndian64(uint8_t* out, const uint64_t* words, uint32_t count)
{
    StoreWords<uint64_t, StoreLittleEndian64>(out, words, count);
}

// Rotation counts are compile-time constants in 1..width-1, so no shift ever
// reaches the word width; a count of 0 is a compile error, not a shift by 32/64.
template <unsigned Count>
inline uint32_t RotateLeft32(uint32_t v)
{
    static_assert(Count > 0 && Count < 32, "rotate count out of range");
    return (v << Count) | (v >> (32 - Count));
}

template <unsigned Count>
inline uint32_t RotateRight32(uint32_t v)
{
    static_assert(Count > 0 && Count < 32, "rotate count out of range");
    return (v >> Count) | (v << (32 - Count));
}

template <unsigned Count>
inline uint64_t RotateLeft64(uint64_t v)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return (v << Count) | (v >> (64 - Count));
}
