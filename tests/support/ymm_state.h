// SPDX-License-Identifier: MIT
// Whether code returned with the upper halves of the YMM registers in use: XINUSE
// bit 2, read with XGETBV and ECX = 1. Code that leaves them so, without VZEROUPPER,
// slows down the legacy SSE code its callers run next (a transition penalty, or a
// false dependency on the upper halves).
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>

namespace ymm_state {

inline uint64_t ReadXcr(uint32_t which)
{
    uint32_t low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(which));
    return uint64_t{high} << 32 | low;
}

// Whether XINUSE bit 2 follows the state: set once ones are written into YMM0's
// upper half, clear after VZEROUPPER. One piece of assembly, as a compiler would
// clean up after a write of its own before anything could read the state.
inline bool TracksUpperYmm()
{
    uint32_t afterWrite, afterVzeroupper, high;
    __asm__ volatile(
        "vcmpps $15, %%ymm0, %%ymm0, %%ymm0\n\t"
        "movl $1, %%ecx\n\t"
        "xgetbv\n\t"
        "movl %%eax, %0\n\t"
        "vzeroupper\n\t"
        "xgetbv"
        : "=&r"(afterWrite), "=a"(afterVzeroupper), "=d"(high)
        :
        : "ecx"
#if defined(__SSE__)
          ,
          "xmm0"
#endif
    );
    return (afterWrite & 4) && !(afterVzeroupper & 4);
}

// Empty when the state can be read here; otherwise why not.
inline std::string WhyUnreadable()
{
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_AVX) || !(ecx & bit_OSXSAVE))
        return "this processor has no AVX, so no YMM registers";
    if ((ReadXcr(0) & 6) != 6) return "the operating system does not save the YMM registers";
    if (!__get_cpuid_count(0xD, 1, &eax, &ebx, &ecx, &edx) || !(eax & 4))
        return "this processor does not offer XGETBV with ECX = 1 (CPUID 0xD.1 EAX bit 2)";
    // qemu offers the instruction but reports every state in use, whatever ran.
    if (!TracksUpperYmm()) return "XGETBV with ECX = 1 does not track the YMM state here (an emulator such as qemu)";
    return "";
}

}  // namespace ymm_state

// True when the upper YMM state can be read here. The first call says once, on
// standard output, why it cannot, so that a run that checks nothing says so.
inline bool UpperYmmReadable()
{
    static const bool readable = [] {
        const std::string why = ymm_state::WhyUnreadable();
        if (!why.empty()) std::printf("upper YMM state not checked: %s\n", why.c_str());
        return why.empty();
    }();
    return readable;
}

// Starts a check: the state clean, so that what follows answers for itself.
inline void ClearUpperYmm()
{
    if (UpperYmmReadable()) __asm__ volatile("vzeroupper");
}

// Whether the upper halves are in use now; false where that cannot be read. Call
// it right after the call under test, before anything else runs.
inline bool UpperYmmInUse() { return UpperYmmReadable() && (ymm_state::ReadXcr(1) & 4) != 0; }
#else
inline bool UpperYmmReadable() { return false; }
inline void ClearUpperYmm() {}
inline bool UpperYmmInUse() { return false; }
#endif
