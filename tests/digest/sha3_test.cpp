// SPDX-License-Identifier: MIT
// SHA3-224/256/384/512 one byte past the rate, and the plugin's own promises;
// cavp_test.cpp runs the NIST files (SHA3VS).
#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

#include "digest/plugin.h"
#include "digest/sha3.h"
#include "tests/support/digest_runner.h"
#include "tests/support/digests.h"

namespace {

// The bytes 1, 2, ..., rate + 1: one message byte in the padded block, a length
// past every CAVP short message (cavp_test.cpp runs those, up to the rate).
TEST(Sha3Vectors, RatePlusOneBytes)
{
    EnsureSha3Plugin();
    const struct {
        int32_t bits;
        const char* digest;  // OpenSSL's
    } rows[] = {
        {224, "277d5073a726c04a35fb8c8792103c7a53544f46acb1ed10481dcea4"},
        {256, "27f756e90634c81199a0dc0a68b6ce890bf372f1e751a761df546624c72e6bd5"},
        {384, "ee6477ed6d516974d3ba086389bae75e2d254966fc62208f9cac53a402dad6763d34d3feb25e76cb6e45ca1e88139b7d"},
        {512,
         "80fdce0688bd147c5c9e38cb7fc99662a16ecdbc3748832dd0ebb0ecba91cb864d1d48c212ba4e0748b732c4791d1888fcaac54c96591"
         "b4e"
         "5e843cd5fb1f6ea6"},
    };
    for (const auto& row : rows) {
        const DigestFunction* function = FindDigestFunction(Sha3, row.bits);
        ASSERT_NE(function, nullptr) << row.bits;
        Bytes message(function->blockSize + 1);
        std::iota(message.begin(), message.end(), uint8_t{1});
        ExpectEveryFeed(Sha3, row.bits, message, row.digest, function->name);
    }
}

TEST(Sha3Plugin, FinishedContextIgnoresUpdateAndRepeatsDigest)
{
    EnsureSha3Plugin();
    DigestPlugin* plugin = FindDigestPlugin(Sha3);
    uint8_t abc[] = {'a', 'b', 'c'};
    DigestContext* context = plugin->create(0, 1);  // 0 stands for 256
    ASSERT_EQ(context->digestBits, 256);
    plugin->update(context, abc, 3);
    plugin->finish(context);
    // The finished mark keeps the update from touching the state, the pending bytes or the mark.
    uint8_t finished[sizeof(Sha3Context)];
    std::memcpy(finished, context, sizeof finished);
    plugin->update(context, abc, 3);
    EXPECT_EQ(std::memcmp(finished, context, sizeof finished), 0) << "the update after finish changed the sponge";
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
