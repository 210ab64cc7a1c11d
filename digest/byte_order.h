// SPDX-License-Identifier: MIT
// Byte-order helpers and rotations shared by every digest plugin. Words are
// assembled with memcpy plus a byte swap, so no address needs any alignment.
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

template <unsigned Count>
inline uint64_t RotateRight64(uint64_t v)
{
    static_assert(Count > 0 && Count < 64, "rotate count out of range");
    return (v >> Count) | (v << (64 - Count));
}
