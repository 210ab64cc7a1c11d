// The digest driver: one plugin over one message, written as lowercase hexadecimal.
#include "digest/plugin.h"
#include "runtime/text.h"

TextUnit* ComputeDigestHex(uint8_t* data, uint32_t length, int32_t id, int32_t bits)
{
    DigestPlugin* plugin = FindDigestPlugin(id);
    DigestContext* context = nullptr;
    if (plugin) {
        // Flag 1: the plugin works on private copies and never writes the message.
        context = plugin->create(bits, 1);
        if (context) {
            plugin->update(context, data, length);
            plugin->finish(context);
        }
    }
    TextUnit* text = HexEncodeDigest(context);
    if (context) plugin->release(context);
    return text;
}

TextUnit* HexEncodeDigest(const DigestContext* context)
{
    static constexpr char HexDigits[] = "0123456789abcdef";
    int32_t count = context ? context->digestBits / 8 : 0;
    if (count < 0) count = 0;
    if (count > 64) count = 64;  // the header holds no more
    TextUnit* text = NewText(2 * count, TextContent::Ascii);
    if (!text) return nullptr;
    for (int32_t i = 0; i < count; ++i) {
        uint8_t byte = context->digest[i];
        text[2 * i] = static_cast<TextUnit>(HexDigits[byte >> 4]);
        text[2 * i + 1] = static_cast<TextUnit>(HexDigits[byte & 15]);
    }
    return text;
}
