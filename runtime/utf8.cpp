// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 for any processor, a character at a time.
#include "runtime/utf8.h"

#include "runtime/utf8_steps.h"

Utf8Piece EncodeUtf8Portable(const TextUnit* units, char* out, uint32_t capacity)
{
    return EncodeUtf8Rest(units, out, 0, capacity);
}
