// SPDX-License-Identifier: MIT
// The one place that says which forms of each text pass this build carries, on
// which CPUID features, and which form each runs. The text code sees only the
// slots of runtime/forms.h.
#pragma once
#include <cstdint>

#include "runtime/ascii.h"
#include "runtime/cpu.h"
#include "runtime/forms.h"
#include "runtime/utf8.h"
#if !defined(_WIN32)
#include "runtime/latin1.h"
#endif

// Each table lists the fastest form first and ends with the portable one, which
// needs nothing; ChooseForm takes the first this processor can run.
inline constexpr CpuForm<ScanTextRoutine> ScanTextForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, ScanTextAvx2},
    {"sse2", CpuSse2, ScanTextSse2},
#endif
    {"portable", 0, ScanTextPortable},
};

inline constexpr CpuForm<CopyAsciiRoutine> CopyAsciiForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, CopyAsciiAvx2},
    {"sse2", CpuSse2, CopyAsciiSse2},
#endif
    {"portable", 0, CopyAsciiPortable},
};

inline constexpr CpuForm<WidenRoutine> WidenAsciiForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, WidenAsciiAvx2},
    {"sse2", CpuSse2, WidenAsciiSse2},
#endif
    {"portable", 0, WidenAsciiPortable},
};

inline constexpr CpuForm<NarrowRoutine> NarrowAsciiForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, NarrowAsciiAvx2},
    {"sse2", CpuSse2, NarrowAsciiSse2},
#endif
    {"portable", 0, NarrowAsciiPortable},
};

#if !defined(_WIN32)
inline constexpr CpuForm<WidenLatin1Routine> WidenLatin1Forms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, WidenLatin1Avx2},
    {"sse2", CpuSse2, WidenLatin1Sse2},
#endif
    {"portable", 0, WidenLatin1Portable},
};

inline constexpr CpuForm<NarrowLatin1Routine> NarrowLatin1Forms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, NarrowLatin1Avx2},
    {"sse2", CpuSse2, NarrowLatin1Sse2},
#endif
    {"portable", 0, NarrowLatin1Portable},
};
#endif

// SSSE3 and AVX2 encode every character in vectors, SSE2 only runs of ASCII.
inline constexpr CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", CpuAvx2, EncodeUtf8Avx2},
    {"ssse3", CpuSsse3, EncodeUtf8Ssse3},
    {"sse2", CpuSse2, EncodeUtf8Sse2},
#endif
    {"portable", 0, EncodeUtf8Portable},
};
