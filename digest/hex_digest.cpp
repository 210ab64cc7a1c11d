// SPDX-License-Identifier: MIT
// The digest driver: one plugin over one message, written as lowercase hexadecimal.
#include <cstring>

#include "digest/forms.h"
#include "digest/hex.h"
#include "digest/plugin.h"
#include "digest/wipe.h"
#include "runtime/text.h"

TextUnit* ComputeDigestHex(uint8_t* data, uint32_t length, int32_t id, int32_t bits)
{
    const DigestRun run = BeginDigest(id, bits);
    FeedDigest(run, data, length);
    return FinishDigestHex(run);
}

DigestRun BeginDigest(int32_t id, int32_t bits)
{
    DigestPlugin* plugin = FindDigestPlugin(id);
    // Flag 1: the plugin works on private copies and never writes the message.
    return {plugin, plugin ? plugin->create(bits, 1) : nullptr, false};
}

DigestRun BeginDigestIn(DigestFrame& frame, int32_t id, int32_t bits)
{
    DigestPlugin* plugin = FindDigestPlugin(id);
    const DigestInitOp init = FindDigestInit(id);
    // Flag 1, as BeginDigest gives it.
    return {plugin, plugin && init ? init(frame.bytes, bits, 1) : nullptr, true};
}

void FeedDigest(const DigestRun& run, const uint8_t* data, uint32_t length)
{
    if (run.context) run.plugin->update(run.context, const_cast<uint8_t*>(data), length);
}

TextUnit* FinishDigestHex(const DigestRun& run)
{
    if (run.context) run.plugin->finish(run.context);
    TextUnit* text = HexEncodeDigest(run.context);
    AbandonDigest(run);
    return text;
}

void AbandonDigest(const DigestRun& run)
{
    if (!run.context) return;
    // A context in a frame starts at the frame's first byte; it is wiped as a release wipes.
    if (run.inFrame) {
        WipeMemory(run.context, sizeof(DigestFrame));
    } else {
        run.plugin->release(run.context);
    }
}

namespace {

// Every byte's two lowercase digits as two code units, high half first in
// memory, so each byte of the digest is one table load and one 4-byte store.
struct HexUnitPairs {
    uint32_t pairs[256];
};

constexpr HexUnitPairs MakeHexUnitPairs()
{
    constexpr char HexDigits[] = "0123456789abcdef";
    HexUnitPairs table{};
    for (uint32_t byte = 0; byte < 256; ++byte) {
        const uint32_t first = static_cast<unsigned char>(HexDigits[byte >> 4]);
        const uint32_t second = static_cast<unsigned char>(HexDigits[byte & 15]);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        table.pairs[byte] = first | second << 16;
#else
        table.pairs[byte] = first << 16 | second;
#endif
    }
    return table;
}

constexpr HexUnitPairs HexDigitPairs = MakeHexUnitPairs();

}  // namespace

void HexDigitsPortable(const uint8_t* bytes, uint32_t count, TextUnit* out)
{
    for (uint32_t i = 0; i < count; ++i) std::memcpy(out + 2 * i, &HexDigitPairs.pairs[bytes[i]], 4);
}

TextUnit* HexEncodeDigest(const DigestContext* context)
{
    int32_t count = context ? context->digestBits / 8 : 0;
    if (count < 0) count = 0;
    if (count > 64) count = 64;  // the header holds no more
    TextUnit* text = NewText(2 * count, TextContent::Ascii);
    if (!text) return nullptr;
    digestForms.hex(context ? context->digest : nullptr, static_cast<uint32_t>(count), text);
    return text;
}
