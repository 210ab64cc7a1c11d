// SPDX-License-Identifier: MIT
// The Linux code page's fast runs: Windows-1252 agrees with Latin-1 but for the
// bytes 0x80 to 0x9F, so text converts as Latin-1 up to the first byte, or unit,
// where the code page may not (a byte from 0x80 to 0x9F; a unit above 0xFF or from
// 0x80 to 0x9F). Each pass returns how many it converted; neither reads past count.
#pragma once
#include <cstdint>

#include "runtime/forms.h"
#include "runtime/text_unit.h"

inline int32_t WidenLatin1(const char* bytes, int32_t count, TextUnit* out)
{
    return latin1Passes.widen(bytes, count, out);
}
inline int32_t NarrowLatin1(const TextUnit* units, int32_t count, char* out)
{
    return latin1Passes.narrow(units, count, out);
}

// The forms (runtime/form_tables.h lists them): one character at a time for any
// processor, SSE2 16 a step, AVX2 32.
int32_t WidenLatin1Portable(const char* bytes, int32_t count, TextUnit* out);
int32_t NarrowLatin1Portable(const TextUnit* units, int32_t count, char* out);
#if defined(__i386__) || defined(__x86_64__)
int32_t WidenLatin1Sse2(const char* bytes, int32_t count, TextUnit* out);
int32_t NarrowLatin1Sse2(const TextUnit* units, int32_t count, char* out);
int32_t WidenLatin1Avx2(const char* bytes, int32_t count, TextUnit* out);
int32_t NarrowLatin1Avx2(const TextUnit* units, int32_t count, char* out);
#endif
