// SPDX-License-Identifier: MIT
// The digest driver when there is nothing to run: no plugin, or a refused length.
#include <gtest/gtest.h>

#include "digest/plugin.h"
#include "runtime/heap_handles.h"
#include "runtime/text.h"
#include "tests/support/digest_runner.h"

TEST(ComputeDigestHex, GivesAnEmptyTextAndKeepsNothingWhenNoDigestRuns)
{
    EnsureSha2Plugin();
    EnsureSha3Plugin();
    struct Row {
        const char* why;
        int32_t id;
        int32_t bits;
    };
    const Row rows[] = {
        {"id 2 belongs to no plugin", 2, 0},
        {"an id never registered", 99, 256},
        {"SHA-2 refuses 100 bits", Sha2, 100},
        {"SHA-3 refuses -256 bits", Sha3, -256},
    };
    const int32_t contexts = PlatformHeapLiveBlocks(InternalHeap());
    const int32_t texts = PlatformHeapLiveBlocks(StringHeap());
    for (const Row& row : rows) {
        EXPECT_EQ(DriverHex(row.id, row.bits, Bytes{'a', 'b', 'c'}), "") << row.why;
        bool untouched = false;
        EXPECT_EQ(FrameHex(row.id, row.bits, Bytes{'a', 'b', 'c'}, &untouched), "") << row.why;
        EXPECT_TRUE(untouched) << row.why;
        EXPECT_EQ(PlatformHeapLiveBlocks(InternalHeap()), contexts) << row.why;
        EXPECT_EQ(PlatformHeapLiveBlocks(StringHeap()), texts) << row.why;
    }
    TextUnit* empty = HexEncodeDigest(nullptr);
    EXPECT_EQ(TextLength(empty), 0);
    ReleaseAllTexts();
}
