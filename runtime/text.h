// Internal texts (zero-terminated UTF-16 in the string heap) and their conversion
// to and from ANSI texts in the system's code page. A null text counts as empty.
#pragma once
#include <cstdint>

#include "runtime/platform.h"

// A new internal text from a zero-terminated ANSI text; a null address reads as empty.
TextUnit* ReadText(const char* memory);
// Writes the text in the ANSI code page and one zero byte; returns the bytes
// written before it. The caller provides EncodedByteLength(text) + 1 bytes.
int32_t WriteText(char* memory, const TextUnit* text);
int32_t EncodedByteLength(const TextUnit* text);
// A new memory block holding the text in the ANSI code page and its zero byte.
char* NewAnsiBlock(const TextUnit* text);
int32_t MeasureMemoryText(const char* memory);
int32_t TextLength(const TextUnit* text);
bool TextEquals(const TextUnit* a, const TextUnit* b);
TextUnit* BlankText(int32_t count);
// A new text of count code units, terminated, contents left for the caller to fill.
TextUnit* NewText(int32_t count);
void FreeText(TextUnit* text);
