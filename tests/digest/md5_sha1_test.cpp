// SPDX-License-Identifier: MIT
// MD5 against RFC 1321's suite, MD5 and SHA-1 where no published vector reaches,
// and the plugins' own promises; cavp_test.cpp runs SHA-1's NIST files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "digest/md5.h"
#include "digest/sha1.h"
#include "tests/support/digest_runner.h"
#include "tests/support/forms.h"

namespace {

class Md5Sha1 : public testing::Test {
protected:
    void SetUp() override
    {
        EnsureMd5Plugin();
        EnsureSha1Plugin();
    }
};

// Every record through the driver and every feed, with flag 1 and flag 0 (MD5
// ignores the flag).
TEST_F(Md5Sha1, Md5KnownAnswers)
{
    VectorFile file;
    std::string error;
    ASSERT_TRUE(ReadVectorFile("MD5/rfc-1321.txt", file, error) && !file.records.empty()) << error;
    ExpectEveryRecord(Md5, 0, file);
}

// MD5 and SHA-1 pad to 56 mod 64 with 1 to 64 bytes: 0x80, zeros, the 8-byte length.
// The messages are PseudoRandomBytes(length, length + 1); the digests are hashlib's.
TEST_F(Md5Sha1, PaddingBoundaries)
{
    const struct {
        const char* reason;
        uint32_t length;
        const char* md5;
        const char* sha1;
    } rows[] = {
        {"empty message", 0, "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"length fits after 55", 55, "6f13d63dd8d1cea5d17e33c4a877e129", "87f67bc223310192da4b36dcf5df30ff15fb84a6"},
        {"length spills at 56", 56, "90a89fe0372ddf51acff21b3ace81842", "257416282d292b094d203679d9f9176cdf896e2a"},
        {"length spills at 57", 57, "3cd41f144b531d50147d149e9a4130fb", "94f089435d2d197d494c4a7f73a5c686f0fda24f"},
        {"pad byte ends the block", 63, "78b2c890f089693a246e14eb9a2cadee", "919f3e2c6f3fc4ef08ff8d2bd6ea1450cfd7b22d"},
        {"whole block", 64, "70f2f2db3588d54247ee2a867de5d96a", "16b146e6291a2c1e7f04f89e1a966b7d75104a1c"},
        {"block plus one", 65, "63c9fdf6a622e5bc270280849e8508a0", "2b1f8e9eb328fd1885d4753be4eff48ba203a568"},
        {"second block fits", 119, "fa2cb992fef9e654e875b8178e896848", "a256a830d4354b1655d34b9eee34553f459b0fa5"},
        {"second block spills", 120, "d18cab512ebedebede69131ec39f68a1", "1896fef7de2d1a85388bb507120bb552860973f5"},
        {"two whole blocks", 128, "6643a0a75ac723f3f5811589f8b56004", "e629034c0a73bb0c53e66228eb5b5d35abc64936"},
    };
    for (const auto& row : rows) {
        const Bytes message = PseudoRandomBytes(row.length, row.length + 1);
        ExpectEveryFeed(Md5, 0, message, row.md5, std::string("MD5, ") + row.reason);
        ExpectEveryFeed(Sha1, 0, message, row.sha1, std::string("SHA-1, ") + row.reason);
    }
}

// PseudoRandomBytes(1 MiB, 77) 513 times, then its first 37 bytes: the low half
// of the bit count wraps and must carry into the high half, which the length
// field then holds. The digest is hashlib's.
TEST_F(Md5Sha1, Md5BitCountCarriesPast32Bits)
{
    Bytes buffer = PseudoRandomBytes(1u << 20, 77);
    DigestContext* context = Md5Create(0, 1);
    for (int i = 0; i < 513; ++i) Md5Update(context, buffer.data(), static_cast<uint32_t>(buffer.size()));
    Md5Update(context, buffer.data(), 37);
    EXPECT_EQ(reinterpret_cast<const Md5Context*>(context)->bitCountHigh, 1u);
    Md5Finish(context);
    EXPECT_EQ(ToHex(context->digest, 16), "afe54184d6576bfa37169852c302e58f");
    Md5Release(context);
}

// SHA-1 on each form of its compression. With flag 0 the portable form runs
// whichever is chosen, and it compresses whole blocks inside the caller's buffer.
class Sha1OnEachForm : public testing::TestWithParam<TestForm> {
protected:
    void SetUp() override
    {
        EnsureMd5Plugin();
        EnsureSha1Plugin();
        const std::string why = WhyFormCannotRun(GetParam());
        ASSERT_TRUE(why.empty()) << why;
    }
    UsingForm form{GetParam()};
};

// 200 bytes in one call: bytes 0..63 and 192..199 pass through the context's block,
// 64..191 are two whole blocks compressed where they lie.
TEST_P(Sha1OnEachForm, CallerBytesWrittenOnlyWithoutPreserveFlag)
{
    const struct {
        const char* reason;
        int32_t id, flag;
        bool blocksRewritten;
    } rows[] = {{"MD5 never writes", Md5, 0, false},
                {"SHA-1 flag 1 keeps the bytes", Sha1, 1, false},
                {"SHA-1 negative flag keeps the bytes", Sha1, -7, false},
                {"SHA-1 high-bit flag keeps the bytes", Sha1, 0x10000, false},
                {"SHA-1 flag 0 uses whole blocks as the schedule", Sha1, 0, true}};
    Bytes message(200);
    for (size_t i = 0; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i * 7 + 3);
    for (const auto& row : rows) {
        Bytes buffer = message;
        DigestPlugin* plugin = FindDigestPlugin(row.id);
        DigestContext* context = plugin->create(0, row.flag);
        plugin->update(context, buffer.data(), 200);
        plugin->finish(context);
        EXPECT_EQ(ToHex(context->digest, static_cast<size_t>(context->digestBits / 8)), DriverHex(row.id, 0, message))
            << row.reason;
        plugin->release(context);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 64, message.begin())) << row.reason;
        EXPECT_TRUE(std::equal(buffer.begin() + 192, buffer.end(), message.begin() + 192)) << row.reason;
        EXPECT_NE(std::equal(buffer.begin() + 64, buffer.begin() + 192, message.begin() + 64), row.blocksRewritten)
            << row.reason;
    }
}

