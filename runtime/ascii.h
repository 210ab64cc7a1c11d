// SPDX-License-Identifier: MIT
// The passes over whole texts: zero scans, and widening and narrowing of plain
// ASCII (bytes 0x00 to 0x7F are the same characters in every ANSI code page).
// 16 bytes at a time with SSE2 where the processor has it, a word at a time otherwise.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/text.h"

// Bytes before the first zero byte. Reads whole aligned blocks, so it may look
// at bytes past the terminator but never past the block, and so never past its page.
size_t BytesBeforeZero(const char* bytes);
// Code units before the zero unit, read the same way; units is 2-byte aligned.
int32_t UnitsBeforeZero(const TextUnit* units);

// Each converts count characters in one pass and reports whether every one was
// ASCII; when one was not, it may stop there, the output is to be thrown away and
// the caller converts again through the code page. Neither reads past count.
bool WidenAscii(const char* bytes, int32_t count, TextUnit* out);
bool NarrowAscii(const TextUnit* units, int32_t count, char* out);

// For single-byte code pages, which agree with Latin-1 but for the bytes 0x80 to
// 0x9F: each converts as Latin-1 up to the first byte, or unit, where the code page
// may not (a byte from 0x80 to 0x9F; a unit above 0xFF or from 0x80 to 0x9F) and
// returns how many it converted.
int32_t WidenLatin1(const char* bytes, int32_t count, TextUnit* out);
int32_t NarrowLatin1(const TextUnit* units, int32_t count, char* out);

// The word-at-a-time forms that processors without SSE2 run, for tests.
size_t BytesBeforeZeroWords(const char* bytes);
int32_t UnitsBeforeZeroWords(const TextUnit* units);
bool WidenAsciiWords(const char* bytes, int32_t count, TextUnit* out);
bool NarrowAsciiWords(const TextUnit* units, int32_t count, char* out);
int32_t WidenLatin1Words(const char* bytes, int32_t count, TextUnit* out);
int32_t NarrowLatin1Words(const TextUnit* units, int32_t count, char* out);
