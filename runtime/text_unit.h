// SPDX-License-Identifier: MIT
// The code unit of internal texts, and the character of the callers' texts and paths.
#pragma once

#if defined(_WIN32)
using TextUnit = wchar_t;  // UTF-16 code unit, the platform's own wide character
#else
using TextUnit = char16_t;
#endif
static_assert(sizeof(TextUnit) == 2, "internal texts are UTF-16");

// The character of the Unicode exports' texts and paths (QuorvalentChar): UTF-16
// on Windows, UTF-8 bytes elsewhere.
#if defined(_WIN32)
using CallerChar = wchar_t;
#else
using CallerChar = char;
#endif
