// SPDX-License-Identifier: MIT
// The export-level tests shared by the Linux library and the real DLL under Wine.
// Each test program supplies the exports through Exports().
#pragma once
#include <cstdint>
#include <string>

#include "tests/support/export_table.h"

const ExportTable& Exports();
// The blocks the library's three heaps hold now.
int LibraryBusyBlocks();

// Calls the digest export that runs plugin id, copies the result and calls
// FreeMem; "<null>" for a null result. bits is ignored for MD5 and SHA-1.
std::string CallDigest(int32_t id, const char* text, const char* bits);
inline std::string CallDigest(const DigestFunction& function, const char* text)
{
    return CallDigest(function.id, text, function.bitsText);
}
