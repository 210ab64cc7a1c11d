// SPDX-License-Identifier: MIT
// A call's message handed over in pieces, so that memory does not grow with it:
// bytes, a Unicode text as UTF-8, a file's bytes; and the error of a failed call.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/platform.h"
#include "runtime/text.h"

// Tells the caller why the call fails, the platform's way.
void ReportError(PlatformError error);

// Receives one piece of the message.
using PieceSink = void (*)(void* sink, const uint8_t* bytes, uint32_t count);

// Bytes of any length, in pieces whose counts fit 32 bits.
void HandBytes(const void* data, size_t length, PieceSink take, void* sink);

// The UTF-8 form of a zero-terminated text. On Windows the UTF-16 text is
// encoded a piece at a time: the first into TextPieceBytes on the stack, so a
// short text costs no allocation, the rest into TextChunkBytes of scratch
// memory (TakeScratch; or on through the stack's, when there is none); every
// piece but the last is a whole number of TextPieceRun bytes, a whole number of
// MD5's, SHA-1's and SHA-2's blocks and of the 8-byte words of SHA-3's.
// Elsewhere the text is UTF-8 already and its bytes are handed over as they are.
constexpr uint32_t TextPieceBytes = 1024;
constexpr uint32_t TextChunkBytes = 16 * 1024;
constexpr uint32_t TextPieceRun = 128;
void HandTextAsUtf8(const CallerChar* text, PieceSink take, void* sink);

constexpr uint32_t MostChunkBytes = 1u << 20;

// The bytes of the regular file at path, read from start to end into scratch
// memory (TakeScratch) of at most MostChunkBytes, no more than the file needs,
// so a short file does not grow the kept block. False, with the
// error reported, when the file cannot be opened, is not a regular file, the
// buffer cannot be had or a read fails, part-way included.
bool HandFileBytes(const CallerChar* path, PieceSink take, void* sink);
