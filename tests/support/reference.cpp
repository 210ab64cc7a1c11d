// SPDX-License-Identifier: MIT
#include "tests/support/reference.h"

#include <openssl/evp.h>

#include <iterator>

#include "tests/support/vectors.h"

namespace {

// Fetched once per digest: an implicit fetch on every call would cost more than
// the short messages' digests themselves.
const EVP_MD* Fetched(const DigestFunction& function)
{
    static EVP_MD* fetched[std::size(DigestFunctions)] = {};
    EVP_MD*& md = fetched[&function - DigestFunctions];
    if (!md) md = EVP_MD_fetch(nullptr, function.name, nullptr);
    return md;
}

}  // namespace

ReferenceDigest::ReferenceDigest(const DigestFunction& function) : context(EVP_MD_CTX_new())
{
    const EVP_MD* md = Fetched(function);
    failed = !context || !md || EVP_DigestInit_ex(context, md, nullptr) != 1;
}

ReferenceDigest::~ReferenceDigest() { EVP_MD_CTX_free(context); }

void ReferenceDigest::Update(const void* data, size_t length)
{
    if (!failed) failed = EVP_DigestUpdate(context, data, length) != 1;
}

std::string ReferenceDigest::Hex()
{
    uint8_t digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (failed || EVP_DigestFinal_ex(context, digest, &size) != 1) return "<libcrypto failed>";
    return ToHex(digest, size);
}

std::string ReferenceHex(const DigestFunction& function, const void* data, size_t length)
{
    ReferenceDigest reference(function);
    reference.Update(data, length);
    return reference.Hex();
}
