// SPDX-License-Identifier: MIT
// Every form of every compression against the portable one, block by block, over
// random chaining values and runs of blocks at every alignment; and the choice the
// library makes the first time each compression runs.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "digest/form_tables.h"
#include "tests/support/digest_runner.h"
#include "tests/support/forms.h"

namespace {

// xorshift64: reproducible bytes without a table.
uint64_t NextRandom(uint64_t& state)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

template <typename Word>
std::vector<Word> RandomWords(size_t count, uint64_t& state)
{
    std::vector<Word> words(count);
    for (Word& word : words) word = static_cast<Word>(NextRandom(state));
    return words;
}

// Runs of 0 to 9 blocks, at an offset of 0 to 7 bytes from an 8-byte boundary.
struct RandomRun {
    RandomRun(size_t blockSize, int round, uint64_t& state)
        : count(static_cast<uint32_t>(round % 10)), storage(count * blockSize + 8)
    {
        for (uint8_t& byte : storage) byte = static_cast<uint8_t>(NextRandom(state));
        const size_t misalign = reinterpret_cast<uintptr_t>(storage.data()) % 8;
        blocks = storage.data() + (8 - misalign) % 8 + static_cast<size_t>(round % 8);
    }
    uint32_t count;
    std::vector<uint8_t> storage;
    uint8_t* blocks;
};

using Sha1Forms = EachForm;
using Sha256Forms = EachForm;
using Sha512Forms = EachForm;
using KeccakForms = EachForm;
using HexForms = EachForm;

// With a copy area the blocks stay as they were; without one the portable and
// BMI2 forms write each block's schedule over it, and the form with the SHA
// extensions, which keeps its schedule in registers, writes nothing.
TEST_P(Sha1Forms, MatchesThePortableStepsWithAndWithoutACopyArea)
{
    const Sha1CompressRoutine routine = Sha1CompressForms[form.index].routine;
    const bool writesSchedule = form.name != "shaext";
    uint64_t random = 0x6a09e667f3bcc908ull;
    for (int round = 0; round < 2000; ++round) {
        RandomRun run(64, round, random);
        const std::vector<uint8_t> original(run.blocks, run.blocks + 64 * run.count);
        const bool inPlace = round % 2 == 1;
        std::vector<uint32_t> expected = RandomWords<uint32_t>(5, random), chain = expected;
        std::vector<uint8_t> schedule = original;
        uint8_t expectedCopy[64], copy[64];
        for (uint32_t i = 0; i < run.count; ++i)
            Sha1CompressPortable(expected.data(), schedule.data() + 64 * i, 1, inPlace ? nullptr : expectedCopy);
        LeavingYmmClean(form.Key(), [&] { routine(chain.data(), run.blocks, run.count, inPlace ? nullptr : copy); });
        ASSERT_EQ(chain, expected) << "round " << round << ", " << run.count << " blocks";
        const std::vector<uint8_t> after(run.blocks, run.blocks + 64 * run.count);
        ASSERT_EQ(after, inPlace && writesSchedule ? schedule : original) << "round " << round;
    }
}

// The routine against the portable one-block compression, one block at a time.
template <typename Word, size_t BlockSize, typename Routine>
void ExpectPortableChains(const TestForm& form, Routine routine, Routine portable, uint64_t random)
{
    for (int round = 0; round < 2000; ++round) {
        RandomRun run(BlockSize, round, random);
        std::vector<Word> expected = RandomWords<Word>(8, random), chain = expected;
        for (uint32_t i = 0; i < run.count; ++i) portable(expected.data(), run.blocks + BlockSize * i, 1);
        LeavingYmmClean(form.Key(), [&] { routine(chain.data(), run.blocks, run.count); });
        ASSERT_EQ(chain, expected) << "round " << round << ", " << run.count << " blocks";
    }
}

TEST_P(Sha256Forms, MatchesThePortableRounds)
{
    ExpectPortableChains<uint32_t, 64>(form, Sha256CompressForms[form.index].routine, Sha256CompressPortable,
                                       0x510e527fade682d1ull);
}

TEST_P(Sha512Forms, MatchesThePortableRounds)
{
    ExpectPortableChains<uint64_t, 128>(form, Sha512CompressForms[form.index].routine, Sha512CompressPortable,
                                        0x9e3779b97f4a7c15ull);
}

// Chained permutations: any difference in any lane spreads to all of them.
TEST_P(KeccakForms, MatchesThePortableRounds)
{
    const KeccakPermuteRoutine routine = KeccakPermuteForms[form.index].routine;
    uint64_t random = 0x2545f4914f6cdd1dull;
    std::vector<uint64_t> expected = RandomWords<uint64_t>(25, random), state = expected;
    for (int round = 0; round < 500; ++round) {
        expected[round % 25] ^= NextRandom(random);
        state[round % 25] = expected[round % 25];
        KeccakPermutePortable(expected.data());
        LeavingYmmClean(form.Key(), [&] { routine(state.data()); });
        ASSERT_EQ(state, expected) << "round " << round;
    }
}

// Every count from none to the 64 bytes of the longest digest, each form against
// the table's digits; nothing past the last unit is written.
TEST_P(HexForms, WriteTheDigitsOfEveryByteAndNothingPastThem)
{
    const HexDigitsRoutine routine = HexDigitsForms[form.index].routine;
    uint64_t random = 0x243f6a8885a308d3ull;
    for (uint32_t count = 0; count <= 64; ++count) {
        std::vector<uint8_t> bytes(count);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(NextRandom(random));
        std::vector<TextUnit> expected(2 * count + 8, TextUnit{0x5A5A}), out = expected;
        HexDigitsPortable(bytes.data(), count, expected.data());
        LeavingYmmClean(form.Key(), [&] { routine(bytes.data(), count, out.data()); });
        ASSERT_EQ(out, expected) << form.Key() << ", " << count << " bytes";
    }
    const uint8_t known[] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0xA0};
    std::vector<TextUnit> out(18);
    routine(known, 9, out.data());
    EXPECT_EQ(std::u16string(out.begin(), out.end()), u"0123456789abcdefa0") << form.Key();
}

