// The three private heaps: contexts, internal texts, and memory blocks.
#include "runtime/heaps.h"

// Library-wide handles, zero at load: constant-initialised, no constructors run.
static PlatformHeap internalHeap = nullptr;
static PlatformHeap stringHeap = nullptr;
static PlatformHeap blockHeap = nullptr;

void CreateInternalHeap() { internalHeap = PlatformHeapCreate(); }
void CreateStringHeap() { stringHeap = PlatformHeapCreate(); }
void CreateBlockHeap() { blockHeap = PlatformHeapCreate(); }

// Clearing each handle keeps a late call from reaching a destroyed heap.
void DestroyBlockHeap()
{
    PlatformHeapDestroy(blockHeap);
    blockHeap = nullptr;
}

void DestroyStringHeap()
{
    PlatformHeapDestroy(stringHeap);
    stringHeap = nullptr;
}

void DestroyInternalHeap()
{
    PlatformHeapDestroy(internalHeap);
    internalHeap = nullptr;
}

bool HeapsReady() { return internalHeap && stringHeap && blockHeap; }

void* AllocBlock(int32_t size)
{
    if (size <= 0 || !blockHeap) return nullptr;
    return PlatformHeapAlloc(blockHeap, true, static_cast<size_t>(size));
}

void FreeBlock(void* block)
{
    if (blockHeap) PlatformHeapFree(blockHeap, block);
}

void* AllocInternal(uint32_t size)
{
    return internalHeap ? PlatformHeapAlloc(internalHeap, false, size) : nullptr;
}

void FreeInternal(void* memory)
{
    if (internalHeap) PlatformHeapFree(internalHeap, memory);
}

void* AllocString(uint32_t size)
{
    return stringHeap ? PlatformHeapAlloc(stringHeap, false, size) : nullptr;
}

void FreeString(void* memory)
{
    if (stringHeap) PlatformHeapFree(stringHeap, memory);
}

PlatformHeap InternalHeap() { return internalHeap; }
PlatformHeap StringHeap() { return stringHeap; }
PlatformHeap BlockHeap() { return blockHeap; }
