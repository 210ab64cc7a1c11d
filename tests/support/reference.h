// SPDX-License-Identifier: MIT
// libcrypto's digest of the same bytes: the outside reference of the Linux tests
// that compare with it. Only programs that link libcrypto use it.
#pragma once
#include <cstddef>
#include <string>

#include "tests/support/digests.h"

struct evp_md_ctx_st;

// Bytes fed in any number of updates, then the hexadecimal digest.
class ReferenceDigest {
public:
    explicit ReferenceDigest(const DigestFunction& function);
    ~ReferenceDigest();
    ReferenceDigest(const ReferenceDigest&) = delete;
    ReferenceDigest& operator=(const ReferenceDigest&) = delete;

    void Update(const void* data, size_t length);
    // "<libcrypto failed>" when any step failed.
    std::string Hex();

private:
    evp_md_ctx_st* context;
    bool failed = false;
};

// The digest of one message, in hexadecimal.
std::string ReferenceHex(const DigestFunction& function, const void* data, size_t length);
inline std::string ReferenceHex(const DigestFunction& function, const std::string& text)
{
    return ReferenceHex(function, text.data(), text.size());
}
