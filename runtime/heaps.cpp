// SPDX-License-Identifier: MIT
// The three private heaps: contexts, internal texts, and memory blocks.
#include "runtime/heaps.h"

#include <iterator>

#include "runtime/heap_handles.h"
#include "runtime/platform.h"

namespace {

// Library-wide handles, zero at load: constant-initialised, no constructors run.
PlatformHeap internalHeap = nullptr;
PlatformHeap stringHeap = nullptr;
PlatformHeap blockHeap = nullptr;

// The string heap's working storage: one block that a call's internal texts are
// carved from, end to end, and that is emptied at once when the call is done.
// A text that does not fit gets a block of its own, kept on a list until then;
// the storage never moves while a text points into it, and grows only when empty.
struct OwnBlock {
    OwnBlock* next;
    // 16 bytes in all, so the text behind keeps the block's own alignment (8 or
    // 16, as the heap gives); nothing relies on more than 8.
    char padding[16 - sizeof(OwnBlock*)];
};
static_assert(sizeof(OwnBlock) == 16, "texts in blocks of their own keep the block's alignment");

struct StringStorage {
    char* base;  // null when there is no storage
    uint32_t size;
    uint32_t used;      // bytes carved since the last reset
    uint64_t ownBytes;  // what carving the blocks of their own would have taken
    OwnBlock* own;
};

// Enough for a short call's texts: a few arguments and a digest of 128 digits.
constexpr uint32_t InitialStorage = 4096;
// Carved pieces keep the storage block's alignment up to 16; the passes over
// texts align their own reads, so nothing relies on more than the heap's 8.
constexpr uint32_t Granule = 16;

constinit StringStorage storage = {};

// The block heap starts with room for a short call's blocks, left free in front
// of blocks that stay until the heap goes. A block released at the end of a
// heap's used part melts into the free space behind it, where the next
// allocation, after walking every free list, splits it off again; Wine's heap
// does that for each scratch and result block. Released in front of a block in
// use, it waits in the free list of its size class instead, and the next call's
// block of that class takes it whole, which costs less than a split (the
// figures are in docs/benchmarks.md). The first room takes the
// scratch copy of a text of up to 71 bytes and the digits of a digest of up to
// 256 bits, the second those of 384 and 512 bits, and texts of up to 135 bytes.
constexpr int32_t ShortCallRooms[] = {72, 136};

// The scratch block the block heap keeps, made behind the rooms' keepers so that
// it never merges with them when it moves to grow.
struct KeptScratch {
    char* bytes;  // null when there is none
    size_t size;
    bool out;  // handed out and not yet given back
};
// A page: the scratch copy of a text of up to 4095 bytes without growing.
constexpr size_t InitialScratch = 4096;

constinit KeptScratch keptScratch = {};

}  // namespace

void CreateInternalHeap() { internalHeap = PlatformHeapCreate(); }

void CreateStringHeap()
{
    stringHeap = PlatformHeapCreate();
    storage = {};
    storage.base = stringHeap ? static_cast<char*>(PlatformHeapAlloc(stringHeap, false, InitialStorage)) : nullptr;
    storage.size = storage.base ? InitialStorage : 0;
}

void CreateBlockHeap()
{
    blockHeap = PlatformHeapCreate();
    void* rooms[std::size(ShortCallRooms)];
    for (size_t i = 0; i < std::size(ShortCallRooms); ++i) {
        rooms[i] = AllocBlock(ShortCallRooms[i]);
        AllocBlock(1);  // the block that stays behind it
    }
    for (void* room : rooms) FreeBlock(room);
    keptScratch = {};
    keptScratch.bytes = blockHeap ? static_cast<char*>(PlatformHeapAlloc(blockHeap, false, InitialScratch)) : nullptr;
    keptScratch.size = keptScratch.bytes ? InitialScratch : 0;
}

// Clearing each handle keeps a late call from reaching a destroyed heap.
void DestroyBlockHeap()
{
    PlatformHeapDestroy(blockHeap);
    blockHeap = nullptr;
    keptScratch = {};
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

ScratchBlock TakeScratch(size_t size)
{
    if (!blockHeap) return {};
    if (!keptScratch.out && size <= MostKeptScratch) {
        if (size > keptScratch.size) {
            // Grown to at least twice its size, so that slowly growing calls move
            // it rarely; its contents need not move with it. When the heap cannot
            // supply the larger block, the old one stays kept.
            size_t wanted = keptScratch.size * 2 > size ? keptScratch.size * 2 : size;
            if (wanted > MostKeptScratch) wanted = MostKeptScratch;
            void* grown = PlatformHeapAlloc(blockHeap, false, wanted);
            if (!grown && wanted > size) {
                wanted = size;
                grown = PlatformHeapAlloc(blockHeap, false, wanted);
            }
            if (grown) {
                PlatformHeapFree(blockHeap, keptScratch.bytes);
                keptScratch.bytes = static_cast<char*>(grown);
                keptScratch.size = wanted;
            }
        }
        if (keptScratch.bytes && size <= keptScratch.size) {
            keptScratch.out = true;
            return {keptScratch.bytes, keptScratch.size};
        }
    }
    char* own = size ? static_cast<char*>(PlatformHeapAlloc(blockHeap, false, size)) : nullptr;
    return {own, own ? size : 0};
}

void GiveBackScratch(void* bytes)
{
    if (!bytes) return;
    if (bytes == keptScratch.bytes)
        keptScratch.out = false;
    else
        FreeBlock(bytes);
}

size_t KeptScratchSize() { return keptScratch.size; }

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
        return piece;
    }
    void* memory = PlatformHeapAlloc(stringHeap, false, sizeof(OwnBlock) + size);
    if (!memory) return nullptr;
    OwnBlock* block = static_cast<OwnBlock*>(memory);
    block->next = storage.own;
    storage.own = block;
    storage.ownBytes += carved;
    return block + 1;
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
    // Texts are never released one by one, so what the call held is what it carved.
    const uint64_t held = storage.used + storage.ownBytes;
    if (held > storage.size && storage.size < MostStringStorage) {
        uint64_t wanted = held > uint64_t{storage.size} * 2 ? held : uint64_t{storage.size} * 2;
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
}

uint32_t StringStorageSize() { return storage.size; }

PlatformHeap InternalHeap() { return internalHeap; }
PlatformHeap StringHeap() { return stringHeap; }
PlatformHeap BlockHeap() { return blockHeap; }
