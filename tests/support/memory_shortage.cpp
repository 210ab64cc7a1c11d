// SPDX-License-Identifier: MIT
// The two forms of MemoryShortage: wrapped allocation calls on Linux, a reserved
// address space on Windows.
#include "tests/support/memory_shortage.h"

#if defined(QV_MEMORY_SHORTAGE)
#if defined(_WIN32)
#include <windows.h>

namespace {

// Fixed storage: the reservations are made while nothing else may be allocated.
constexpr int MostReservations = 4096;
void* reservations[MostReservations];
int reservationCount = 0;

}  // namespace

MemoryShortage::MemoryShortage(int step)
{
    const SIZE_T holeBytes = static_cast<SIZE_T>(step) * ShortageStepBytes;
    // The hole is reserved first, so that the sweep below leaves it alone.
    void* hole = holeBytes ? VirtualAlloc(nullptr, holeBytes, MEM_RESERVE, PAGE_NOACCESS) : nullptr;
    // The system's own choice of address, in ever smaller pieces, finds every
    // region a heap could be given; a gap smaller than the granularity is of no use.
    for (SIZE_T size = SIZE_T{1} << 30; size >= 0x10000 && reservationCount < MostReservations;) {
        if (void* reserved = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS)) {
            reservations[reservationCount++] = reserved;
        } else {
            size /= 2;
        }
    }
    if (hole) VirtualFree(hole, 0, MEM_RELEASE);
}

MemoryShortage::~MemoryShortage()
{
    while (reservationCount > 0) VirtualFree(reservations[--reservationCount], 0, MEM_RELEASE);
}

#else
#include <cstdlib>

namespace {

// Allocations to let through before the one that fails; -1 when none is to fail.
int countdown = -1;

bool FailsNow()
{
    if (countdown < 0) return false;
    return countdown-- == 0;
}

}  // namespace

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);

void* __wrap_malloc(size_t size) { return FailsNow() ? nullptr : __real_malloc(size); }
void* __wrap_calloc(size_t count, size_t size) { return FailsNow() ? nullptr : __real_calloc(count, size); }
void* __wrap_realloc(void* block, size_t size) { return FailsNow() ? nullptr : __real_realloc(block, size); }
}

MemoryShortage::MemoryShortage(int step) { countdown = step; }
MemoryShortage::~MemoryShortage() { countdown = -1; }
#endif
#endif
