// SPDX-License-Identifier: MIT
// One reader for the outside known-answer files: NIST CAVP .rsp and RFC 1321's suite.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct VectorRecord {
    int line = 0;         // where the record starts, for failure messages
    long bitLength = -1;  // Len, in bits; -1 when the record has none
    long count = -1;      // COUNT, for Monte Carlo checkpoints
    Bytes message;        // Msg, already cut to bitLength / 8 bytes
    Bytes digest;         // MD
};

struct VectorFile {
    std::string path;
    long headerL = -1;  // [L = ..]: bytes for SHA-1/SHA-2, bits for SHA-3
    Bytes seed;         // Monte Carlo seed
    std::vector<VectorRecord> records;
};

// Full path of a file below the package's hashes/ folder, e.g. "SHA1/SHA1ShortMsg.rsp".
std::string VectorPath(const std::string& relative);

// Reads the file; on failure returns false with a reason. A missing file is a failure.
bool ReadVectorFile(const std::string& relative, VectorFile& file, std::string& error);

Bytes FromHex(const std::string& hex);
std::string ToHex(const uint8_t* data, size_t length);
inline std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }
