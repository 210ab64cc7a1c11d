// SPDX-License-Identifier: MIT
// The Linux code page's fast runs: Windows-1252 agrees with Latin-1 but for the
// bytes 0x80 to 0x9F, so text converts as Latin-1 up to the first byte, or unit,
// where the code page may not (a byte from 0x80 to 0x9F; a unit above 0xFF or from
// 0x80 to 0x9F). Each pass returns how many it converted; neither reads past count.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cpu.h"
#include "runtime/text_unit.h"

using WidenLatin1Routine = int32_t (*)(const char* bytes, int32_t count, TextUnit* out);
using NarrowLatin1Routine = int32_t (*)(const TextUnit* units, int32_t count, char* out);

#if defined(__i386__) || defined(__x86_64__)
constexpr size_t Latin1PassForms = 3;  // AVX2, SSE2, portable (one at a time)
#else
constexpr size_t Latin1PassForms = 1;
#endif
extern const CpuForm<WidenLatin1Routine> WidenLatin1Forms[Latin1PassForms];
extern const CpuForm<NarrowLatin1Routine> NarrowLatin1Forms[Latin1PassForms];

// The form each run takes, chosen on its first call and kept (ChooseOnFirstUse).
struct Latin1Passes {
    WidenLatin1Routine widen;
    NarrowLatin1Routine narrow;
};
extern Latin1Passes latin1Passes;

inline int32_t WidenLatin1(const char* bytes, int32_t count, TextUnit* out)
{
    return latin1Passes.widen(bytes, count, out);
}
inline int32_t NarrowLatin1(const TextUnit* units, int32_t count, char* out)
{
    return latin1Passes.narrow(units, count, out);
}
