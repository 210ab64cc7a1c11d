// SPDX-License-Identifier: MIT
// The library's three private heaps and the memory blocks taken from the block heap.
#pragma once
#include <cstddef>
#include <cstdint>

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

// Scratch memory for one step of a call, not zero-filled. The block heap keeps
// one block for it from load to unload, grown to what calls ask for up to
// MostKeptScratch, so that a long text lands in pages it has touched before
// rather than in fresh ones. Asked for more, or while the kept block is out, it
// hands out a block of the call's own, released when it is given back.
struct ScratchBlock {
    char* bytes;  // null when there is none
    size_t size;  // at least what was asked for; TakeScratch(0) gives the kept block as it is
};
ScratchBlock TakeScratch(size_t size);
// Every block TakeScratch handed out goes back here before the call returns; null does nothing.
void GiveBackScratch(void* bytes);

// Digest contexts live in the internal heap; not zero-filled.
void* AllocInternal(uint32_t size);
void FreeInternal(void* memory);

// Internal texts live in the string heap, carved from its working storage or,
// when they do not fit, in blocks of their own; they all go at once at the reset.
void* AllocString(size_t size);
// Releases every string at once and grows the storage to what was needed since
// the last reset (within a bound). Nothing allocated before it may be used after.
void ResetStringStorage();
// The storage grows to what a call needed, up to this: a call whose texts
// together take up to 4 MiB as UTF-16 (a digest of a text of about 2 Mi
// characters, ROT13 of about 1 Mi) reuses it. A larger text takes a block of its
// own for that call, a small cost beside converting and hashing it, and one
// huge call does not keep its size in the heap for the library's lifetime.
constexpr uint32_t MostStringStorage = 4u << 20;
// The working storage's size in bytes, for tests.
uint32_t StringStorageSize();
// The kept scratch block grows within the same bound; its size, for tests.
constexpr size_t MostKeptScratch = MostStringStorage;
size_t KeptScratchSize();
