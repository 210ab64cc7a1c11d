// SPDX-License-Identifier: MIT
// The platform layer on Windows: KERNEL32 private heaps and the active ANSI code page.
#include <windows.h>

#include "runtime/platform.h"

PlatformHeap PlatformHeapCreate()
{
    // Flags 0 keep the platform's own serialisation; maximum 0 makes it growable.
    return reinterpret_cast<PlatformHeap>(HeapCreate(0, 4096, 0));
}

void PlatformHeapDestroy(PlatformHeap heap)
{
    if (heap) HeapDestroy(reinterpret_cast<HANDLE>(heap));
}

void* PlatformHeapAlloc(PlatformHeap heap, bool zeroFill, size_t size)
{
    return HeapAlloc(reinterpret_cast<HANDLE>(heap), zeroFill ? HEAP_ZERO_MEMORY : 0, size);
}

void* PlatformHeapReAlloc(PlatformHeap heap, void* block, size_t size)
{
    return HeapReAlloc(reinterpret_cast<HANDLE>(heap), 0, block, size);
}

void PlatformHeapFree(PlatformHeap heap, void* block) { HeapFree(reinterpret_cast<HANDLE>(heap), 0, block); }

int32_t PlatformHeapLiveBlocks(PlatformHeap heap)
{
    if (!heap) return 0;
    HANDLE handle = reinterpret_cast<HANDLE>(heap);
    int32_t count = 0;
    PROCESS_HEAP_ENTRY entry;
    entry.lpData = nullptr;
    HeapLock(handle);
    while (HeapWalk(handle, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++count;
    HeapUnlock(handle);
    return count;
}

// The text operations convert plain ASCII themselves; what reaches these holds
// other characters, which only the code page knows.
int32_t PlatformAnsiToText(const char* bytes, int32_t byteCount, TextUnit* out, int32_t capacity)
{
    if (byteCount == 0) return 0;
    return MultiByteToWideChar(CP_ACP, 0, bytes, byteCount, out, capacity);
}

int32_t PlatformTextToAnsi(const TextUnit* units, int32_t unitCount, char* out, int32_t capacity)
{
    if (unitCount == 0) return 0;
    return WideCharToMultiByte(CP_ACP, 0, units, unitCount, out, capacity, nullptr, nullptr);
}

void PlatformSetError(PlatformError error)
{
    switch (error) {
    case PlatformError::InvalidParameter:
        SetLastError(ERROR_INVALID_PARAMETER);
        break;
    case PlatformError::NotEnoughMemory:
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        break;
    case PlatformError::BadFileType:
        SetLastError(ERROR_BAD_FILE_TYPE);
        break;
    }
}

PlatformFile PlatformFileOpen(const CallerChar* path)
{
    // A folder cannot be opened without backup semantics: it is refused here,
    // with access denied, as Windows reports it.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<PlatformFile>(file);
}

bool PlatformFileIsRegular(PlatformFile file, uint64_t& size)
{
    HANDLE handle = reinterpret_cast<HANDLE>(file);
    LARGE_INTEGER bytes;
    // Devices (NUL, CON, COM1) are character files and pipes are pipes; only a
    // file on disk has an end that a read reaches.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        SetLastError(ERROR_BAD_FILE_TYPE);
        return false;
    }
    if (!GetFileSizeEx(handle, &bytes)) return false;
    size = static_cast<uint64_t>(bytes.QuadPart);
    return true;
}

int32_t PlatformFileRead(PlatformFile file, void* buffer, uint32_t capacity)
{
    DWORD read = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, capacity, &read, nullptr)) return -1;
    return static_cast<int32_t>(read);
}

void PlatformFileClose(PlatformFile file)
{
    const DWORD error = GetLastError();
    CloseHandle(reinterpret_cast<HANDLE>(file));
    SetLastError(error);
}
