// SPDX-License-Identifier: MIT
// SHA-2 and SHA-3 against NIST's CAVP files at each length, on every form of its
// compression: every short and long message, and the Monte Carlo chains, whose
// procedure differs between the families.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "digest/plugin.h"
#include "tests/support/digest_runner.h"
#include "tests/support/forms.h"

namespace {

Bytes Sha2Chain(int32_t bits, const Bytes& seed) { return ShavsMonteCarloChain(Sha2, bits, seed); }

// SHA3VS: MD(i) = SHA3(MD(i - 1)) from MD(0) = seed; MD(1000) is the checkpoint.
Bytes Sha3Chain(int32_t bits, const Bytes& seed)
{
    Bytes digest = seed;
    for (int i = 0; i < 1000; ++i) digest = RunPlugin(Sha3, bits, digest, Feed::Whole);
    return digest;
}

struct CavpLength {
    int32_t id;
    int32_t bits;
    Bytes (*chain)(int32_t bits, const Bytes& seed);  // one Monte Carlo chain, from its seed to its checkpoint
};
std::string Name(const CavpLength& length)
{
    return (length.id == Sha2 ? "Sha" : "Sha3_") + std::to_string(length.bits);
}

constexpr CavpLength Lengths[] = {
    {Sha2, 224, Sha2Chain}, {Sha2, 256, Sha2Chain}, {Sha2, 384, Sha2Chain}, {Sha2, 512, Sha2Chain},
    {Sha3, 224, Sha3Chain}, {Sha3, 256, Sha3Chain}, {Sha3, 384, Sha3Chain}, {Sha3, 512, Sha3Chain},
};

// Each length on each form of the compression it runs on.
struct CavpRun {
    CavpLength length;
    TestForm form;
};
std::vector<CavpRun> Runs()
{
    std::vector<CavpRun> runs;
    for (const CavpLength& length : Lengths)
        for (const TestForm& form : TestFormsFor(length.id, length.bits)) runs.push_back({length, form});
    return runs;
}
void PrintTo(const CavpRun& run, std::ostream* out) { *out << Name(run.length) << " on " << run.form.Key(); }

class CavpFiles : public testing::TestWithParam<CavpRun> {
protected:
    void SetUp() override
    {
        EnsureSha2Plugin();
        EnsureSha3Plugin();
        const std::string why = WhyFormCannotRun(GetParam().form);
        ASSERT_TRUE(why.empty()) << why;
    }
    const int32_t id = GetParam().length.id;
    const int32_t bits = GetParam().length.bits;
    UsingForm form{GetParam().form};
};

TEST_P(CavpFiles, ShortAndLongMessages)
{
    for (const char* kind : {"ShortMsg", "LongMsg"}) {
        VectorFile file;
        ASSERT_NO_FATAL_FAILURE(LoadCavpFile(id, bits, kind, file));
        ExpectEveryRecord(id, bits, file);
    }
}

// Each chain's checkpoint is the next chain's seed.
TEST_P(CavpFiles, MonteCarlo)
{
    VectorFile file;
    ASSERT_NO_FATAL_FAILURE(LoadCavpFile(id, bits, "Monte", file));
    ASSERT_EQ(file.records.size(), 100u);
    Bytes seed = file.seed;
    for (const VectorRecord& record : file.records) {
        seed = GetParam().length.chain(bits, seed);
        ASSERT_EQ(ToHex(seed), ToHex(record.digest)) << file.path << " checkpoint " << record.count;
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, CavpFiles, testing::ValuesIn(Runs()),
                         [](const auto& run) { return Name(run.param.length) + "_" + run.param.form.Key(); });

}  // namespace
