// SPDX-License-Identifier: MIT
// SHA-512's compression on 32-bit x86 with SSE2: the portable rounds on a vector
// whose low lane holds the word, one instruction for each 64-bit operation.
#include "digest/sha2.h"

#if defined(__i386__)
#include "digest/sha512_rounds.h"

[[gnu::target("sse2")]] void Sha512CompressSse2(uint64_t chain[8], const uint8_t* blocks, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i) Sha512Rounds<Sha512Lane>(chain, blocks + 128 * i);
}
#endif
