// SPDX-License-Identifier: MIT
// The SHA-2 plugin's own promises and the byte-order stores every plugin writes
// its digest with; cavp_test.cpp runs the NIST files (SHAVS).
#include <gtest/gtest.h>

#include "digest/byte_order.h"
#include "digest/sha2.h"
#include "tests/support/digest_runner.h"

namespace {

TEST(Sha2Plugin, ZeroBitsMeansSha256)
{
    EnsureSha2Plugin();
    EXPECT_EQ(RunPlugin(Sha2, 0, Bytes{'a', 'b', 'c'}, Feed::Whole),  // the FIPS 180-4 example
              FromHex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

TEST(Sha2Plugin, RefusedLengthsKeepNoStorage)
{
    EnsureSha2Plugin();
    ExpectRefusedLengthsKeepNoStorage(Sha2);
}

// The multi-word stores every plugin writes its digest with: at any address,
// whole words and a count that ends inside a word (SHA3-224's 28 bytes of lanes)
// write exactly the first count bytes, in the word's byte order, and no more.
TEST(ByteOrder, MultiWordStoresWriteExactlyCountBytes)
{
    const uint64_t words64[2] = {0x0102030405060708ull, 0x1112131415161718ull};
    const uint32_t words32[4] = {0x01020304u, 0x05060708u, 0x11121314u, 0x15161718u};
    const struct {
        const char* name;
        void (*store)(uint8_t* out, uint32_t count, const uint64_t* words64, const uint32_t* words32);
        const char* bytes;
    } stores[] = {
        {"big-endian 64",
         [](uint8_t* out, uint32_t count, const uint64_t* w, const uint32_t*) { StoreBigEndian64(out, w, count); },
         "01020304050607081112131415161718"},
        {"big-endian 32",
         [](uint8_t* out, uint32_t count, const uint64_t*, const uint32_t* w) { StoreBigEndian32(out, w, count); },
         "01020304050607081112131415161718"},
        {"little-endian 64",
         [](uint8_t* out, uint32_t count, const uint64_t* w, const uint32_t*) { StoreLittleEndian64(out, w, count); },
         "08070605040302011817161514131211"},
        {"little-endian 32",
         [](uint8_t* out, uint32_t count, const uint64_t*, const uint32_t* w) { StoreLittleEndian32(out, w, count); },
         "04030201080706051413121118171615"},
    };
    for (const auto& store : stores) {
        for (uint32_t offset : {0u, 1u, 4u, 7u}) {
            for (uint32_t count : {16u, 12u, 6u, 1u, 0u}) {
                const std::string written =
                    std::string(store.bytes).substr(0, 2 * count) + std::string(32 - 2 * count, '0');
                alignas(8) uint8_t out[24] = {};
                store.store(out + offset, count, words64, words32);
                EXPECT_EQ(ToHex(out, offset), std::string(2 * offset, '0')) << store.name << ", offset " << offset;
                EXPECT_EQ(ToHex(out + offset, 16), written)
                    << store.name << ", offset " << offset << ", count " << count;
            }
        }
    }
}

}  // namespace
