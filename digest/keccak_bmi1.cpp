// SPDX-License-Identifier: MIT
// Keccak-f[1600] for processors with BMI1: chi's ~a & b becomes one ANDN instead
// of a copy, a NOT and an AND, on each 64-bit lane or on each half of one.
#include "digest/keccak_rounds.h"
#include "digest/sha3.h"

#if defined(__i386__) || defined(__x86_64__)
[[gnu::target("bmi")]] void KeccakPermuteBmi1(uint64_t state[25]) { KeccakRounds(state); }
#endif
