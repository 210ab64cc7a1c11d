// SPDX-License-Identifier: MIT
// The one place that says which forms of each compression, and of the digits
// every digest is written in, this build carries, on which CPUID features, and
// which form each runs. The engines see only the slots of digest/forms.h.
#pragma once
#include <cstdint>

#include "digest/forms.h"
#include "digest/hex.h"
#include "digest/sha1.h"
#include "digest/sha2.h"
#include "digest/sha3.h"
#include "runtime/cpu.h"

// Each table lists the fastest form first and ends with the portable one, which
// needs nothing; ChooseForm takes the first this processor can run. A form's
// name is a plain identifier, so tests and benchmarks can name runs after it.
constexpr uint32_t CpuShaExtensions = CpuSha | CpuSsse3 | CpuSse41;

inline constexpr CpuForm<Sha1CompressRoutine> Sha1CompressForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"shaext", CpuShaExtensions, Sha1CompressShaExt},
    {"bmi2", CpuBmi2, Sha1CompressBmi2},
#endif
    {"portable", 0, Sha1CompressPortable},
};

inline constexpr CpuForm<Sha256CompressRoutine> Sha256CompressForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"shaext", CpuShaExtensions, Sha256CompressShaExt},
#endif
    {"portable", 0, Sha256CompressPortable},
};

#if defined(__x86_64__)
// On x86-64 its rounds use RORX and ANDN.
inline constexpr uint32_t Sha512CompressAvx2Needs = CpuAvx2 | CpuBmi1 | CpuBmi2;
#else
inline constexpr uint32_t Sha512CompressAvx2Needs = CpuAvx2;
#endif

inline constexpr CpuForm<Sha512CompressRoutine> Sha512CompressForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"avx2", Sha512CompressAvx2Needs, Sha512CompressAvx2},
#endif
#if defined(__i386__)
    {"sse2", CpuSse2, Sha512CompressSse2},
#endif
    {"portable", 0, Sha512CompressPortable},
};

inline constexpr CpuForm<KeccakPermuteRoutine> KeccakPermuteForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"bmi1", CpuBmi1, KeccakPermuteBmi1},
#endif
    {"portable", 0, KeccakPermutePortable},
};

// Not a compression: the digits of every digest, which a short call's time feels.
inline constexpr CpuForm<HexDigitsRoutine> HexDigitsForms[] = {
#if defined(__i386__) || defined(__x86_64__)
    {"sse2", CpuSse2, HexDigitsSse2},
#endif
    {"portable", 0, HexDigitsPortable},
};
