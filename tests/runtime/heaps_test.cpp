// SPDX-License-Identifier: MIT
// Memory blocks and the private heaps.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>

#if defined(_WIN32)
#include <windows.h>
#else
#include <malloc.h>
#endif

#include "runtime/heap_handles.h"

#if defined(__SANITIZE_ADDRESS__)
#define QV_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QV_TEST_ASAN 1
#endif
#endif
#if defined(QV_TEST_ASAN)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// What the process holds that a destroyed heap must give back. Windows releases a
// heap's blocks with the heap, which then leaves the process's list of heaps. On
// Linux the blocks come from the C allocator: AddressSanitizer counts every byte it
// hands out, and glibc maps a block above 32 MiB (the most its mmap threshold rises
// to) on its own and unmaps it at free, so the bytes it has mapped show large blocks.
size_t Held()
{
#if defined(_WIN32)
    return GetProcessHeaps(0, nullptr);
#elif defined(QV_TEST_ASAN)
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().hblkhd;
#endif
}

}  // namespace

TEST(AllocBlock, RefusesSizesBelowOneWithoutTouchingTheHeap)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    for (int32_t size : {0, -1, INT32_MIN}) {
        EXPECT_EQ(AllocBlock(size), nullptr) << size;
        EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before) << size;
    }
}

TEST(AllocBlock, HandsOutZeroFilledBlocks)
{
    for (int32_t size : {1, 4096, 5000, 100000}) {
        // Dirty the heap first so a zero fill cannot happen by accident.
        void* dirty = AllocBlock(size);
        ASSERT_NE(dirty, nullptr);
        std::memset(dirty, 0xA5, static_cast<size_t>(size));
        FreeBlock(dirty);

        auto* block = static_cast<unsigned char*>(AllocBlock(size));
        ASSERT_NE(block, nullptr) << size;
        for (int32_t i = 0; i < size; ++i) ASSERT_EQ(block[i], 0) << "size " << size << " byte " << i;
        FreeBlock(block);
    }
}

TEST(FreeBlock, NullDoesNothingAndEachBlockIsCounted)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    FreeBlock(nullptr);
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before);
    void* a = AllocBlock(10);
    void* b = AllocBlock(20);
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + 2);
    FreeBlock(a);
    FreeBlock(b);
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before);
}

TEST(TakeScratch, KeepsOneBlockThatGrowsAndHandsOutBlocksOfTheirOwnBeyondIt)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    struct Row {
        const char* why;
        size_t size;
        bool kept;
    };
    const Row rows[] = {
        {"the kept block as it is", 0, true},
        {"within it", 100, true},
        {"larger: it grows", KeptScratchSize() + 1, true},
        {"up to the bound", MostKeptScratch, true},
        {"past the bound: a block of the call's own", MostKeptScratch + 1, false},
    };
    for (const Row& row : rows) {
        const ScratchBlock block = TakeScratch(row.size);
        ASSERT_NE(block.bytes, nullptr) << row.why;
        EXPECT_GE(block.size, row.size) << row.why;
        std::memset(block.bytes, 0xA5, block.size);  // all of it is the caller's
        EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + (row.kept ? 0 : 1)) << row.why;
        // Asked again while the first is out: a block of its own.
        const ScratchBlock second = TakeScratch(16);
        ASSERT_NE(second.bytes, nullptr) << row.why;
        EXPECT_NE(second.bytes, block.bytes) << row.why;
        GiveBackScratch(second.bytes);
        GiveBackScratch(block.bytes);
        EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before) << row.why << ": given back";
        const ScratchBlock again = TakeScratch(0);
        EXPECT_EQ(again.bytes == block.bytes, row.kept) << row.why;
        GiveBackScratch(again.bytes);
    }
    GiveBackScratch(nullptr);
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before);
    EXPECT_EQ(KeptScratchSize(), MostKeptScratch) << "grown up to its bound and no further";
}

TEST(PlatformHeap, DestroyReleasesEveryLiveBlock)
{
    // Large blocks first, among the small ones and last, so a destroy that stops
    // early or skips the ends leaves one behind.
    constexpr size_t Large = size_t{40} << 20;
    const size_t sizes[] = {Large, 100, 101, 102, 103, 104, Large, 105, 106, 107, 108, 109, Large};
    const size_t before = Held();
    PlatformHeap heap = PlatformHeapCreate();
    ASSERT_NE(heap, nullptr);
    for (size_t i = 0; i < std::size(sizes); ++i)
        ASSERT_NE(PlatformHeapAlloc(heap, i % 2 == 0, sizes[i]), nullptr) << i;
    EXPECT_EQ(PlatformHeapLiveBlocks(heap), static_cast<int32_t>(std::size(sizes)));
    const size_t during = Held();
    PlatformHeapDestroy(heap);
    const size_t after = Held();
#if defined(_WIN32)
    EXPECT_EQ(during, before + 1) << "the heap is not among the process's heaps";
#else
    ASSERT_GE(during, before + 3 * Large)
        << "the large blocks were not mapped on their own: their release cannot be seen";
#endif
    EXPECT_EQ(after, before) << "the destroy kept what the heap held";
}
