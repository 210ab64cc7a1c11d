// SPDX-License-Identifier: MIT
// UTF-16 to UTF-8 a piece at a time, for the Unicode exports' texts on Windows.
// Forms for AVX2, SSSE3, SSE2 and any processor, chosen once as the text passes are.
#pragma once
#include <cstdint>

#include "runtime/ascii.h"

// What one piece encoded.
struct Utf8Piece {
    const TextUnit* rest;  // the first unit not encoded; the terminator when ended
    uint32_t bytes;        // written to out
    bool ended;            // the terminator was reached
};

// The longest character, so the room an encoder stops short of.
constexpr uint32_t Utf8Room = 4;

// Encodes zero-terminated units until the terminator, or until fewer than
// Utf8Room bytes of out remain (capacity is at least Utf8Room). A surrogate pair
// becomes its 4-byte character; an unpaired surrogate becomes U+FFFD (EF BF BD),
// as Windows' own conversion and the web's TextEncoder make it. The vector forms
// look at whole aligned blocks of units, as the scans do: past the terminator,
// but never past its page.
using EncodeUtf8Routine = Utf8Piece (*)(const TextUnit* units, char* out, uint32_t capacity);
#if defined(__i386__) || defined(__x86_64__)
constexpr size_t Utf8PassForms = 4;  // AVX2 and SSSE3 (every character), SSE2 (ASCII runs), portable
#else
constexpr size_t Utf8PassForms = 1;
#endif
extern const CpuForm<EncodeUtf8Routine> EncodeUtf8Forms[Utf8PassForms];

struct Utf8Passes {
    EncodeUtf8Routine encode;
};
extern Utf8Passes utf8Passes;

inline Utf8Piece EncodeUtf8(const TextUnit* units, char* out, uint32_t capacity)
{
    return utf8Passes.encode(units, out, capacity);
}
