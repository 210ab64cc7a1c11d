// SPDX-License-Identifier: MIT
// The Latin-1 runs of the Linux code page for any processor, one character at a time.
#include "runtime/latin1.h"

#include "runtime/text_steps.h"

int32_t WidenLatin1Portable(const char* bytes, int32_t count, TextUnit* out)
{
    return WidenLatin1OneByOne(bytes, count, out);
}

int32_t NarrowLatin1Portable(const TextUnit* units, int32_t count, char* out)
{
    return NarrowLatin1OneByOne(units, count, out);
}
