// SPDX-License-Identifier: MIT
// SHA-1, SHA-2 and SHA-3 against NIST's CAVP files at each length, on every form
// of its compression: every short and long message, and the Monte Carlo chains,
// whose procedure differs between SHAVS and SHA3VS.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "digest/plugin.h"
#include "tests/support/digest_runner.h"
#include "tests/support/digests.h"
#include "tests/support/forms.h"

namespace {

// SHA3VS: MD(i) = SHA3(MD(i - 1)) from MD(0) = seed; MD(1000) is the checkpoint.
Bytes Sha3Chain(int32_t bits, const Bytes& seed)
{
    Bytes digest = seed;
    for (int i = 0; i < 1000; ++i) digest = RunPlugin(Sha3, bits, digest, Feed::Whole);
    return digest;
}

// Each CAVP digest (every one but MD5) on each form of the compression it runs on.
struct CavpRun {
    const DigestFunction* function;
    TestForm form;
};
std::vector<CavpRun> Runs()
{
    std::vector<CavpRun> runs;
    for (const DigestFunction& function : DigestFunctions)
        if (function.id != Md5)
            for (const TestForm& form : TestFormsFor(function.id, function.bits)) runs.push_back({&function, form});
    return runs;
}
std::string Name(const CavpRun& run)
{
    const int32_t id = run.function->id;
    return (id == Sha1 ? "Sha1" : (id == Sha2 ? "Sha" : "Sha3_") + std::to_string(run.function->bits)) + "_" +
           run.form.Key();
}
void PrintTo(const CavpRun& run, std::ostream* out) { *out << run.function->name << " on " << run.form.Key(); }

class CavpFiles : public testing::TestWithParam<CavpRun> {
protected:
    void SetUp() override
    {
        EnsureSha1Plugin();
        EnsureSha2Plugin();
        EnsureSha3Plugin();
        const std::string why = WhyFormCannotRun(GetParam().form);
        ASSERT_TRUE(why.empty()) << why;
    }
    const int32_t id = GetParam().function->id;
    const int32_t bits = GetParam().function->bits;
    UsingForm form{GetParam().form};
};

// With flag 0 SHA-1's portable form runs whichever is chosen, and it compresses
// whole blocks inside the caller's buffer.
TEST_P(CavpFiles, ShortAndLongMessages)
{
    for (const char* kind : {"ShortMsg", "LongMsg"}) {
        VectorFile file;
        ASSERT_NO_FATAL_FAILURE(LoadCavpFile(id, bits, kind, file));
        EXPECT_FALSE(file.records.empty()) << file.path;
        ExpectEveryRecord(id, bits, file);
    }
}

// The short messages hold every whole-byte length up to one block (the rate for
// SHA-3) once, so the run above meets each padding boundary.
TEST_P(CavpFiles, ShortMessagesReachEveryPaddingBoundary)
{
    VectorFile file;
    ASSERT_NO_FATAL_FAILURE(LoadCavpFile(id, bits, "ShortMsg", file));
    for (long length = 0; length <= static_cast<long>(GetParam().function->blockSize); ++length)
        EXPECT_EQ(std::count_if(file.records.begin(), file.records.end(),
                                [&](const VectorRecord& record) { return record.bitLength == 8 * length; }),
                  1)
            << file.path << ": records of " << length << " bytes";
}

// Each chain's checkpoint is the next chain's seed.
TEST_P(CavpFiles, MonteCarlo)
{
    VectorFile file;
    ASSERT_NO_FATAL_FAILURE(LoadCavpFile(id, bits, "Monte", file));
    ASSERT_EQ(file.records.size(), 100u);
    Bytes seed = file.seed;
    for (const VectorRecord& record : file.records) {
        seed = id == Sha3 ? Sha3Chain(bits, seed) : ShavsMonteCarloChain(id, bits, seed);
        ASSERT_EQ(ToHex(seed), ToHex(record.digest))
            << file.path << ":" << record.line << " checkpoint " << record.count;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, CavpFiles, testing::ValuesIn(Runs()),
                         [](const auto& run) { return Name(run.param); });

}  // namespace
