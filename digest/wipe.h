// SPDX-License-Identifier: MIT
// Clearing digest state the compiler must not skip. Every context is wiped
// whole when its run ends, in the heap or in a caller's frame, so nothing of a
// message (or, one day, of a key) outlives it.
#pragma once
#include <cstddef>
#include <cstring>

#include "runtime/heaps.h"

// A plain memset of memory that is never read again (a dying local, a context
// about to be freed) is a dead store the optimiser may drop; the empty asm
// claims to read the memory, so the zeros are really written.
inline void WipeMemory(void* memory, size_t size)
{
    std::memset(memory, 0, size);
    __asm__ __volatile__("" : : "r"(memory) : "memory");
}

// A plugin's release: the context of size bytes, wiped, back to the internal heap.
inline void WipeAndFreeContext(void* context, size_t size)
{
    WipeMemory(context, size);
    FreeInternal(context);
}
