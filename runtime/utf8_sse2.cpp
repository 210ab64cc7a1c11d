// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 with SSE2: runs of ASCII packed 16 units a step, any other
// character one at a time.
#if defined(__i386__) || defined(__x86_64__)
#include <immintrin.h>

#define QV_UTF8_FORM [[gnu::target("sse2")]]
#include "runtime/utf8_vectors.h"

QV_UTF8_FORM Utf8Piece EncodeUtf8Sse2(const TextUnit* units, char* out, uint32_t capacity)
{
    // Units at an odd address are no valid text; they go the plain way.
    if (reinterpret_cast<uintptr_t>(units) % 2) return EncodeUtf8Portable(units, out, capacity);
    return EncodeUtf8Vectors<Utf8Steps128<false>>(units, out, capacity);
}

#undef QV_UTF8_FORM
#endif
