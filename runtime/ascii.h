// SPDX-License-Identifier: MIT
// The passes over whole texts that every ANSI code page shares: bytes 0x00 to 0x7F
// are the same characters in all of them. Each pass has forms for AVX2, for SSE2
// and for any processor, listed fastest first; the first this processor runs is
// chosen once and kept.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/cpu.h"
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

#if defined(__i386__) || defined(__x86_64__)
constexpr size_t TextPassForms = 3;  // AVX2, SSE2, portable (32-bit words)
#else
constexpr size_t TextPassForms = 1;
#endif
extern const CpuForm<ScanTextRoutine> ScanTextForms[TextPassForms];
extern const CpuForm<CopyAsciiRoutine> CopyAsciiForms[TextPassForms];
extern const CpuForm<WidenRoutine> WidenAsciiForms[TextPassForms];
extern const CpuForm<NarrowRoutine> NarrowAsciiForms[TextPassForms];

// The form each pass runs: each starts at a routine that chooses from the pass's
// table on its first call and keeps the choice here (ChooseOnFirstUse).
struct TextPasses {
    ScanTextRoutine scan;
    CopyAsciiRoutine copy;
    WidenRoutine widen;
    NarrowRoutine narrow;
};
extern TextPasses textPasses;

inline TextScan ScanText(const char* bytes) { return textPasses.scan(bytes); }
inline TextCopy CopyAsciiText(const char* bytes, char* out, size_t room) { return textPasses.copy(bytes, out, room); }
inline void WidenAscii(const char* bytes, int32_t count, TextUnit* out) { textPasses.widen(bytes, count, out); }
inline void NarrowAscii(const TextUnit* units, int32_t count, char* out) { textPasses.narrow(units, count, out); }
