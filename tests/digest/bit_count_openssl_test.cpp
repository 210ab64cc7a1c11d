// SPDX-License-Identifier: MIT
// Messages past 2^32 bits, where no published vector reaches, against libcrypto
// over the same bytes.
#include <gtest/gtest.h>

#include <vector>

#include "digest/md5.h"
#include "digest/sha1.h"
#include "digest/sha2.h"
#include "tests/support/digest_runner.h"
#include "tests/support/reference.h"

namespace {

// The message's length in bits past the low 32, as each plugin counts it.
uint64_t BitCountHigh(int32_t id, const DigestContext* context)
{
    switch (id) {
    case Md5:
        return reinterpret_cast<const Md5Context*>(context)->bitCountHigh;
    case Sha1:
        return reinterpret_cast<const Sha1Context*>(context)->bitCountHigh;
    default:
        const auto* sha2 = reinterpret_cast<const Sha2Context*>(context);
        return (context->digestBits <= 256 ? sha2->sha256.byteCount : sha2->sha512.byteCount) >> 29;
    }
}

// The message is the buffer's first calls[i] bytes for each i, fed to libcrypto,
// then to the plugin: without the preserve flag SHA-1 rewrites whole blocks of the buffer.
void ExpectSameDigest(const DigestFunction& function, int32_t flag, Bytes& buffer, const std::vector<uint32_t>& calls)
{
    ReferenceDigest reference(function);
    DigestPlugin* plugin = FindDigestPlugin(function.id);
    DigestContext* context = plugin->create(function.bits, flag);
    for (uint32_t size : calls) {
        reference.Update(buffer.data(), size);
        plugin->update(context, buffer.data(), size);
    }
    EXPECT_EQ(BitCountHigh(function.id, context), 1u);  // every message here has 2^32 to 2^33 - 1 bits
    plugin->finish(context);
    EXPECT_EQ(ToHex(context->digest, static_cast<size_t>(context->digestBits / 8)), reference.Hex());
    plugin->release(context);
}

TEST(OpenSsl, BitCountPast32Bits)
{
    EnsureMd5Plugin();
    EnsureSha1Plugin();
    EnsureSha2Plugin();
    // MD5 and SHA-1, two ways: 601 MiB and an odd tail in 1 MiB calls, where the low
    // half of the bit count wraps; and one call of more than 2^29 bytes, where
    // length << 3 alone loses the top bits.
    std::vector<uint32_t> calls(601, 1u << 20);
    calls.push_back(37);
    Bytes buffer = PseudoRandomBytes((1u << 29) + 4099, 77);
    const struct {
        const char* name;
        const DigestFunction& function;
        int32_t flag;
    } counted[] = {{"MD5", DigestFunctions[0], 1},
                   {"SHA-1 preserving", DigestFunctions[1], 1},
                   {"SHA-1 in place", DigestFunctions[1], 0}};
    for (const auto& run : counted) {
        SCOPED_TRACE(run.name);
        ExpectSameDigest(run.function, run.flag, buffer, calls);
        ExpectSameDigest(run.function, run.flag, buffer, {3, static_cast<uint32_t>(buffer.size())});
    }
    // SHA-256 and SHA-512: 600 calls of an odd-sized buffer, 600,001,800 bytes,
    // with blocks split across the calls.
    Bytes odd(1000003);
    for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
    for (const DigestFunction* function : {&DigestFunctions[3], &DigestFunctions[5]}) {
        SCOPED_TRACE(function->name);
        ExpectSameDigest(*function, 1, odd, std::vector<uint32_t>(600, static_cast<uint32_t>(odd.size())));
    }
}

}  // namespace
