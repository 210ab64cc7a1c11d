// SPDX-License-Identifier: MIT
// The one interface through which the library touches its platform: private
// heaps, the ANSI code page, the caller's error and files. platform_windows.cpp
// and platform_linux.cpp implement it.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/text_unit.h"

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

// Why a call failed, told to the caller the platform's way: the thread's last
// error on Windows, errno elsewhere.
enum class PlatformError : int32_t {
    InvalidParameter,  // ERROR_INVALID_PARAMETER, EINVAL
    NotEnoughMemory,   // ERROR_NOT_ENOUGH_MEMORY, ENOMEM
    BadFileType,       // ERROR_BAD_FILE_TYPE, EINVAL: not a regular file
};
void PlatformSetError(PlatformError error);

// Files, read from start to end. The failing operation leaves the platform's own
// error for the caller (not found, access denied, a sharing violation, ...).
struct PlatformFileTag;
using PlatformFile = PlatformFileTag*;
// Opens path for reading, shared for reading, writing and deleting, without
// waiting for anything (a FIFO without a writer opens at once). Null on failure.
PlatformFile PlatformFileOpen(const CallerChar* path);
// True for a regular file on disk, with its size at the time. Anything else is
// refused before a byte is read: a device, console, pipe or FIFO as BadFileType,
// a folder that could be opened as the error reading it would give.
bool PlatformFileIsRegular(PlatformFile file, uint64_t& size);
// Reads up to capacity bytes at the file's position: the count read, 0 at the
// end, -1 on failure.
int32_t PlatformFileRead(PlatformFile file, void* buffer, uint32_t capacity);
// Closes the file and keeps the caller's error as it was.
void PlatformFileClose(PlatformFile file);
