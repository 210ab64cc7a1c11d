// SPDX-License-Identifier: MIT
// MD5 and SHA-1 against RFC 1321's suite and NIST's CAVP files (SHA-1 on every form
// of its compression), and the plugins' own promises.
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

TEST_P(Sha1OnEachForm, KnownAnswerFiles)
{
    for (const char* path : {"SHA1/SHA1ShortMsg.rsp", "SHA1/SHA1LongMsg.rsp"}) {
        VectorFile file;
        std::string error;
        EXPECT_TRUE(ReadVectorFile(path, file, error) && !file.records.empty()) << path << ": " << error;
        ExpectEveryRecord(Sha1, 0, file);
    }
}

// NIST's Monte Carlo procedure: each message is the three previous digests.
TEST_P(Sha1OnEachForm, MonteCarlo)
{
    VectorFile file;
    std::string error;
    ASSERT_TRUE(ReadVectorFile("SHA1/SHA1Monte.rsp", file, error)) << error;
    ASSERT_EQ(file.records.size(), 100u) << file.path;
    Bytes seed = file.seed;
    for (const VectorRecord& record : file.records) {
        seed = ShavsMonteCarloChain(Sha1, 0, seed);
        ASSERT_EQ(ToHex(seed), ToHex(record.digest)) << file.path << ":" << record.line;
    }
}

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
