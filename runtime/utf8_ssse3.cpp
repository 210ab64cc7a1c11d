// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 with SSSE3's byte shuffles: 8 units a vector, every character.
#include <immintrin.h>

#define QV_UTF8_FORM [[gnu::target("ssse3")]]
#include "runtime/utf8_vectors.h"

QV_UTF8_FORM Utf8Piece EncodeUtf8Ssse3(const TextUnit* units, char* out, uint32_t capacity)
{
    // Units at an odd address are no valid text; they go the plain way.
    if (reinterpret_cast<uintptr_t>(units) % 2) return EncodeUtf8Portable(units, out, capacity);
    return EncodeUtf8Vectors<Utf8Steps128<true>>(units, out, capacity);
}

#undef QV_UTF8_FORM