INSTANTIATE_TEST_SUITE_P(Each, Sha1OnEachForm, testing::ValuesIn(TestFormsFor(Sha1, 0)),
                         [](const auto& form) { return form.param.Key(); });

// Finish leaves nothing of the message behind; SHA-1 keeps its flag.
TEST_F(Md5Sha1, StateWipedAfterFinish)
{
    const uint8_t zeros[64] = {};
    Bytes message(100, 0xa5);
    DigestContext* context = Md5Create(0, 0);
    Md5Update(context, message.data(), 100);
    Md5Finish(context);
    const auto* md5 = reinterpret_cast<const Md5Context*>(context);
    EXPECT_EQ(std::memcmp(md5->chain, zeros, sizeof md5->chain), 0);
    EXPECT_EQ(md5->bitCountLow | md5->bitCountHigh, 0u);
    EXPECT_EQ(std::memcmp(md5->block, zeros, 64), 0);
    Md5Release(context);
    for (int32_t flag : {0, 1, 5}) {
        context = Sha1Create(0, flag);
        Sha1Update(context, message.data(), 100);
        Sha1Finish(context);
        const auto* sha1 = reinterpret_cast<const Sha1Context*>(context);
        EXPECT_EQ(std::memcmp(sha1->chain, zeros, sizeof sha1->chain), 0) << "flag " << flag;
        EXPECT_EQ(sha1->bitCountLow | sha1->bitCountHigh, 0u) << "flag " << flag;
        EXPECT_EQ(std::memcmp(sha1->block, zeros, 64), 0) << "flag " << flag;
        EXPECT_EQ(std::memcmp(sha1->workspace, zeros, 64), 0) << "flag " << flag;
        EXPECT_EQ(sha1->preserveInput, flag);
        Sha1Release(context);
    }
}

// Neither plugin offers a choice of length, and a second registration changes nothing.
TEST_F(Md5Sha1, CreateIgnoresBitsAndEnsureRegistersOnce)
{
    for (int32_t bits : {0, 128, 160, 256, -1, 12345}) {
        EXPECT_EQ(DriverHex(Md5, bits, Bytes{'a', 'b', 'c'}), "900150983cd24fb0d6963f7d28e17f72") << bits;
        EXPECT_EQ(DriverHex(Sha1, bits, Bytes{'a', 'b', 'c'}), "a9993e364706816aba3e25717850c26c9cd0d89d") << bits;
    }
    const int32_t count = DigestPluginCount();
    EXPECT_EQ(EnsureMd5Plugin() + EnsureSha1Plugin(), 2);
    EXPECT_EQ(DigestPluginCount(), count);
    EXPECT_TRUE(FindDigestPlugin(Md5)->finish == Md5Finish && FindDigestPlugin(Sha1)->finish == Sha1Finish);
}

}  // namespace
