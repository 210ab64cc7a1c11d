// SPDX-License-Identifier: MIT
// Arbitrary bytes as the text and the bits text of every export; each result is
// checked against libcrypto and the rules, and FreeMem must leave the heaps as they were.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "boundary/entry.h"
#include "quorvalent.h"
#include "runtime/heap_handles.h"
#include "tests/fuzz/integer_model.h"
#include "tests/support/long_texts.h"
#include "tests/support/reference.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text, const std::string& bits, const char* result,
                       const std::string& expected)
{
    std::fprintf(stderr, "%s: text of %zu bytes, bits \"%s\"\n  result   %s\n  expected %s\n", what, text.size(),
                 bits.c_str(), result ? result : "(null)", expected.c_str());
    std::abort();
}

int32_t LiveBlocks()
{
    return PlatformHeapLiveBlocks(InternalHeap()) + PlatformHeapLiveBlocks(StringHeap()) +
           PlatformHeapLiveBlocks(BlockHeap());
}

// Checks one result, hands it back, and checks that nothing else stayed behind.
void Check(const char* what, char* result, const std::string& expected, const std::string& text,
           const std::string& bits, int32_t before)
{
    if (!result || expected != result) Fail(what, text, bits, result, expected);
    FreeMem();
    if (LiveBlocks() != before) Fail("blocks left behind", text, bits, what, std::to_string(before));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    DllMain(nullptr, ProcessAttach, nullptr);
    return 0;
}

// The text ends at the first zero byte and the bits text follows it; without a
// zero byte, the first byte chooses where the text ends.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* zero = std::memchr(data, 0, size);
    std::string text;
    std::string bits;
    if (zero) {
        const size_t split = static_cast<size_t>(static_cast<const uint8_t*>(zero) - data);
        text.assign(bytes, split);
        bits.assign(bytes + split + 1, size - split - 1);
        bits = bits.c_str();  // up to its own zero byte
    } else if (size > 0) {
        const size_t split = 1 + data[0] % size;
        text.assign(bytes + 1, split - 1);
        bits.assign(bytes + split, size - split);
    }

    // On Linux every byte 1 to 255 survives the code page, so the digests are of
    // these very bytes; an empty text gives an empty result.
    const int32_t before = LiveBlocks();
    auto digest = [&](int32_t id, int32_t length) {
        const DigestFunction* function = FindDigestFunction(id, length);
        return text.empty() || !function ? std::string() : ReferenceHex(*function, text);
    };
    Check("cifrado_md5", cifrado_md5(text.c_str()), digest(Md5, 0), text, bits, before);
    Check("cifrado_SHA1", cifrado_SHA1(text.c_str()), digest(Sha1, 0), text, bits, before);

    // Only the low 32 bits of the number count; 0 means 256; other lengths give "".
    int32_t length = static_cast<int32_t>(ModelParseInteger(bits.c_str(), bits.size()));
    if (length == 0) length = 256;
    Check("cifrado_SHA2", cifrado_SHA2(text.c_str(), bits.c_str()), digest(Sha2, length), text, bits, before);
    Check("cifrado_SHA3", cifrado_SHA3(text.c_str(), bits.c_str()), digest(Sha3, length), text, bits, before);

    const std::string rotated = Rot13Model(text);
    Check("text_rot13", text_rot13(text.c_str(), data), rotated, text, bits, before);
    Check("text_rot13 twice", text_rot13(rotated.c_str(), nullptr), text, text, bits, before);
    return 0;
}
