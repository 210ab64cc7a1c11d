// SPDX-License-Identifier: MIT
// What the forms on the SHA extensions share: the instruction sets they are built
// for, and vector loads and stores at any address.
#pragma once
#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#include <cstdint>

#define QV_SHA_TARGET gnu::target("sha,ssse3,sse4.1")

// The intrinsics' pointer types are unaligned, aliasing ones: any address will do.
[[QV_SHA_TARGET, gnu::always_inline]] static inline __m128i LoadVector(const void* bytes)
{
    return _mm_loadu_si128(static_cast<const __m128i_u*>(bytes));
}

[[QV_SHA_TARGET, gnu::always_inline]] static inline void StoreVector(void* bytes, __m128i vector)
{
    _mm_storeu_si128(static_cast<__m128i_u*>(bytes), vector);
}

// A 64-byte block as four vectors, the bytes of each put in order by PSHUFB.
[[QV_SHA_TARGET, gnu::always_inline]] static inline void LoadBlock(const uint8_t* block, __m128i order,
                                                                   __m128i (&words)[4])
{
    words[0] = _mm_shuffle_epi8(LoadVector(block), order);
    words[1] = _mm_shuffle_epi8(LoadVector(block + 16), order);
    words[2] = _mm_shuffle_epi8(LoadVector(block + 32), order);
    words[3] = _mm_shuffle_epi8(LoadVector(block + 48), order);
}
#endif
