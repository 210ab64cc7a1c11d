// SPDX-License-Identifier: MIT
// The names the Unicode exports take for the ten digests, and their lookup.
#include "digest/plugin.h"

namespace {

// clang-format off
constexpr DigestName DigestNames[] = {
    {"MD5", Md5, 0, EnsureMd5Plugin},
    {"SHA1", Sha1, 0, EnsureSha1Plugin},       {"SHA-1", Sha1, 0, EnsureSha1Plugin},
    {"SHA224", Sha2, 224, EnsureSha2Plugin},   {"SHA-224", Sha2, 224, EnsureSha2Plugin},   {"SHA2-224", Sha2, 224, EnsureSha2Plugin},
    {"SHA256", Sha2, 256, EnsureSha2Plugin},   {"SHA-256", Sha2, 256, EnsureSha2Plugin},   {"SHA2-256", Sha2, 256, EnsureSha2Plugin},
    {"SHA384", Sha2, 384, EnsureSha2Plugin},   {"SHA-384", Sha2, 384, EnsureSha2Plugin},   {"SHA2-384", Sha2, 384, EnsureSha2Plugin},
    {"SHA512", Sha2, 512, EnsureSha2Plugin},   {"SHA-512", Sha2, 512, EnsureSha2Plugin},   {"SHA2-512", Sha2, 512, EnsureSha2Plugin},
    {"SHA3-224", Sha3, 224, EnsureSha3Plugin}, {"SHA3_224", Sha3, 224, EnsureSha3Plugin},
    {"SHA3-256", Sha3, 256, EnsureSha3Plugin}, {"SHA3_256", Sha3, 256, EnsureSha3Plugin},
    {"SHA3-384", Sha3, 384, EnsureSha3Plugin}, {"SHA3_384", Sha3, 384, EnsureSha3Plugin},
    {"SHA3-512", Sha3, 512, EnsureSha3Plugin}, {"SHA3_512", Sha3, 512, EnsureSha3Plugin},
};
// clang-format on

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

const DigestName* FindDigestName(const char* name, size_t length)
{
    for (const DigestName& candidate : DigestNames) {
        size_t i = 0;
        while (i < length && candidate.name[i] && UpperAscii(name[i]) == candidate.name[i]) ++i;
        if (i == length && !candidate.name[i]) return &candidate;
    }
    return nullptr;
}
