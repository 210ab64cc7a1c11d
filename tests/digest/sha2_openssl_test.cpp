// SPDX-License-Identifier: MIT
// SHA-256 and SHA-512 past 2^32 message bits, against OpenSSL over the same bytes.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "digest/plugin.h"
#include "tests/support/digest_runner.h"

// 600 updates of an odd-sized buffer: 600,001,800 bytes, past the 2^29 bytes whose
// bit count fits 32 bits, with blocks split across the updates.
TEST(Sha2OpenSsl, BitCountPast32Bits)
{
    EnsureSha2Plugin();
    Bytes buffer(1000003);
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    for (int32_t bits : {256, 512}) {
        DigestPlugin* plugin = FindDigestPlugin(Sha2);
        DigestContext* context = plugin->create(bits, 1);
        EVP_MD_CTX* reference = EVP_MD_CTX_new();
        ASSERT_EQ(EVP_DigestInit_ex(reference, bits == 256 ? EVP_sha256() : EVP_sha512(), nullptr), 1);
        for (int i = 0; i < 600; ++i) {
            plugin->update(context, buffer.data(), static_cast<uint32_t>(buffer.size()));
            EVP_DigestUpdate(reference, buffer.data(), buffer.size());
        }
        plugin->finish(context);
        uint8_t expected[EVP_MAX_MD_SIZE];
        unsigned int size = 0;
        EVP_DigestFinal_ex(reference, expected, &size);
        EVP_MD_CTX_free(reference);
        EXPECT_EQ(ToHex(context->digest, static_cast<size_t>(bits / 8)), ToHex(expected, size)) << "SHA-" << bits;
        plugin->release(context);
    }
}
