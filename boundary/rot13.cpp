// SPDX-License-Identifier: MIT
// text_rot13: rotates the 26 Latin letters by 13 places, keeping case.
#include "boundary/result.h"
#include "quorvalent.h"
#include "runtime/heaps.h"
#include "runtime/text.h"

namespace {

constexpr int32_t Rot13Shift = 13;

}  // namespace

// The second argument is accepted and never read.
extern "C" char* QUORVALENT_CALL text_rot13(const char* text, const void*)
{
    if (!HeapsReady()) return RefuseResult();
    TextUnit* input = ReadText(text);
    TextUnit* output = input ? BlankText(TextLength(input)) : nullptr;
    if (!output) {
        ReleaseAllTexts();
        return RefuseResult();
    }
    const int32_t length = TextLength(input);
    for (int32_t i = 0; i < length; ++i) {
        TextUnit c = input[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<TextUnit>((c - 'A' + Rot13Shift) % 26 + 'A');
        else if (c >= 'a' && c <= 'z')
            c = static_cast<TextUnit>((c - 'a' + Rot13Shift) % 26 + 'a');
        output[i] = c;
    }
    // Letters stay letters and every other unit stays as it was, so the output
    // is plain ASCII exactly when the input is.
    SetTextContent(output, TextContentOf(input));
    char* result = HandOutResult(output);
    ReleaseAllTexts();
    return result;
}
