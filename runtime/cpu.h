// SPDX-License-Identifier: MIT
// What the processor offers beyond the baseline the library is built for, asked
// once with CPUID, so a compression or a text pass can pick a faster form at run time.
#pragma once
#include <cstdint>

// SSE2: 64-bit additions, shifts and logic in XMM registers, which a 32-bit
// build otherwise spells out in pairs of 32-bit operations.
#if defined(__x86_64__)
inline bool CpuHasSse2() { return true; }
#else
bool CpuHasSse2();
#endif

// BMI1: ANDN, the and-not of Keccak's chi step in one instruction.
bool CpuHasBmi1();
// BMI2: RORX, a rotation into another register, which saves SHA-1 a copy per rotation.
bool CpuHasBmi2();
