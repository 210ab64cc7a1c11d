// SPDX-License-Identifier: MIT
// Clearing digest state the compiler must not skip.
#pragma once
#include <cstddef>
#include <cstring>

// A plain memset of memory that is never read again (a dying local, a context
// about to be freed) is a dead store the optimiser may drop; the empty asm
// claims to read the memory, so the zeros are really written.
inline void WipeMemory(void* memory, size_t size)
{
    std::memset(memory, 0, size);
    __asm__ __volatile__("" : : "r"(memory) : "memory");
}
