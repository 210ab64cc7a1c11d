// SPDX-License-Identifier: MIT
// The export-level tests shared by the Linux library and the real DLL under Wine.
// Each test program supplies the six exports through Exports().
#pragma once
#include <cstdint>
#include <string>

#include "tests/support/export_table.h"

const ExportTable& Exports();
// The blocks the library's three heaps hold now.
int LibraryBusyBlocks();

enum class DigestExport { Md5, Sha1, Sha2, Sha3 };

// One of the ten digests the library offers.
struct DigestFunction {
    const char* name;
    DigestExport exported;
    const char* bits;          // the bits text for SHA-2 and SHA-3
    const char* shortVectors;  // the outside known-answer file of short messages
    const char* abc;           // the published digest of "abc"
};

extern const DigestFunction DigestFunctions[10];

// Calls the export, copies the result and calls FreeMem; "<null>" for a null result.
std::string CallDigest(DigestExport exported, const char* text, const char* bits);
inline std::string CallDigest(const DigestFunction& function, const char* text)
{
    return CallDigest(function.exported, text, function.bits);
}
