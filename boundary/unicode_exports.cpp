// SPDX-License-Identifier: MIT
// The Unicode exports: the digest of a text's UTF-8 form, of bytes, of a file,
// chosen by an algorithm's name; errors the platform's way.
#include <type_traits>

#include "boundary/result.h"
#include "digest/plugin.h"
#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/streams.h"

static_assert(std::is_same_v<QuorvalentChar, CallerChar>, "the header's character is the runtime's");

namespace {

// The longest name the table holds ("SHA2-512"); a longer one is none of them.
constexpr size_t LongestDigestName = 8;

// The algorithm a caller's name spells; null for a null or unknown name.
const DigestName* ReadDigestName(const QuorvalentChar* algorithm)
{
    if (!algorithm) return nullptr;
    char ascii[LongestDigestName];
    size_t length = 0;
    for (; algorithm[length]; ++length) {
        const auto unit = static_cast<std::make_unsigned_t<QuorvalentChar>>(algorithm[length]);
        if (length == LongestDigestName || unit > 0x7F) return nullptr;
        ascii[length] = static_cast<char>(unit);
    }
    return FindDigestName(ascii, length);
}

QuorvalentChar* Refuse(PlatformError error)
{
    ReportError(error);
    RefuseResult();
    return nullptr;
}

void FeedPiece(void* run, const uint8_t* bytes, uint32_t count)
{
    FeedDigest(*static_cast<const DigestRun*>(run), bytes, count);
}

// The path the three exports share. message is the export's argument, null only
// where the export refuses it; hand gives the message to a sink in pieces and
// returns false, with its error reported, when it cannot be had whole.
template <typename Message, typename Hand>
QuorvalentChar* DigestExport(const QuorvalentChar* algorithm, Message message, Hand hand)
{
    const DigestName* name = ReadDigestName(algorithm);
    if (!name || !message) return Refuse(PlatformError::InvalidParameter);
    if (!HeapsReady()) return Refuse(PlatformError::NotEnoughMemory);
    name->ensurePlugin();
    // The context lives in this frame: the result's block is the call's only
    // allocation where the message needs no copy. Every name is one its plugin
    // accepts, so the context is never refused.
    DigestFrame frame;
    DigestRun run = BeginDigestIn(frame, name->id, name->bits);
    if (!run.context) return Refuse(PlatformError::InvalidParameter);
    if (!hand(message, FeedPiece, &run)) {
        AbandonDigest(run);
        RefuseResult();
        return nullptr;
    }
    const TextUnit* digits = FinishDigestHex(run);
    QuorvalentChar* result = digits ? HandOutDigits(digits) : nullptr;
    ReleaseAllTexts();
    return result ? result : Refuse(PlatformError::NotEnoughMemory);
}

}  // namespace

extern "C" QuorvalentChar* QUORVALENT_CALL cifrado_text(const QuorvalentChar* text, const QuorvalentChar* algorithm)
{
    return DigestExport(algorithm, text, [](const QuorvalentChar* message, PieceSink take, void* sink) {
        HandTextAsUtf8(message, take, sink);
        return true;
    });
}

// Null data is refused only with a nonzero length; zero bytes anywhere are hashed.
extern "C" QuorvalentChar* QUORVALENT_CALL cifrado_data(const void* data, size_t length,
                                                        const QuorvalentChar* algorithm)
{
    struct Bytes {
        const void* data;
        size_t length;
        explicit operator bool() const { return data || !length; }
    };
    return DigestExport(algorithm, Bytes{data, length}, [](Bytes message, PieceSink take, void* sink) {
        HandBytes(message.data, message.length, take, sink);
        return true;
    });
}

extern "C" QuorvalentChar* QUORVALENT_CALL cifrado_file(const QuorvalentChar* path, const QuorvalentChar* algorithm)
{
    return DigestExport(algorithm, path, HandFileBytes);
}
