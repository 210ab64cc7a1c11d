// SPDX-License-Identifier: MIT
// The CPUID answers, each asked once. Out of line, so that one copy of each
// remembered answer serves objects from either compiler.
#include "runtime/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#if !defined(__x86_64__)
bool CpuHasSse2()
{
#if defined(__i386__)
    // 0 unknown, 1 absent, 2 present; calls never overlap, and a repeated
    // question gets the same answer anyway.
    static int32_t known = 0;
    if (known == 0) {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        known = __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2) ? 2 : 1;
    }
    return known == 2;
#else
    return false;
#endif
}
#endif

#if defined(__x86_64__)
// CPUID leaf 7's EBX, where the BMI1 and BMI2 bits are; 0 when the leaf is missing.
static uint32_t CpuLeaf7Features()
{
    // Bit 31 marks the answer as known; neither feature asked for lives there.
    static uint32_t known = 0;
    if (known == 0) {
        unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
        known = (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx) ? ebx : 0u) | 0x80000000u;
    }
    return known;
}
#endif

// Whether CPUID leaf 7 sets the bit; a 32-bit build uses neither feature asked for.
static bool CpuLeaf7Has([[maybe_unused]] uint32_t bit)
{
#if defined(__x86_64__)
    return (CpuLeaf7Features() & bit) != 0;
#else
    return false;
#endif
}

bool CpuHasBmi1() { return CpuLeaf7Has(bit_BMI); }
bool CpuHasBmi2() { return CpuLeaf7Has(bit_BMI2); }
