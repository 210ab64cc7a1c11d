// SPDX-License-Identifier: MIT
// The six exports as one table of function pointers, filled by name from a
// loaded library: the DLL through GetProcAddress, the shared object through dlsym.
#pragma once
#include <string>
#include <type_traits>

#include "quorvalent.h"

struct ExportTable {
    QuorvalentFreeMem freeMem = nullptr;
    QuorvalentDigest md5 = nullptr;
    QuorvalentDigest sha1 = nullptr;
    QuorvalentSizedDigest sha2 = nullptr;
    QuorvalentSizedDigest sha3 = nullptr;
    QuorvalentRot13 rot13 = nullptr;
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
    return missing;
}

// The result copied ("<null>" for null), then handed back, as a caller should.
inline std::string TakeResult(char* result, QuorvalentFreeMem freeMem)
{
    std::string copy = result ? result : "<null>";
    if (freeMem) freeMem();
    return copy;
}
