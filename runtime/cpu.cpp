// SPDX-License-Identifier: MIT
// The CPUID answers, asked once. Out of line, so that one remembered answer
// serves objects from either compiler.
#include "runtime/cpu.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>

#include <atomic>
#endif

uint32_t CpuFeaturesOf(const CpuidWords& words)
{
    uint32_t features = 0;
    if (words.leaf1Edx & (1u << 26)) features |= CpuSse2;
    if (words.leaf1Ecx & (1u << 9)) features |= CpuSsse3;
    if (words.leaf1Ecx & (1u << 19)) features |= CpuSse41;
    // AVX2 is of use only where the operating system saves the YMM state: OSXSAVE
    // (ECX bit 27), AVX (bit 28), and XCR0's SSE and AVX bits (1 and 2).
    const uint32_t osxsaveAvx = 3u << 27;
    const bool ymmSaved = (words.leaf1Ecx & osxsaveAvx) == osxsaveAvx && (words.xcr0 & 6) == 6;
    if ((words.leaf7Ebx & (1u << 5)) && ymmSaved) features |= CpuAvx2;
    if (words.leaf7Ebx & (1u << 3)) features |= CpuBmi1;
    if (words.leaf7Ebx & (1u << 8)) features |= CpuBmi2;
    if (words.leaf7Ebx & (1u << 29)) features |= CpuSha;
    return features;
}

#if defined(__i386__) || defined(__x86_64__)
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
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    CpuidWords words = {ecx, edx, 0, (ecx & bit_OSXSAVE) ? ReadXcr0() : 0};
    if (__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) words.leaf7Ebx = ebx;
    return CpuFeaturesOf(words);
}

// The answer, with bit 31 set once it is known. Two threads' first calls may
// both ask and both store; they store the same word, and one aligned word is
// read or written whole, so relaxed access is all it needs.
constinit std::atomic<uint32_t> knownFeatures{0};

}  // namespace

uint32_t CpuFeatures()
{
    uint32_t known = knownFeatures.load(std::memory_order_relaxed);
    if (known == 0) {
        known = AskCpuid() | 0x80000000u;
        knownFeatures.store(known, std::memory_order_relaxed);
    }
    return known & 0x7FFFFFFFu;
}
#else
uint32_t CpuFeatures() { return 0; }
#endif
