// SPDX-License-Identifier: MIT
// The CPUID answers, asked once. Out of line, so that one remembered answer
// serves objects from either compiler.
#include "runtime/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>

namespace {

// XCR0: which register states the operating system saves on a task switch.
uint64_t ReadXcr0()
{
    uint32_t low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return uint64_t{high} << 32 | low;
}

uint32_t AskCpuid()
{
    uint32_t features = 0;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    if (edx & bit_SSE2) features |= CpuSse2;
    if (ecx & bit_SSSE3) features |= CpuSsse3;
    if (ecx & bit_SSE4_1) features |= CpuSse41;
    // AVX2 is of use only where the operating system saves the YMM state.
    const bool ymmSaved = (ecx & bit_OSXSAVE) && (ecx & bit_AVX) && (ReadXcr0() & 6) == 6;
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) {
        if ((ebx & bit_AVX2) && ymmSaved) features |= CpuAvx2;
        if (ebx & bit_BMI) features |= CpuBmi1;
        if (ebx & bit_BMI2) features |= CpuBmi2;
        if (ebx & bit_SHA) features |= CpuSha;
    }
    return features;
}

}  // namespace

uint32_t CpuFeatures()
{
    // Bit 31 marks the answer as known. Calls never overlap, and a repeated
    // question gets the same answer anyway.
    static uint32_t known = 0;
    if (known == 0) known = AskCpuid() | 0x80000000u;
    return known & 0x7FFFFFFFu;
}
#else
uint32_t CpuFeatures() { return 0; }
#endif
