// SPDX-License-Identifier: MIT
// The passes over whole texts that every ANSI code page shares: bytes 0x00 to 0x7F
// are the same characters in all of them. Each runs the form its slot holds
// (runtime/forms.h); runtime/form_tables.h lists the forms.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/forms.h"
#include "runtime/text_unit.h"

inline TextScan ScanText(const char* bytes) { return textPasses.scan(bytes); }
inline TextCopy CopyAsciiText(const char* bytes, char* out, size_t room) { return textPasses.copy(bytes, out, room); }
inline void WidenAscii(const char* bytes, int32_t count, TextUnit* out) { textPasses.widen(bytes, count, out); }
inline void NarrowAscii(const TextUnit* units, int32_t count, char* out) { textPasses.narrow(units, count, out); }

// The forms: 32-bit words for any processor; SSE2, 16 bytes a step (the baseline
// on x86-64, asked of the processor on 32-bit x86); AVX2, 32.
TextScan ScanTextPortable(const char* bytes);
TextCopy CopyAsciiPortable(const char* bytes, char* out, size_t room);
void WidenAsciiPortable(const char* bytes, int32_t count, TextUnit* out);
void NarrowAsciiPortable(const TextUnit* units, int32_t count, char* out);
#if defined(__i386__) || defined(__x86_64__)
TextScan ScanTextSse2(const char* bytes);
TextCopy CopyAsciiSse2(const char* bytes, char* out, size_t room);
void WidenAsciiSse2(const char* bytes, int32_t count, TextUnit* out);
void NarrowAsciiSse2(const TextUnit* units, int32_t count, char* out);
TextScan ScanTextAvx2(const char* bytes);
TextCopy CopyAsciiAvx2(const char* bytes, char* out, size_t room);
void WidenAsciiAvx2(const char* bytes, int32_t count, TextUnit* out);
void NarrowAsciiAvx2(const TextUnit* units, int32_t count, char* out);
#endif
