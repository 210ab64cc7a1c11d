// SPDX-License-Identifier: MIT
// The ten digests as the Linux benchmarks name them, with what libcrypto and our
// exports need to compute each.
#pragma once
#include <cstdint>
#include <string>

#include "digest/form_tables.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/ascii.h"
#include "runtime/form_tables.h"

struct Digest {
    const char* name;         // as the report shows it
    const char* opensslName;  // for EVP_MD_fetch
    int32_t id;
    int32_t bits;
    const char* bitsText;  // the second argument of cifrado_SHA2 and cifrado_SHA3
};

constexpr Digest Digests[] = {
    {"MD5", "MD5", Md5, 0, nullptr},
    {"SHA-1", "SHA1", Sha1, 0, nullptr},
    {"SHA-224", "SHA224", Sha2, 224, "224"},
    {"SHA-256", "SHA256", Sha2, 256, "256"},
    {"SHA-384", "SHA384", Sha2, 384, "384"},
    {"SHA-512", "SHA512", Sha2, 512, "512"},
    {"SHA3-224", "SHA3-224", Sha3, 224, "224"},
    {"SHA3-256", "SHA3-256", Sha3, 256, "256"},
    {"SHA3-384", "SHA3-384", Sha3, 384, "384"},
    {"SHA3-512", "SHA3-512", Sha3, 512, "512"},
};

inline char* CallExport(const Digest& digest, const char* text)
{
    switch (digest.id) {
    case Md5:
        return cifrado_md5(text);
    case Sha1:
        return cifrado_SHA1(text);
    case Sha2:
        return cifrado_SHA2(text, digest.bitsText);
    default:
        return cifrado_SHA3(text, digest.bitsText);
    }
}

// The form each compression runs now, for the reports: "sha1 shaext, ...";
// "unchosen" for one that has not run yet.
template <typename Routine, size_t Count>
std::string FormInUse(const char* compression, const CpuForm<Routine> (&forms)[Count], Routine slot)
{
    const char* name = FormName(forms, slot);
    return std::string(compression) + " " + (name ? name : "unchosen");
}

inline std::string DigestFormsInUse()
{
    return FormInUse("sha1", Sha1CompressForms, digestForms.sha1) + ", " +
           FormInUse("sha256", Sha256CompressForms, digestForms.sha256) + ", " +
           FormInUse("sha512", Sha512CompressForms, digestForms.sha512) + ", " +
           FormInUse("keccak", KeccakPermuteForms, digestForms.keccak) + ", " +
           FormInUse("hex", HexDigitsForms, digestForms.hex) + ", " +
           FormInUse("text scan", ScanTextForms, textPasses.scan) + ", " +
           FormInUse("copy", CopyAsciiForms, textPasses.copy) + ", " +
           FormInUse("widen", WidenAsciiForms, textPasses.widen) + ", " +
           FormInUse("narrow", NarrowAsciiForms, textPasses.narrow);
}
