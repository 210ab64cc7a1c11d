// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8: the form for any processor, a character at a time; the SSE2
// form, which packs runs of ASCII 16 units a step; and the table of all forms
// (the AVX2 and SSSE3 ones, which encode every character in vectors, have files
// of their own).
#include "runtime/utf8.h"

#include "runtime/utf8_steps.h"

#if defined(__i386__) || defined(__x86_64__)
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

Utf8Piece EncodeUtf8Portable(const TextUnit* units, char* out, uint32_t capacity)
{
    return EncodeUtf8Rest(units, out, 0, capacity);
}

#if defined(__i386__) || defined(__x86_64__)
constexpr CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[Utf8PassForms] = {{"avx2", CpuAvx2, EncodeUtf8Avx2},
                                                                       {"ssse3", CpuSsse3, EncodeUtf8Ssse3},
                                                                       {"sse2", CpuSse2, EncodeUtf8Sse2},
                                                                       {"portable", 0, EncodeUtf8Portable}};
#else
constexpr CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[Utf8PassForms] = {{"portable", 0, EncodeUtf8Portable}};
#endif

constinit Utf8Passes utf8Passes = {ChooseOnFirstUse<utf8Passes, &Utf8Passes::encode, EncodeUtf8Forms>::Run};
