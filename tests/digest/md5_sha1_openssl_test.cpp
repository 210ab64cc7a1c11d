// SPDX-License-Identifier: MIT
// MD5 and SHA-1 against OpenSSL where no published vector reaches: padding
// boundaries and message lengths past 2^32 bits.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "digest/md5.h"
#include "digest/sha1.h"
#include "tests/support/digest_runner.h"

namespace {

struct Algorithm {
    const char* name;
    int32_t id;
    int32_t flag;
    const EVP_MD* (*reference)();
};

constexpr Algorithm Algorithms[] = {
    {"MD5", Md5, 1, EVP_md5}, {"SHA-1 preserving", Sha1, 1, EVP_sha1}, {"SHA-1 in place", Sha1, 0, EVP_sha1}};

Bytes PseudoRandomBytes(size_t size, uint32_t state)
{
    Bytes bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return bytes;
}

// Each call feeds the buffer's first `size` bytes to OpenSSL, then to the plugin:
// without the preserve flag SHA-1 rewrites whole blocks of the buffer.
void ExpectSameDigest(const Algorithm& algorithm, Bytes& buffer, const std::vector<uint32_t>& calls,
                      uint32_t bitCountHigh)
{
    EVP_MD_CTX* reference = EVP_MD_CTX_new();
    ASSERT_EQ(EVP_DigestInit_ex(reference, algorithm.reference(), nullptr), 1);
    DigestPlugin* plugin = FindDigestPlugin(algorithm.id);
    DigestContext* context = plugin->create(0, algorithm.flag);
    for (uint32_t size : calls) {
        EVP_DigestUpdate(reference, buffer.data(), size);
        plugin->update(context, buffer.data(), size);
    }
    EXPECT_EQ(algorithm.id == Md5 ? reinterpret_cast<Md5Context*>(context)->bitCountHigh
                                  : reinterpret_cast<Sha1Context*>(context)->bitCountHigh,
              bitCountHigh);
    uint8_t expected[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EVP_DigestFinal_ex(reference, expected, &size);
    EVP_MD_CTX_free(reference);
    plugin->finish(context);
    EXPECT_EQ(ToHex(context->digest, static_cast<size_t>(context->digestBits / 8)), ToHex(expected, size));
    plugin->release(context);
}

// MD5 pads to 56 mod 64 with 1 to 64 bytes; SHA-1 with 0x80 and single zero bytes.
TEST(Md5Sha1OpenSsl, PaddingBoundaries)
{
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    const struct {
        const char* reason;
        uint32_t length;
    } rows[] = {{"empty message", 0},        {"length fits after 55", 55},
                {"length spills at 56", 56}, {"pad byte ends the block", 63},
                {"whole block", 64},         {"block plus one", 65},
                {"second block fits", 119},  {"second block spills", 120},
                {"two whole blocks", 128}};
    for (const Algorithm& algorithm : Algorithms)
        for (const auto& row : rows) {
            const Bytes message = PseudoRandomBytes(row.length, row.length + 1);
            uint8_t expected[EVP_MAX_MD_SIZE];
            unsigned size = 0;
            ASSERT_EQ(EVP_Digest(message.data(), message.size(), expected, &size, algorithm.reference(), nullptr), 1);
            for (Feed feed : AllFeeds)
                EXPECT_EQ(ToHex(RunPlugin(algorithm.id, 0, message, feed, algorithm.flag)), ToHex(expected, size))
                    << algorithm.name << ", " << row.reason << ", feed " << FeedName(feed);
        }
}

// Two ways past 2^32 bits: 601 MiB and an odd tail in 1 MiB calls, where the low half
// of the bit count wraps; and one call of more than 2^29 bytes, where length << 3 alone
// loses the top bits.
TEST(Md5Sha1OpenSsl, BitCountPast32Bits)
{
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    std::vector<uint32_t> calls(601, 1u << 20);
    calls.push_back(37);
    Bytes buffer = PseudoRandomBytes((1u << 29) + 4099, 77);
    for (const Algorithm& algorithm : Algorithms) {
        SCOPED_TRACE(algorithm.name);
        ExpectSameDigest(algorithm, buffer, calls, 1);
        ExpectSameDigest(algorithm, buffer, {3, static_cast<uint32_t>(buffer.size())}, 1);
    }
}

}  // namespace
