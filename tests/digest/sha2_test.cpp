// SPDX-License-Identifier: MIT
// SHA-224/256/384/512 around the padding's block boundaries, and the plugin's own promises;
// cavp_test.cpp runs the NIST files (SHAVS).
#include <gtest/gtest.h>

#include "digest/sha2.h"
#include "tests/support/digest_runner.h"

namespace {

class Sha2Vectors : public testing::TestWithParam<int32_t> {
protected:
    void SetUp() override { EnsureSha2Plugin(); }
    const int32_t bits = GetParam();
};

// The ShortMsg files hold every whole-byte length up to one block.
TEST_P(Sha2Vectors, PaddingBoundaries)
{
    const uint32_t block = bits <= 256 ? 64 : 128, lengthField = block / 8;
    const std::pair<const char*, uint32_t> rows[] = {
        {"0x80 and the length fill the one padded block", block - lengthField - 1},
        {"the length no longer fits: finish compresses twice", block - lengthField},
        {"0x80 is the block's last byte: the length goes in a second block", block - 1},
        {"update compresses the only block, finish pads one of its own", block},
    };
    VectorFile file;
    ASSERT_NO_FATAL_FAILURE(LoadCavpFile(Sha2, bits, "ShortMsg", file));
    for (const auto& [reason, length] : rows) {
        int found = 0;
        for (const VectorRecord& record : file.records) {
            if (record.bitLength != 8 * static_cast<long>(length)) continue;
            ++found;
            ExpectEveryFeed(Sha2, bits, record.message, ToHex(record.digest), reason);
        }
        EXPECT_EQ(found, 1) << reason << ": no single vector of " << length << " bytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Sha2Vectors, testing::Values(224, 256, 384, 512),
                         [](const auto& size) { return "Sha" + std::to_string(size.param); });

TEST(Sha2Plugin, ZeroBitsMeansSha256)
{
    EnsureSha2Plugin();
    EXPECT_EQ(RunPlugin(Sha2, 0, Bytes{'a', 'b', 'c'}, Feed::Whole),  // the FIPS 180-4 example
              FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST(Sha2Plugin, RefusedLengthsKeepNoStorage)
{
    EnsureSha2Plugin();
    ExpectRefusedLengthsKeepNoStorage(Sha2);
}

// The word-wise path (aligned, whole words) and the bytewise one write the same bytes, and no more.
TEST(Sha2Plugin, BigEndianStoresMatchOnEveryPath)
{
    alignas(8) const uint64_t chain64[2] = {0x0102030405060708ull, 0x1112131415161718ull};
    alignas(8) const uint32_t chain32[4] = {0x01020304u, 0x05060708u, 0x11121314u, 0x15161718u};
    const std::string bigEndian = "01020304050607081112131415161718";
    for (uint32_t offset : {0u, 1u, 4u}) {
        for (uint32_t count : {16u, 12u, 6u}) {
            const std::string written = bigEndian.substr(0, 2 * count) + std::string(32 - 2 * count, '0');
            alignas(8) uint8_t out[2][24] = {};
            StoreBigEndian64(out[0] + offset, chain64, count);
            StoreBigEndian32(out[1] + offset, chain32, count);
            EXPECT_EQ(ToHex(out[0] + offset, 16), written) << "64-bit words, offset " << offset << ", count " << count;
            EXPECT_EQ(ToHex(out[1] + offset, 16), written) << "32-bit words, offset " << offset << ", count " << count;
        }
    }
}

}  // namespace
