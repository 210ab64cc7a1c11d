// SPDX-License-Identifier: MIT
// The four digest exports: a text in, its digest as lowercase hexadecimal out.
#include "boundary/result.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/parse_integer.h"
#include "runtime/text.h"

namespace {

// The path every digest export shares. bitsText is read only when hasBits is set.
char* DigestExport(int32_t (*ensurePlugin)(), int32_t id, const char* text, bool hasBits, const char* bitsText)
{
    if (!HeapsReady()) return RefuseResult();
    ensurePlugin();
    // The bytes to hash: the text after its round trip through the code page,
    // with a zero byte after them, in scratch memory of the block heap.
    const ScratchText input = ReadTextIntoScratch(text);
    TextUnit* bits = hasBits ? ReadText(bitsText) : nullptr;
    if (input.refused || (hasBits && !bits)) {
        GiveBackScratch(input.bytes);
        ReleaseAllTexts();
        return RefuseResult();
    }

    TextUnit* digest = nullptr;
    if (input.bytes) {
        // Only the low 32 bits of the number reach the plugin.
        const int32_t digestBits = hasBits ? static_cast<int32_t>(ParseInteger(bits)) : 0;
        digest = ComputeDigestHex(reinterpret_cast<uint8_t*>(input.bytes), static_cast<uint32_t>(input.length), id,
                                  digestBits);
        GiveBackScratch(input.bytes);
    }

    // An empty text gives an empty result, not the digest of the empty message;
    // a null text is the empty one.
    const TextUnit* result = input.length == 0 ? nullptr : digest;
    char* block = HandOutResult(result);
    ReleaseAllTexts();
    return block;
}

}  // namespace

extern "C" char* QUORVALENT_CALL cifrado_md5(const char* text)
{
    return DigestExport(EnsureMd5Plugin, Md5, text, false, nullptr);
}

extern "C" char* QUORVALENT_CALL cifrado_SHA1(const char* text)
{
    return DigestExport(EnsureSha1Plugin, Sha1, text, false, nullptr);
}

extern "C" char* QUORVALENT_CALL cifrado_SHA2(const char* text, const char* bits)
{
    return DigestExport(EnsureSha2Plugin, Sha2, text, true, bits);
}

extern "C" char* QUORVALENT_CALL cifrado_SHA3(const char* text, const char* bits)
{
    return DigestExport(EnsureSha3Plugin, Sha3, text, true, bits);
}
