// SPDX-License-Identifier: MIT
// quorvalent.dll soaked: 100,000 export and FreeMem calls over mixed texts must leave
// the library's heaps and the process's private bytes where they were after warm-up.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/export_table.h"
#include "tests/wine/dll_library.h"

namespace {

// Private bytes as Windows counts them: committed memory private to the process.
// Walked with VirtualQuery, since Wine's GetProcessMemoryInfo leaves PrivateUsage unset.
size_t PrivateBytes()
{
    size_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const char* address = nullptr; VirtualQuery(address, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

size_t WorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

// The DLL with its heaps and its six exports, all of which the soak needs.
struct SoakLibrary : Library, ExportTable {
    SoakLibrary()
    {
        if (module) missing = ResolveExports(*this, [this](const char* name) { return Resolve<void*>(name); });
    }
    bool Ready() const { return module && heaps.size() == 3 && missing.empty(); }

    std::string missing = " the DLL";  // what could not be had
};

// Bytes 1 to 255 from a seeded generator: short texts mostly, some past 5000 bytes.
std::vector<std::string> MixedTexts()
{
    std::vector<std::string> texts = {"", "abc", "Hello, World!", std::string(20000, 'a')};
    uint32_t state = 12345;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (size_t length : {1, 55, 56, 63, 64, 71, 72, 111, 112, 135, 136, 143, 144, 300, 4999, 5000, 5001, 12000}) {
        std::string text(length, '\0');
        for (char& c : text) c = static_cast<char>(1 + (next() >> 8) % 255);
        texts.push_back(text);
    }
    return texts;
}

// One call shape: the digest export that runs plugin id with its bits text, or
// ROT13 for id 0.
struct Call {
    int32_t id;
    const char* bits;
};
const Call Calls[] = {{Md5, nullptr}, {Sha1, nullptr}, {Sha2, "224"},  {Sha2, "256"}, {Sha2, "384"},
                      {Sha2, "512"},  {Sha2, "100"},   {Sha3, "224"},  {Sha3, "256"}, {Sha3, "384"},
                      {Sha3, "512"},  {Sha3, ""},      {Sha3, "-256"}, {0, nullptr}};

char* Invoke(const SoakLibrary& library, const Call& call, const char* text)
{
    return call.id ? CallExport(library, call.id, text, call.bits) : library.rot13(text, nullptr);
}

TEST(DllSoak, HundredThousandCallsLeaveHeapsAndPrivateBytesFlat)
{
    SoakLibrary library;
    ASSERT_TRUE(library.Ready()) << "quorvalent.dll did not load with three heaps and six exports; missing"
                                 << library.missing;
    const std::vector<std::string> texts = MixedTexts();
    const size_t shapes = texts.size() * std::size(Calls);

    // Warm-up: every text through every call shape once, keeping the results.
    std::vector<std::string> expected(shapes);
    for (size_t shape = 0; shape < shapes; ++shape) {
        char* result = Invoke(library, Calls[shape % std::size(Calls)], texts[shape / std::size(Calls)].c_str());
        ASSERT_NE(result, nullptr) << "shape " << shape;
        expected[shape] = result;
        library.freeMem();
    }
    const int busyBefore = library.BusyBlocksInHeaps();
    const size_t privateBefore = PrivateBytes();
    const size_t workingSetBefore = WorkingSet();
    ASSERT_GT(privateBefore, 0u) << "VirtualQuery found no private memory";

    constexpr int CallCount = 100000;
    int busyPeak = busyBefore;
    size_t privatePeak = privateBefore;
    uint32_t state = 777;
    for (int i = 1; i <= CallCount; ++i) {
        state = state * 1664525u + 1013904223u;
        const size_t shape = (state >> 8) % shapes;
        char* result = Invoke(library, Calls[shape % std::size(Calls)], texts[shape / std::size(Calls)].c_str());
        if (!result || expected[shape] != result) {
            library.freeMem();
            FAIL() << "call " << i << ", shape " << shape << ": " << (result ? "a different result" : "null");
        }
        library.freeMem();
        if (i % 10000 == 0) {
            const int busy = library.BusyBlocksInHeaps();
            busyPeak = busy > busyPeak ? busy : busyPeak;
            const size_t privateNow = PrivateBytes();
            privatePeak = privateNow > privatePeak ? privateNow : privatePeak;
            ASSERT_EQ(busy, busyBefore) << "after " << i << " calls";
        }
    }
    const int busyAfter = library.BusyBlocksInHeaps();
    const size_t privateAfter = PrivateBytes();
    std::printf(
        "soak: %d calls; busy blocks %d before, %d after (peak %d); private bytes %zu before, %zu after "
        "(peak %zu); working set %zu before, %zu after\n",
        CallCount, busyBefore, busyAfter, busyPeak, privateBefore, privateAfter, privatePeak, workingSetBefore,
        WorkingSet());
    EXPECT_EQ(busyAfter, busyBefore);
    // A heap may keep a few freed pages for reuse; a leak of one small block per
    // call would show as megabytes.
    constexpr size_t Tolerance = 512 * 1024;
    EXPECT_LE(privatePeak, privateBefore + Tolerance);
}

TEST(DllSoak, TenCallsWithoutFreeMemLeaveTenBlocks)
{
    SoakLibrary library;
    ASSERT_TRUE(library.Ready());
    const int before = library.BusyBlocksInHeaps();
    const std::vector<std::string> texts = MixedTexts();
    for (size_t i = 0; i < 10; ++i)
        ASSERT_NE(Invoke(library, Calls[i % std::size(Calls)], texts[i + 1].c_str()), nullptr);
    EXPECT_EQ(library.BusyBlocksInHeaps(), before + 10) << "each result stays until unload";
    library.freeMem();
    EXPECT_EQ(library.BusyBlocksInHeaps(), before + 9) << "FreeMem releases the last result only";
}

}  // namespace
