// SPDX-License-Identifier: MIT
// quorvalent.dll loaded by name, as a foreign caller loads it, with the private
// heaps that appeared when it loaded, so that a test can count their busy blocks.
#pragma once
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/export_table.h"

// The ANSI code page that the locale of a test's run should give Wine
// (QV_EXPECTED_ACP), or 0 when the run names none.
inline unsigned ExpectedCodePage()
{
    const char* text = std::getenv("QV_EXPECTED_ACP");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : 0;
}

inline std::vector<HANDLE> ProcessHeaps()
{
    std::vector<HANDLE> heaps(256);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    return heaps;
}

// Walked under the heap's lock, so the count is of one moment.
inline int BusyBlocks(HANDLE heap)
{
    int count = 0;
    HeapLock(heap);
    for (PROCESS_HEAP_ENTRY entry{}; HeapWalk(heap, &entry);) count += (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0;
    HeapUnlock(heap);
    return count;
}

// Loaded for one test and unloaded at its end; module is null when the DLL did not load.
class Library {
public:
    Library()
    {
        const std::vector<HANDLE> before = ProcessHeaps();
        module = LoadLibraryA("quorvalent.dll");
        for (HANDLE heap : ProcessHeaps()) {
            bool old = false;
            for (HANDLE seen : before) old = old || seen == heap;
            if (!old) heaps.push_back(heap);
        }
    }
    ~Library()
    {
        if (module) FreeLibrary(module);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The export as a Function; null when the DLL did not load or lacks it.
    template <typename Function>
    Function Resolve(const char* name) const
    {
        return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
    int BusyBlocksInHeaps() const
    {
        int count = 0;
        for (HANDLE heap : heaps) count += BusyBlocks(heap);
        return count;
    }
    // The result as a string ("<null>" for null), then FreeMem, as a caller should.
    std::string Take(char* result) const { return TakeResult(result, Resolve<QuorvalentFreeMem>("FreeMem")); }

    HMODULE module = nullptr;
    std::vector<HANDLE> heaps;  // the library's own: those that appeared at load
};
