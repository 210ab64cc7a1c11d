// SPDX-License-Identifier: MIT
// A digest's bytes as lowercase hexadecimal digits, two code units a byte, high
// half first: a table form for any processor and, on x86, an SSE2 one.
#pragma once
#include <cstdint>

#include "digest/forms.h"
#include "runtime/text_unit.h"

// Writes 2 * count code units at out and nothing past them.
void HexDigitsPortable(const uint8_t* bytes, uint32_t count, TextUnit* out);
#if defined(__i386__) || defined(__x86_64__)
void HexDigitsSse2(const uint8_t* bytes, uint32_t count, TextUnit* out);
#endif
