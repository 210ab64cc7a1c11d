// SPDX-License-Identifier: MIT
// The three private heaps: contexts, internal texts, and memory blocks.
#include "runtime/heaps.h"

#include "runtime/heap_handles.h"
#include "runtime/platform.h"

// Library-wide handles, zero at load: constant-initialised, no constructors run.
static PlatformHeap internalHeap = nullptr;
static PlatformHeap stringHeap = nullptr;
static PlatformHeap blockHeap = nullptr;

namespace {

// The string heap's working storage: one block that a call's internal texts are
// carved from, end to end, and that is emptied at once when the call is done.
// A text that does not fit gets a block of its own, kept on a list until then;
// the storage never moves while a text points into it, and grows only when empty.
struct OwnBlock {
    OwnBlock* next;
    size_t size;  // what carving it would have taken
    // 16 bytes in all, so the text behind keeps the block's own alignment (8 or
    // 16, as the heap gives); nothing relies on more than 8.
    char padding[16 - sizeof(OwnBlock*) - sizeof(size_t)];
};
static_assert(sizeof(OwnBlock) == 16, "texts in blocks of their own keep the block's alignment");

struct StringStorage {
    char* base;  // null when there is no storage
    uint32_t size;
    uint32_t used;      // bytes carved since the last reset
    uint64_t ownBytes;  // bytes in blocks of their own
    uint64_t peak;      // most bytes held at once since the last reset
    OwnBlock* own;
};

// Enough for a short call's texts: a few arguments and a digest of 128 digits.
constexpr uint32_t InitialStorage = 4096;
// Carved pieces keep the storage block's alignment up to 16; the passes over
// texts align their own reads, so nothing relies on more than the heap's 8.
constexpr uint32_t Granule = 16;

constinit StringStorage storage = {};

void NoteHeld()
{
    const uint64_t held = storage.used + storage.ownBytes;
    if (held > storage.peak) storage.peak = held;
}

}  // namespace

void CreateInternalHeap() { internalHeap = PlatformHeapCreate(); }

void CreateStringHeap()
{
    stringHeap = PlatformHeapCreate();
    storage = {};
    storage.base = stringHeap ? static_cast<char*>(PlatformHeapAlloc(stringHeap, false, InitialStorage)) : nullptr;
    storage.size = storage.base ? InitialStorage : 0;
}

void CreateBlockHeap() { blockHeap = PlatformHeapCreate(); }

// Clearing each handle keeps a late call from reaching a destroyed heap.
void DestroyBlockHeap()
{
    PlatformHeapDestroy(blockHeap);
    blockHeap = nullptr;
}

void DestroyStringHeap()
{
    ResetStringStorage();
    if (stringHeap) PlatformHeapFree(stringHeap, storage.base);
    storage = {};
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

void* AllocInternal(uint32_t size) { return internalHeap ? PlatformHeapAlloc(internalHeap, false, size) : nullptr; }

void FreeInternal(void* memory)
{
    if (internalHeap) PlatformHeapFree(internalHeap, memory);
}

// Sizes are size_t: the longest text an export accepts needs more than 4 GiB as UTF-16.
void* AllocString(size_t size)
{
    if (!stringHeap || size > SIZE_MAX - Granule - sizeof(OwnBlock)) return nullptr;
    const size_t carved = (size + Granule - 1) / Granule * Granule;
    if (carved <= storage.size - storage.used) {
        char* piece = storage.base + storage.used;
        storage.used += static_cast<uint32_t>(carved);
        NoteHeld();
        return piece;
    }
    void* memory = PlatformHeapAlloc(stringHeap, false, sizeof(OwnBlock) + size);
    if (!memory) return nullptr;
    OwnBlock* block = static_cast<OwnBlock*>(memory);
    block->next = storage.own;
    block->size = carved;  // what carving it would take, for the storage's growth
    storage.own = block;
    storage.ownBytes += carved;
    NoteHeld();
    return block + 1;
}

void FreeString(void* memory, size_t size)
{
    if (!memory || !stringHeap) return;
    const uintptr_t piece = reinterpret_cast<uintptr_t>(memory);
    const uintptr_t base = reinterpret_cast<uintptr_t>(storage.base);
    if (storage.base && piece >= base && piece < base + storage.size) {
        // The last piece carved is given back at once; the others wait for the reset.
        const size_t carved = (size + Granule - 1) / Granule * Granule;
        if (piece + carved == base + storage.used) storage.used -= static_cast<uint32_t>(carved);
        return;
    }
    OwnBlock* block = static_cast<OwnBlock*>(memory) - 1;
    for (OwnBlock** link = &storage.own; *link; link = &(*link)->next) {
        if (*link == block) {
            *link = block->next;
            storage.ownBytes -= block->size;
            PlatformHeapFree(stringHeap, block);
            return;
        }
    }
}

void ResetStringStorage()
{
    if (!stringHeap) return;
    while (storage.own) {
        OwnBlock* next = storage.own->next;
        PlatformHeapFree(stringHeap, storage.own);
        storage.own = next;
    }
    // Empty now, so the storage may move: it grows to what the call needed,
    // at least doubling so that slowly growing calls reallocate rarely.
    if (storage.peak > storage.size && storage.size < MostStringStorage) {
        uint64_t wanted = storage.peak > uint64_t{storage.size} * 2 ? storage.peak : uint64_t{storage.size} * 2;
        if (wanted > MostStringStorage) wanted = MostStringStorage;
        const uint32_t size = static_cast<uint32_t>(wanted);
        void* grown = storage.base ? PlatformHeapReAlloc(stringHeap, storage.base, size)
                                   : PlatformHeapAlloc(stringHeap, false, size);
        // When the heap cannot grow it, the old storage serves on.
        if (grown) {
            storage.base = static_cast<char*>(grown);
            storage.size = size;
        }
    }
    storage.used = 0;
    storage.ownBytes = 0;
    storage.peak = 0;
}

uint32_t StringStorageSize() { return storage.size; }

PlatformHeap InternalHeap() { return internalHeap; }
PlatformHeap StringHeap() { return stringHeap; }
PlatformHeap BlockHeap() { return blockHeap; }
