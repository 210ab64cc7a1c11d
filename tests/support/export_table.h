// SPDX-License-Identifier: MIT
// The exports as one table of function pointers, filled by name from a loaded
// library: the DLL through GetProcAddress, the shared object through dlsym.
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>

#include "quorvalent.h"
#include "tests/support/digests.h"

struct ExportTable {
    QuorvalentFreeMem freeMem = nullptr;
    QuorvalentDigest md5 = nullptr;
    QuorvalentDigest sha1 = nullptr;
    QuorvalentSizedDigest sha2 = nullptr;
    QuorvalentSizedDigest sha3 = nullptr;
    QuorvalentRot13 rot13 = nullptr;
    QuorvalentTextDigest text = nullptr;
    QuorvalentDataDigest data = nullptr;
    QuorvalentFileDigest file = nullptr;
};

// Looks up every export with lookup(name), which gives its address or null.
// Returns the names it could not find, each after a space; empty when all were found.
template <typename Lookup>
std::string ResolveExports(ExportTable& table, Lookup lookup)
{
    std::string missing;
    auto resolve = [&](const char* name, auto& pointer) {
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(lookup(name));
        if (!pointer) missing += std::string(" ") + name;
    };
    resolve("FreeMem", table.freeMem);
    resolve("cifrado_md5", table.md5);
    resolve("cifrado_SHA1", table.sha1);
    resolve("cifrado_SHA2", table.sha2);
    resolve("cifrado_SHA3", table.sha3);
    resolve("text_rot13", table.rot13);
    resolve("cifrado_text", table.text);
    resolve("cifrado_data", table.data);
    resolve("cifrado_file", table.file);
    return missing;
}

// The digest export that runs plugin id over text; bits counts for SHA-2 and SHA-3 alone.
inline char* CallExport(const ExportTable& table, int32_t id, const char* text, const char* bits)
{
    switch (id) {
    case Md5:
        return table.md5(text);
    case Sha1:
        return table.sha1(text);
    case Sha2:
        return table.sha2(text, bits);
    default:
        return table.sha3(text, bits);
    }
}
inline char* CallExport(const ExportTable& table, const DigestFunction& function, const char* text)
{
    return CallExport(table, function.id, text, function.bitsText);
}

// The result copied ("<null>" for null), then handed back, as a caller should.
inline std::string TakeResult(char* result, QuorvalentFreeMem freeMem)
{
    std::string copy = result ? result : "<null>";
    if (freeMem) freeMem();
    return copy;
}
