// SPDX-License-Identifier: MIT
// The digest exports of the Linux library, called directly, and what they leave in the heaps.
#include <gtest/gtest.h>

#include "quorvalent.h"
#include "runtime/heap_handles.h"
#include "tests/support/export_suite.h"

const ExportTable& Exports()
{
    static const ExportTable table = {FreeMem,    cifrado_md5,  cifrado_SHA1, cifrado_SHA2, cifrado_SHA3,
                                      text_rot13, cifrado_text, cifrado_data, cifrado_file};
    return table;
}

int LibraryBusyBlocks()
{
    return PlatformHeapLiveBlocks(InternalHeap()) + PlatformHeapLiveBlocks(StringHeap()) +
           PlatformHeapLiveBlocks(BlockHeap());
}

TEST(DigestExports, LeaveNoBlockBehindAfterFreeMem)
{
    const PlatformHeap heaps[] = {InternalHeap(), StringHeap(), BlockHeap()};
    int32_t before[3];
    for (int i = 0; i < 3; ++i) before[i] = PlatformHeapLiveBlocks(heaps[i]);
    // Digests, an empty text, and refused lengths: scratch blocks, contexts and
    // internal texts must all be gone once the result is handed back.
    for (const DigestFunction& function : DigestFunctions) {
        CallDigest(function, "abc");
        CallDigest(function, "");
    }
    for (const char* bits : {"100", "-256", "1024"}) {
        EXPECT_EQ(CallDigest(Sha2, "abc", bits), "");
        EXPECT_EQ(CallDigest(Sha3, "abc", bits), "");
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(PlatformHeapLiveBlocks(heaps[i]), before[i]) << "heap " << i;
}

TEST(DigestExports, ResultBlockIsExactlyTheDigestAndItsZero)
{
    const int32_t before = PlatformHeapLiveBlocks(BlockHeap());
    char* result = cifrado_SHA2("abc", "512");
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(std::string(result).size(), 128u);
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before + 1) << "only the result outlives the call";
    FreeMem();
    EXPECT_EQ(PlatformHeapLiveBlocks(BlockHeap()), before);
}
