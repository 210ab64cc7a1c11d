// The passes over whole texts: zero scans, and widening and narrowing of plain
// ASCII (bytes 0x00 to 0x7F are the same characters in every ANSI code page).
// 16 bytes at a time with SSE2 where the processor has it, a word at a time otherwise.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/platform.h"

// Bytes before the first zero byte. Reads whole aligned blocks, so it may look
// at bytes past the terminator but never past the block, and so never past its page.
size_t BytesBeforeZero(const char* bytes);
// Code units before the zero unit, read the same way; units is 2-byte aligned.
int32_t UnitsBeforeZero(const TextUnit* units);

// Each converts count characters in one pass and reports whether every one was
// ASCII; when one was not, the output is to be thrown away and the caller
// converts again through the code page. Neither reads past count.
bool WidenAscii(const char* bytes, int32_t count, TextUnit* out);
bool NarrowAscii(const TextUnit* units, int32_t count, char* out);

// The word-at-a-time forms that processors without SSE2 run, for tests.
size_t BytesBeforeZeroWords(const char* bytes);
int32_t UnitsBeforeZeroWords(const TextUnit* units);
bool WidenAsciiWords(const char* bytes, int32_t count, TextUnit* out);
bool NarrowAsciiWords(const TextUnit* units, int32_t count, char* out);
