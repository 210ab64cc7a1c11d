// SPDX-License-Identifier: MIT
// Internal texts (zero-terminated UTF-16 in the string heap) and their conversion
// to and from ANSI texts in the system's code page. A null text counts as empty.
// Each text knows its length and whether it is plain ASCII, from a header that
// sits before its units; a TextUnit* always points at the units.
#pragma once
#include <cstdint>

#include "runtime/text_unit.h"

// What a text's header knows of its units. Plain ASCII converts without the
// code page in either direction, in every ANSI code page.
enum class TextContent : int32_t {
    Ascii = 1,          // every unit below 0x80
    NeedsCodePage = 2,  // converted through the code page
};

// The longest ANSI text that is read: its bytes and a zero byte fill the largest
// memory block, INT32_MAX bytes (2 GiB - 1).
constexpr int32_t MostTextBytes = INT32_MAX - 1;

// A new internal text from a zero-terminated ANSI text; a null address reads as
// empty. Null when the text is longer than MostTextBytes or memory runs out.
TextUnit* ReadText(const char* memory);
// Writes the text in the ANSI code page and one zero byte; returns the bytes
// written before it. The caller provides EncodedByteLength(text) + 1 bytes.
int32_t WriteText(char* memory, const TextUnit* text);
int32_t EncodedByteLength(const TextUnit* text);
// A new memory block holding the text in the ANSI code page and its zero byte.
char* NewAnsiBlock(const TextUnit* text);
// A new memory block holding the text as it is, UTF-16 units and a zero unit.
TextUnit* NewUnitBlock(const TextUnit* text);
int32_t MeasureMemoryText(const char* memory);
int32_t TextLength(const TextUnit* text);
bool TextEquals(const TextUnit* a, const TextUnit* b);
TextUnit* BlankText(int32_t count);
// A new text of count code units, terminated, for the caller to fill with count
// nonzero units; content says what they will be.
TextUnit* NewText(int32_t count, TextContent content);
// For an owner that rewrote a text's units: what they now are.
void SetTextContent(TextUnit* text, TextContent content);
TextContent TextContentOf(const TextUnit* text);
// A text's bytes after the round trip through the code page (ReadText, then
// WriteText), with a zero byte after them, in scratch memory (TakeScratch): what a
// digest export hashes. Plain ASCII is its own round trip in every ANSI code page,
// so it is copied as it is, without the code page or an internal text.
struct ScratchText {
    char* bytes;     // given back with GiveBackScratch; null when there was no scratch memory
    int32_t length;  // bytes before the first zero byte; 0 only for an empty text
    bool refused;    // the text cannot be read (ReadText gives null): nothing else holds
};
ScratchText ReadTextIntoScratch(const char* memory);
// Releases every internal text at once: the exports' last step. No text made
// before it may be used after it.
void ReleaseAllTexts();
