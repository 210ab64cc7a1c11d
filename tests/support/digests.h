// SPDX-License-Identifier: MIT
// The ten digests the library offers, in the one order every test walks them in
// (the generated tables of expected digests follow it too).
#pragma once
#include <cstdint>

#include "digest/plugin.h"

struct DigestFunction {
    const char* name;          // "SHA3-256"; libcrypto fetches each by this name too
    int32_t id;                // the plugin, and the export that runs it
    int32_t bits;              // create's length; 0 for MD5 and SHA-1, which have one
    const char* bitsText;      // the exports' second argument; null for MD5 and SHA-1
    const char* exportName;    // as the DLL exports it
    uint32_t blockSize;        // block or rate in bytes: where padding changes shape
    const char* shortVectors;  // the outside known-answer file of short messages
    const char* abc;           // the published digest of "abc"
};

inline constexpr DigestFunction DigestFunctions[10] = {
    {"MD5", Md5, 0, nullptr, "cifrado_md5", 64, "MD5/rfc-1321.txt", "900150983cd24fb0d6963f7d28e17f72"},
    {"SHA-1", Sha1, 0, nullptr, "cifrado_SHA1", 64, "SHA1/SHA1ShortMsg.rsp",
     "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {"SHA-224", Sha2, 224, "224", "cifrado_SHA2", 64, "SHA2/SHA224ShortMsg.rsp",
     "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
    {"SHA-256", Sha2, 256, "256", "cifrado_SHA2", 64, "SHA2/SHA256ShortMsg.rsp",
     "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"SHA-384", Sha2, 384, "384", "cifrado_SHA2", 128, "SHA2/SHA384ShortMsg.rsp",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {"SHA-512", Sha2, 512, "512", "cifrado_SHA2", 128, "SHA2/SHA512ShortMsg.rsp",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2"
     "a9ac94fa54ca49f"},
    {"SHA3-224", Sha3, 224, "224", "cifrado_SHA3", 144, "SHA3/SHA3_224ShortMsg.rsp",
     "e642824c3f8cf24ad09234ee7d3c766fc9a3a5168d0c94ad73b46fdf"},
    {"SHA3-256", Sha3, 256, "256", "cifrado_SHA3", 136, "SHA3/SHA3_256ShortMsg.rsp",
     "3a985da74fe225b2045c172d6bd390bd855f086e3e9d525b46bfe24511431532"},
    {"SHA3-384", Sha3, 384, "384", "cifrado_SHA3", 104, "SHA3/SHA3_384ShortMsg.rsp",
     "ec01498288516fc926459f58e2c6ad8df9b473cb0fc08c2596da7cf0e49be4b298d88cea927ac7f539f1edf228376d25"},
    {"SHA3-512", Sha3, 512, "512", "cifrado_SHA3", 72, "SHA3/SHA3_512ShortMsg.rsp",
     "b751850b1a57168a5693cd924b6b096e08f621827444f70d884f5d0240d2712e10e116e9192af3c91a7ec57647e3934057340b4cf408d5a56"
     "592f8274eec53f0"},
};

// The row of a plugin and length (0 for MD5 and SHA-1); null for none.
constexpr const DigestFunction* FindDigestFunction(int32_t id, int32_t bits)
{
    for (const DigestFunction& function : DigestFunctions)
        if (function.id == id && function.bits == bits) return &function;
    return nullptr;
}