INSTANTIATE_TEST_SUITE_P(Each, HexForms, testing::ValuesIn(TestFormsOf("hex")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, Sha1Forms, testing::ValuesIn(TestFormsOf("sha1")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, Sha256Forms, testing::ValuesIn(TestFormsOf("sha256")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, Sha512Forms, testing::ValuesIn(TestFormsOf("sha512")), TestFormKey);
INSTANTIATE_TEST_SUITE_P(Each, KeccakForms, testing::ValuesIn(TestFormsOf("keccak")), TestFormKey);

// Once a digest of each kind has run, each compression holds the form its table
// offers first to this processor (on a qemu model, the one QV_EXPECT_FORM names),
// keeps it, and gives the right digest through it.
TEST(FormChoice, EachCompressionKeepsTheFirstFormThisProcessorRuns)
{
    EnsureSha1Plugin();
    EnsureSha2Plugin();
    EnsureSha3Plugin();
    struct Known {
        int32_t id, bits;
        const char* hex;  // of 200 bytes 'q', from Python's hashlib
    };
    const Known known[] = {
        {Sha1, 0, "9a2fa7a4a0222be5054c6c8191fa2ab1e2e14e2d"},
        {Sha2, 256, "ff550476527be4d27b596094d6cc4f8f127bbae50525e1747563ef63d4dc1448"},
        {Sha2, 512,
         "c3c4e47efc262dfed155772d85a06f3e5d43d836c9a4afa094f81ec3626094803ba517702894f92de197660c723913c1fcca7311b44fc"
         "f"
         "7b8fa976391e8426c8"},
        {Sha3, 256, "493686fd63ef68f957ca336e0352d846e369216226696ed347527353f9662ea2"},
    };
    for (int repeat = 0; repeat < 2; ++repeat) {
        for (const Known& digest : known)
            EXPECT_EQ(DriverHex(digest.id, digest.bits, Bytes(200, 'q')), digest.hex)
                << digest.id << "/" << digest.bits << ": " << DescribeDigestForms();
        ExpectChosen("sha1", Sha1CompressForms, digestForms.sha1);
        ExpectChosen("sha256", Sha256CompressForms, digestForms.sha256);
        ExpectChosen("sha512", Sha512CompressForms, digestForms.sha512);
        ExpectChosen("keccak", KeccakPermuteForms, digestForms.keccak);
        ExpectChosen("hex", HexDigitsForms, digestForms.hex);
    }
    std::printf("forms chosen here: %s\n", DescribeDigestForms().c_str());
}

// Every table, of the compressions and the text passes, as a structure: each
// form runs a routine of its own (a form that named another's routine would be
// compared with itself and never run), under a name of its own, and the table
// ends with the portable form, which needs nothing, so every processor has one.
TEST(FormTables, EachFormRunsItsOwnRoutineAndEachTableEndsWithTheOneThatNeedsNothing)
{
    std::map<uintptr_t, std::string> owners;
    std::set<std::string> keys, compressions;
    for (const TestForm& form : AllTestForms()) {
        const auto [owner, added] = owners.emplace(form.address, form.Key());
        EXPECT_TRUE(added) << form.Key() << " runs the routine of " << owner->second;
        EXPECT_TRUE(keys.insert(form.Key()).second) << form.Key() << " twice";
        compressions.insert(form.compression);
    }
    for (const std::string& compression : compressions) {
        const std::vector<TestForm> forms = TestFormsOf(compression);
        EXPECT_EQ(forms.back().name, "portable") << compression;
        EXPECT_EQ(forms.back().needs, 0u) << compression;
        for (size_t i = 0; i + 1 < forms.size(); ++i) EXPECT_NE(forms[i].needs, 0u) << forms[i].Key();
    }
    for (const char* compression : {"sha1", "sha256", "sha512", "keccak", "hex"})
        EXPECT_EQ(compressions.count(compression), 1u) << compression;
}

}  // namespace
