// Memory blocks and the private heaps.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/heap_handles.h"

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

TEST(PlatformHeap, DestroyReleasesEveryLiveBlock)
{
    // Under the sanitizers a block left behind by the destroy shows as a leak.
    PlatformHeap heap = PlatformHeapCreate();
    ASSERT_NE(heap, nullptr);
    for (int i = 0; i < 10; ++i) ASSERT_NE(PlatformHeapAlloc(heap, i % 2 == 0, 100u + static_cast<size_t>(i)), nullptr);
    EXPECT_EQ(PlatformHeapLiveBlocks(heap), 10);
    PlatformHeapDestroy(heap);
}
