// The library's three private heaps and the memory blocks taken from the block heap.
#pragma once
#include <cstdint>

#include "runtime/platform.h"

// Attach makes the heaps in this order; detach destroys them in the reverse order.
void CreateInternalHeap();
void CreateStringHeap();
void CreateBlockHeap();
void DestroyBlockHeap();
void DestroyStringHeap();
void DestroyInternalHeap();

// True when all three heaps exist; exports refuse to work without them.
bool HeapsReady();

// Memory blocks: zero-filled by the heap, known only by their address.
void* AllocBlock(int32_t size);
void FreeBlock(void* block);

// Digest contexts live in the internal heap; not zero-filled.
void* AllocInternal(uint32_t size);
void FreeInternal(void* memory);

// Internal texts live in the string heap.
void* AllocString(uint32_t size);
void FreeString(void* memory);

// The heap handles, for tests that count live blocks.
PlatformHeap InternalHeap();
PlatformHeap StringHeap();
PlatformHeap BlockHeap();
