// SPDX-License-Identifier: MIT
// The compressions that are picked at run time by what the processor offers:
// each faster form must give exactly what the portable form gives.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "digest/sha1.h"
#include "digest/sha2.h"
#include "digest/sha3.h"
#include "runtime/cpu.h"

namespace {

// xorshift64: reproducible bytes without a table.
uint64_t NextRandom(uint64_t& state)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

template <typename Word, size_t Count>
void RandomWords(Word (&words)[Count], uint64_t& state)
{
    for (Word& word : words) word = static_cast<Word>(NextRandom(state));
}

// One round's random chain and block, the chain twice: a copy for each form.
template <typename Word, size_t Words, size_t Bytes>
struct RandomRound {
    explicit RandomRound(uint64_t& state)
    {
        RandomWords(portable, state);
        static_assert(Bytes % 8 == 0);
        for (size_t i = 0; i < Bytes; i += 8) {
            const uint64_t word = NextRandom(state);
            std::memcpy(block + i, &word, 8);
        }
        std::memcpy(fast, portable, sizeof fast);
    }
    Word portable[Words];
    Word fast[Words];
    uint8_t block[Bytes];
};

#if defined(__i386__)
TEST(DispatchedForms, Sha512Sse2MatchesPortableOnRandomChainsAndBlocks)
{
    ASSERT_TRUE(CpuHasSse2()) << "this processor lacks SSE2, so the SSE2 form cannot be compared";
    uint64_t random = 0x9e3779b97f4a7c15ull;
    for (int round = 0; round < 2000; ++round) {
        RandomRound<uint64_t, 8, 128> in(random);
        Sha512CompressPortable(in.portable, in.block);
        Sha512CompressSse2(in.fast, in.block);
        ASSERT_EQ(0, std::memcmp(in.portable, in.fast, sizeof in.fast)) << "round " << round;
    }
}
#endif

#if defined(__x86_64__)
TEST(DispatchedForms, Sha1Bmi2MatchesPortableWithAndWithoutACopy)
{
    ASSERT_TRUE(CpuHasBmi2()) << "this processor lacks BMI2, so the BMI2 form cannot be compared";
    uint64_t random = 0x6a09e667f3bcc908ull;
    for (int round = 0; round < 2000; ++round) {
        RandomRound<uint32_t, 5, 64> in(random);
        // Odd rounds work in place, as with create's flag 0: the block becomes the schedule.
        uint8_t portableBlock[64], bmi2Block[64], portableCopy[64], bmi2Copy[64];
        std::memcpy(portableBlock, in.block, 64);
        std::memcpy(bmi2Block, in.block, 64);
        const bool inPlace = round % 2 == 1;
        Sha1CompressPortable(in.portable, portableBlock, inPlace ? nullptr : portableCopy);
        Sha1CompressBmi2(in.fast, bmi2Block, inPlace ? nullptr : bmi2Copy);
        ASSERT_EQ(0, std::memcmp(in.portable, in.fast, sizeof in.fast)) << "round " << round;
        ASSERT_EQ(0, std::memcmp(portableBlock, bmi2Block, 64)) << "round " << round;
        if (!inPlace) {
            ASSERT_EQ(0, std::memcmp(portableCopy, bmi2Copy, 64)) << "round " << round;
        }
    }
}

TEST(DispatchedForms, KeccakBmi1MatchesPortableOnRandomStates)
{
    ASSERT_TRUE(CpuHasBmi1()) << "this processor lacks BMI1, so the BMI1 form cannot be compared";
    uint64_t random = 0x2545f4914f6cdd1dull;
    uint64_t portable[25];
    RandomWords(portable, random);
    uint64_t bmi1[25];
    std::memcpy(bmi1, portable, sizeof bmi1);
    // Chained permutations: any difference in any lane spreads to all of them.
    for (int round = 0; round < 500; ++round) {
        portable[round % 25] ^= NextRandom(random);
        bmi1[round % 25] = portable[round % 25];
        KeccakPermutePortable(portable);
        KeccakPermuteBmi1(bmi1);
        ASSERT_EQ(0, std::memcmp(portable, bmi1, sizeof bmi1)) << "round " << round;
    }
}
#endif

}  // namespace
