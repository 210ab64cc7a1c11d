// SPDX-License-Identifier: MIT
// The slots the text passes run through, and what they take and give; the text
// code calls through them. runtime/form_tables.h lists the forms that fill them.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/text_unit.h"

// What one look at a zero-terminated text finds.
struct TextScan {
    size_t length;  // bytes before the first zero byte
    bool ascii;     // none of them above 0x7F
};

// Where a copy of a zero-terminated text stopped.
enum class CopyStop : int32_t {
    Copied,    // the text is plain ASCII: its bytes and its zero byte are in out
    HighByte,  // it holds a byte above 0x7F, which only the code page knows
    Room,      // it is longer than the room: out holds its first length bytes, all ASCII
};
struct TextCopy {
    size_t length;  // Copied: bytes before the zero byte; Room: bytes copied
    CopyStop stop;
};

// The scans read the whole aligned blocks that hold the text, so they may look at
// bytes past the terminator, but never past its block and so never past its page.
using ScanTextRoutine = TextScan (*)(const char* bytes);
// Copies a text and its zero byte while it is plain ASCII, reading as the scans
// read; writes nothing at or past out + room, but may write anything before it.
using CopyAsciiRoutine = TextCopy (*)(const char* bytes, char* out, size_t room);
// Each converts count characters known to be plain ASCII; neither reads past count.
using WidenRoutine = void (*)(const char* bytes, int32_t count, TextUnit* out);
using NarrowRoutine = void (*)(const TextUnit* units, int32_t count, char* out);

// The form each ASCII pass runs: each starts at a routine that chooses from the
// pass's table on its first call and keeps the choice here (ChooseOnFirstUse).
struct TextPasses {
    ScanTextRoutine scan;
    CopyAsciiRoutine copy;
    WidenRoutine widen;
    NarrowRoutine narrow;
};
extern TextPasses textPasses;

#if !defined(_WIN32)
// The Linux code page's Latin-1 runs (runtime/latin1.h): each returns how many it
// converted; neither reads past count.
using WidenLatin1Routine = int32_t (*)(const char* bytes, int32_t count, TextUnit* out);
using NarrowLatin1Routine = int32_t (*)(const TextUnit* units, int32_t count, char* out);

struct Latin1Passes {
    WidenLatin1Routine widen;
    NarrowLatin1Routine narrow;
};
extern Latin1Passes latin1Passes;
#endif

// What one piece of UTF-16 to UTF-8 encoded (runtime/utf8.h).
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

struct Utf8Passes {
    EncodeUtf8Routine encode;
};
extern Utf8Passes utf8Passes;
