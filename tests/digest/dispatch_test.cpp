// The compressions that are picked at run time by what the processor offers:
// each faster form must give exactly what the portable form gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "runtime/cpu.h"
#include "digest/sha1.h"
#include "digest/sha2.h"
#include "digest/sha3.h"

namespace {

// xorshift64: reproducible bytes without a table.
uint64_t NextRandom(uint64_t& state)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

#if defined(__i386__)
TEST(DispatchedForms, Sha512Sse2MatchesPortableOnRandomChainsAndBlocks)
{
    ASSERT_TRUE(CpuHasSse2()) << "this processor lacks SSE2, so the SSE2 form cannot be compared";
    uint64_t random = 0x9e3779b97f4a7c15ull;
    for (int round = 0; round < 2000; ++round) {
        uint64_t portable[8];
        uint8_t block[128];
        for (uint64_t& word : portable) word = NextRandom(random);
        for (int i = 0; i < 128; i += 8) {
            const uint64_t word = NextRandom(random);
            std::memcpy(block + i, &word, 8);
        }
        uint64_t sse2[8];
        std::memcpy(sse2, portable, sizeof sse2);
        Sha512CompressPortable(portable, block);
        Sha512CompressSse2(sse2, block);
        ASSERT_EQ(0, std::memcmp(portable, sse2, sizeof sse2)) << "round " << round;
    }
}
#endif

#if defined(__x86_64__)
TEST(DispatchedForms, Sha1Bmi2MatchesPortableWithAndWithoutACopy)
{
    ASSERT_TRUE(CpuHasBmi2()) << "this processor lacks BMI2, so the BMI2 form cannot be compared";
    uint64_t random = 0x6a09e667f3bcc908ull;
    for (int round = 0; round < 2000; ++round) {
        uint32_t portable[5];
        uint8_t block[64];
        for (uint32_t& word : portable) word = static_cast<uint32_t>(NextRandom(random));
        for (int i = 0; i < 64; i += 8) {
            const uint64_t word = NextRandom(random);
            std::memcpy(block + i, &word, 8);
        }
        uint32_t bmi2[5];
        std::memcpy(bmi2, portable, sizeof bmi2);
        // Odd rounds work in place, as with create's flag 0: the block becomes the schedule.
        uint8_t portableBlock[64], bmi2Block[64], portableCopy[64], bmi2Copy[64];
        std::memcpy(portableBlock, block, 64);
        std::memcpy(bmi2Block, block, 64);
        const bool inPlace = round % 2 == 1;
        Sha1CompressPortable(portable, portableBlock, inPlace ? nullptr : portableCopy);
        Sha1CompressBmi2(bmi2, bmi2Block, inPlace ? nullptr : bmi2Copy);
        ASSERT_EQ(0, std::memcmp(portable, bmi2, sizeof bmi2)) << "round " << round;
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
    for (uint64_t& lane : portable) lane = NextRandom(random);
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
