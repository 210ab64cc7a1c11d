// SPDX-License-Identifier: MIT
// The one interface through which the library touches its platform: private
// heaps and the ANSI code page. platform_windows.cpp and platform_linux.cpp implement it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"

struct PlatformHeapTag;
using PlatformHeap = PlatformHeapTag*;

// A growable private heap: HeapCreate(0, 4096, 0). Null when it cannot be made.
PlatformHeap PlatformHeapCreate();
// Releases the heap and every allocation still in it. Null is ignored.
void PlatformHeapDestroy(PlatformHeap heap);
// HeapAlloc; zeroFill asks the heap itself for zero-filled memory. Null on failure.
void* PlatformHeapAlloc(PlatformHeap heap, bool zeroFill, size_t size);
// HeapReAlloc with flags 0: the contents kept up to the smaller size, at a
// possibly new address. Null on failure, and then the old block is untouched.
void* PlatformHeapReAlloc(PlatformHeap heap, void* block, size_t size);
// HeapFree with flags 0; a null block does nothing.
void PlatformHeapFree(PlatformHeap heap, void* block);
// Number of busy blocks in the heap, for tests and soak checks.
int32_t PlatformHeapLiveBlocks(PlatformHeap heap);

// MultiByteToWideChar(CP_ACP, 0, ...): decodes exactly byteCount bytes. With a
// null destination and capacity 0 it measures. Returns the code units written
// (or needed), 0 for a byteCount of 0.
int32_t PlatformAnsiToText(const char* bytes, int32_t byteCount, TextUnit* out, int32_t capacity);
// WideCharToMultiByte(CP_ACP, 0, ..., null, null): encodes unitCount code units,
// or up to and including the terminator when unitCount is -1. With a null
// destination and capacity 0 it measures. Returns the bytes written (or needed).
int32_t PlatformTextToAnsi(const TextUnit* units, int32_t unitCount, char* out, int32_t capacity);
