// SPDX-License-Identifier: MIT
// SHA-1's steps for processors with BMI2: RORX rotates into another register,
// which spares the copy that keeps a and b for the next step.
#include "digest/sha1.h"
#include "digest/sha1_steps.h"

#if defined(__i386__) || defined(__x86_64__)
[[gnu::target("bmi2")]] void Sha1CompressBmi2(uint32_t chain[5], uint8_t* blocks, uint32_t count, uint8_t* copy)
{
    Sha1StepsOverBlocks(chain, blocks, count, copy);
}
#endif
