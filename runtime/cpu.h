// SPDX-License-Identifier: MIT
// What the processor offers beyond the baseline the library is built for, asked
// once with CPUID, and the forms of a routine that are chosen by it: a
// compression or a text pass picks its fastest form once and keeps it.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <type_traits>

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

// The features by name, for tests and benchmarks that report or pretend them away.
struct CpuFeatureName {
    uint32_t feature;
    const char* name;
};
inline constexpr CpuFeatureName CpuFeatureNames[] = {
    {CpuSse2, "sse2"}, {CpuSsse3, "ssse3"}, {CpuSse41, "sse4.1"}, {CpuAvx2, "avx2"},
    {CpuBmi1, "bmi1"}, {CpuBmi2, "bmi2"},   {CpuSha, "sha"},
};

// What the features are read from: CPUID leaf 1's ECX and EDX, leaf 7's EBX (0
// where the processor has no leaf 7) and XCR0 (0 where OSXSAVE is clear, since
// reading it then faults).
struct CpuidWords {
    uint32_t leaf1Ecx, leaf1Edx, leaf7Ebx;
    uint64_t xcr0;
};

// The features those words offer: AVX2 only where the operating system saves
// the YMM registers.
uint32_t CpuFeaturesOf(const CpuidWords& words);

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
const CpuForm<Routine>& ChosenForm(const CpuForm<Routine> (&forms)[Count])
{
    for (const CpuForm<Routine>& form : forms)
        if (CpuHas(form.needs)) return form;
    return forms[Count - 1];
}

template <typename Routine, size_t Count>
Routine ChooseForm(const CpuForm<Routine> (&forms)[Count])
{
    return ChosenForm(forms).routine;
}

// The name of the table's form at that address; null when it is none of them.
template <typename Routine, size_t Count>
const char* FormName(const CpuForm<Routine> (&forms)[Count], Routine routine)
{
    for (const CpuForm<Routine>& form : forms)
        if (form.routine == routine) return form.name;
    return nullptr;
}

// Stands in a slot of a table of routines (Table.*Slot) until the slot's first
// call: chooses from Forms, keeps the choice in the slot and hands the call on to
// it, so later calls go straight to the form and ask nothing. Only that slot
// changes, so a form a test has put in another slot stays there. Two calls that
// overlapped would store the same choice.
template <auto& Table, auto Slot, const auto& Forms, typename Routine = std::remove_reference_t<decltype(Table.*Slot)>>
struct ChooseOnFirstUse;

template <auto& Table, auto Slot, const auto& Forms, typename Result, typename... Arguments>
struct ChooseOnFirstUse<Table, Slot, Forms, Result (*)(Arguments...)> {
    static Result Run(Arguments... arguments)
    {
        // One aligned pointer store: relaxed, as nothing else hangs on it.
        Result (*const chosen)(Arguments...) = ChooseForm(Forms);
        std::atomic_ref(Table.*Slot).store(chosen, std::memory_order_relaxed);
        return chosen(arguments...);
    }
};
