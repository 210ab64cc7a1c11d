// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 a piece at a time, for the Unicode exports' texts on Windows,
// through the form its slot holds (runtime/forms.h: Utf8Piece, EncodeUtf8Routine).
#pragma once
#include <cstdint>

#include "runtime/forms.h"

inline Utf8Piece EncodeUtf8(const TextUnit* units, char* out, uint32_t capacity)
{
    return utf8Passes.encode(units, out, capacity);
}

// The forms (runtime/form_tables.h lists them): a character at a time for any
// processor; SSE2, which packs runs of ASCII 16 units a step; SSSE3 and AVX2,
// which encode every character in vectors.
Utf8Piece EncodeUtf8Portable(const TextUnit* units, char* out, uint32_t capacity);
#if defined(__i386__) || defined(__x86_64__)
Utf8Piece EncodeUtf8Sse2(const TextUnit* units, char* out, uint32_t capacity);
Utf8Piece EncodeUtf8Ssse3(const TextUnit* units, char* out, uint32_t capacity);
Utf8Piece EncodeUtf8Avx2(const TextUnit* units, char* out, uint32_t capacity);
#endif
