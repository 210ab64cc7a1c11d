// SPDX-License-Identifier: MIT
// The names the Unicode exports take for the ten digests, and their lookup;
// the plugins' initialisations in place, by id.
#include "digest/md5.h"
#include "digest/plugin.h"
#include "digest/sha1.h"
#include "digest/sha2.h"
#include "digest/sha3.h"

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

// Each plugin's create without its allocation, for the runs of the Unicode
// exports, whose contexts live in their own frames.
struct DigestInit {
    int32_t id;
    DigestInitOp init;
};
constexpr DigestInit DigestInits[] = {
    {Md5, Md5InitContext}, {Sha1, Sha1InitContext}, {Sha2, Sha2InitContext}, {Sha3, Sha3InitContext}};

template <typename Context>
constexpr bool FitsFrame = sizeof(Context) <= sizeof(DigestFrame) && alignof(Context) <= alignof(DigestFrame);
static_assert(FitsFrame<Md5Context> && FitsFrame<Sha1Context> && FitsFrame<Sha2Context> && FitsFrame<Sha3Context>,
              "a DigestFrame holds every plugin's context");

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

DigestInitOp FindDigestInit(int32_t id)
{
    for (const DigestInit& candidate : DigestInits)
        if (candidate.id == id) return candidate.init;
    return nullptr;
}
