// SPDX-License-Identifier: MIT
// Fault injection for the exports' null paths, one interface on both platforms.
// A sweep raises the step from 0 until a call goes through, so that each large
// allocation of the call fails in turn.
// - Linux: the library's heaps take their memory from malloc, calloc and realloc,
//   which the test program wraps at link time (-Wl,--wrap): step k makes the k-th
//   of them from now on fail, once.
// - 32-bit Windows: all the free address space is reserved but a hole of
//   k * ShortageStepBytes, so the heaps cannot grow beyond it. Windows and Wine
//   give each block of half a megabyte or more an allocation of its own.
//   Not on 64-bit Windows: reserving Wine's 128 TiB of user space that way got
//   the process killed for want of memory after two minutes.
// Nothing may be allocated by the test while a shortage lasts.
#pragma once
#include <cstddef>
#include <cstdint>

#if !defined(_WIN32) || UINTPTR_MAX == 0xFFFFFFFFu
#define QV_MEMORY_SHORTAGE 1
#endif

// Large enough that its UTF-16 form outgrows the string heap's working storage
// (4 MiB at most), so reading it always asks the heap for a block of its own.
constexpr size_t ShortageTextBytes = size_t{3} << 20;
constexpr size_t ShortageStepBytes = size_t{2} << 20;

class MemoryShortage {
public:
    explicit MemoryShortage(int step);
    ~MemoryShortage();
    MemoryShortage(const MemoryShortage&) = delete;
    MemoryShortage& operator=(const MemoryShortage&) = delete;
};
