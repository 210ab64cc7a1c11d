// SPDX-License-Identifier: MIT
// What the processor offers beyond the baseline the library is built for, asked
// once with CPUID, and the forms of a routine that are chosen by it: a
// compression or a text pass picks its fastest form once and keeps it.
#pragma once
#include <cstddef>
#include <cstdint>

// The features a form may need, as bits of one word.
enum CpuFeature : uint32_t {
    CpuSse2 = 1u << 0,   // baseline on x86-64
    CpuSsse3 = 1u << 1,  // PSHUFB: byte swaps within a vector
    CpuSse41 = 1u << 2,
    CpuAvx2 = 1u << 3,  // and the operating system saves the YMM registers (OSXSAVE, XCR0 bits 1 and 2)
    CpuBmi1 = 1u << 4,  // ANDN
    CpuBmi2 = 1u << 5,  // RORX: a rotation into another register
    CpuSha = 1u << 6,   // the SHA extensions (CPUID leaf 7, EBX bit 29)
};

// The features of this processor; 0 on other architectures.
uint32_t CpuFeatures();

inline bool CpuHas(uint32_t needs) { return (CpuFeatures() & needs) == needs; }

// One form of a routine: its name (for tests and benchmarks), the features it
// needs, and its address.
template <typename Routine>
struct CpuForm {
    const char* name;
    uint32_t needs;
    Routine routine;
};

// The first form whose needs this processor meets. A table lists the fastest
// form first and ends with a portable one that needs nothing.
template <typename Routine, size_t Count>
Routine ChooseForm(const CpuForm<Routine> (&forms)[Count])
{
    for (const CpuForm<Routine>& form : forms)
        if (CpuHas(form.needs)) return form.routine;
    return forms[Count - 1].routine;
}

// ChooseForm once: the routine is kept in kept (null until the first call) and
// reused. Calls into the library never overlap, and a second choice would be the same.
template <typename Routine, size_t Count>
Routine ChooseFormOnce(Routine& kept, const CpuForm<Routine> (&forms)[Count])
{
    if (!kept) kept = ChooseForm(forms);
    return kept;
}

inline bool CpuHasSse2() { return CpuHas(CpuSse2); }
inline bool CpuHasBmi1() { return CpuHas(CpuBmi1); }
inline bool CpuHasBmi2() { return CpuHas(CpuBmi2); }
