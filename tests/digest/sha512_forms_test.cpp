// SPDX-License-Identifier: MIT
// The SHA-512 compressions that take several blocks in one call, each against the
// portable one-block compression on random chains and blocks, and against NIST's
// SHA-384 and SHA-512 digests by compressing each padded CAVP message.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

#include "digest/plugin.h"
#include "digest/sha2.h"
#include "runtime/cpu.h"
#include "tests/support/digest_runner.h"

#if defined(__x86_64__) || defined(__i386__)
using Sha512Blocks = void (*)(uint64_t chain[8], const uint8_t* blocks, uint32_t count);

// Found by argument-dependent lookup, so it stands beside CpuForm, outside the
// anonymous namespace: a failure names the form.
void PrintTo(const CpuForm<Sha512Blocks>& form, std::ostream* out) { *out << form.name; }

namespace {

// Every form of the multi-block compression, with the features it needs.
constexpr CpuForm<Sha512Blocks> Sha512BlockForms[] = {
    {"Avx2", Sha512CompressAvx2Needs, Sha512CompressAvx2},
};

// The one-block compression the forms must agree with: on 32-bit x86 the
// portable form itself, as Sha512Compress may take SSE2 there.
void ReferenceCompress(uint64_t chain[8], const uint8_t* block)
{
#if defined(__i386__)
    Sha512CompressPortable(chain, block);
#else
    Sha512Compress(chain, block);
#endif
}

#if defined(__i386__)
constexpr const char* Emulator = "qemu-i386 -cpu max";
#else
constexpr const char* Emulator = "qemu-x86_64 -cpu max";
#endif

class Sha512BlockForm : public testing::TestWithParam<CpuForm<Sha512Blocks>> {
protected:
    void SetUp() override
    {
        // A form this processor cannot run is not skipped: the test is to be run
        // where it can, under an emulator if need be.
        ASSERT_TRUE(CpuHas(GetParam().needs))
            << "this processor lacks what the " << GetParam().name << " form needs; run this test under " << Emulator;
    }
    const Sha512Blocks compress = GetParam().routine;
};

// xorshift64: reproducible words without a table.
uint64_t NextRandom(uint64_t& state)
{
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

// Up to nine blocks at every offset from an 8-byte boundary, as a form may be
// handed a caller's bytes where they lie; none is also a count.
TEST_P(Sha512BlockForm, MatchesPortableBlockByBlockOnRandomChainsAndMessages)
{
    uint64_t random = 0xd1b54a32d192ed03ull;
    alignas(8) uint8_t buffer[9 * 128 + 8];
    for (uint32_t count = 0; count <= 9; ++count) {
        for (int trial = 0; trial < 40; ++trial) {
            uint64_t expected[8], chain[8];
            for (uint64_t& word : expected) word = NextRandom(random);
            std::memcpy(chain, expected, sizeof chain);
            for (uint8_t& byte : buffer) byte = static_cast<uint8_t>(NextRandom(random));
            const uint8_t* message = buffer + trial % 8;

            for (uint32_t block = 0; block < count; ++block) ReferenceCompress(expected, message + 128 * block);
            compress(chain, message, count);
            ASSERT_EQ(0, std::memcmp(expected, chain, sizeof chain))
                << count << " blocks at offset " << trial % 8 << ", trial " << trial;
        }
    }
}

// The FIPS 180-4 padding (0x80, zeros, the length in bits in the last 16 bytes)
// written out here, so that the whole digest comes from one call of the form.
Bytes Sha512Padded(const Bytes& message)
{
    const size_t blocks = (message.size() + 17 + 127) / 128;
    Bytes padded(blocks * 128, 0);
    if (!message.empty()) std::memcpy(padded.data(), message.data(), message.size());
    padded[message.size()] = 0x80;
    const uint64_t bits = static_cast<uint64_t>(message.size()) * 8;
    for (int i = 0; i < 8; ++i) padded[padded.size() - 1 - i] = static_cast<uint8_t>(bits >> (8 * i));
    return padded;
}

TEST_P(Sha512BlockForm, GivesTheCavpDigestsOfSha384AndSha512)
{
    struct Length {
        int32_t bits;
        void (*init)(Sha512State* state);
    };
    for (const Length length : {Length{384, Sha384Init}, Length{512, Sha512Init}}) {
        for (const char* kind : {"ShortMsg", "LongMsg"}) {
            VectorFile file;
            ASSERT_NO_FATAL_FAILURE(LoadCavpFile(Sha2, length.bits, kind, file));
            ASSERT_FALSE(file.records.empty()) << file.path;
            for (const VectorRecord& record : file.records) {
                Sha512State state;
                length.init(&state);
                const Bytes padded = Sha512Padded(record.message);
                compress(state.chain, padded.data(), static_cast<uint32_t>(padded.size() / 128));
                uint8_t digest[64];
                StoreBigEndian64(digest, state.chain, state.digestBytes);
                EXPECT_EQ(ToHex(record.digest), ToHex(digest, state.digestBytes))
                    << file.path << " line " << record.line;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Sha512BlockForm, testing::ValuesIn(Sha512BlockForms),
                         [](const auto& form) { return std::string(form.param.name); });

}  // namespace
#endif
