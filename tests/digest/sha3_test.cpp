// SPDX-License-Identifier: MIT
// SHA3-224/256/384/512 around the sponge's block boundaries, and the plugin's own promises;
// cavp_test.cpp runs the NIST files (SHA3VS).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "digest/plugin.h"
#include "tests/support/digest_runner.h"

namespace {

struct Sha3Size {
    int32_t bits;
    uint32_t rate;
    const char* ratePlusOneDigest;  // OpenSSL's digest of the bytes 1, 2, ..., rate + 1
};
void PrintTo(const Sha3Size& size, std::ostream* out) { *out << "SHA3-" << size.bits; }

constexpr Sha3Size Sizes[] = {
    {224, 144, "277d5073a726c04a35fb8c8792103c7a53544f46acb1ed10481dcea4"},
    {256, 136, "27f756e90634c81199a0dc0a68b6ce890bf372f1e751a761df546624c72e6bd5"},
    {384, 104, "ee6477ed6d516974d3ba086389bae75e2d254966fc62208f9cac53a402dad6763d34d3feb25e76cb6e45ca1e88139b7d"},
    {512, 72,
     "80fdce0688bd147c5c9e38cb7fc99662a16ecdbc3748832dd0ebb0ecba91cb864d1d48c212ba4e0748b732c4791d1888fcaac54c96591b4e5"
     "e843cd5fb1f6ea6"},
};

class Sha3Vectors : public testing::TestWithParam<Sha3Size> {
protected:
    void SetUp() override { EnsureSha3Plugin(); }
    const int32_t bits = GetParam().bits;
};

TEST_P(Sha3Vectors, BlockBoundaries)
{
    const uint32_t rate = GetParam().rate;
    const std::pair<const char*, uint32_t> rows[] = {
        {"rate - 1 bytes: 0x06 and 0x80 merge into a last byte of 0x86", rate - 1},
        {"rate bytes: update absorbs the block, finish absorbs padding only", rate},
        {"rate + 1 bytes (1, 2, ...; OpenSSL): one message byte in the padded block", rate + 1},
    };
    VectorFile file;
    ASSERT_NO_FATAL_FAILURE(LoadCavpFile(Sha3, bits, "ShortMsg", file));  // every length up to rate bytes
    for (const auto& [reason, length] : rows) {
        Bytes message(length);
        std::iota(message.begin(), message.end(), uint8_t{1});
        std::string expected = length > rate ? GetParam().ratePlusOneDigest : "";
        for (const VectorRecord& record : file.records)
            if (record.bitLength == 8 * static_cast<long>(length))
                message = record.message, expected = ToHex(record.digest);
        ASSERT_FALSE(expected.empty()) << reason << ": no vector of that length";
        ExpectEveryFeed(Sha3, bits, message, expected, reason);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Sha3Vectors, testing::ValuesIn(Sizes),
                         [](const auto& size) { return "Sha3_" + std::to_string(size.param.bits); });

TEST(Sha3Plugin, FinishedContextIgnoresUpdateAndRepeatsDigest)
{
    EnsureSha3Plugin();
    DigestPlugin* plugin = FindDigestPlugin(Sha3);
    uint8_t abc[] = {'a', 'b', 'c'};
    DigestContext* context = plugin->create(0, 1);  // 0 stands for 256
    ASSERT_EQ(context->digestBits, 256);
    plugin->update(context, abc, 3);
    plugin->finish(context);
    plugin->update(context, abc, 3);
    std::memset(context->digest, 0, sizeof context->digest);
    plugin->finish(context);
    // The FIPS 202 SHA3-256 example "abc", written again by the second finish.
    EXPECT_EQ(ToHex(context->digest, 32), "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532");
    plugin->release(context);
}

TEST(Sha3Plugin, RefusedLengthsKeepNoStorage)
{
    EnsureSha3Plugin();
    ExpectRefusedLengthsKeepNoStorage(Sha3);
}

}  // namespace
